#include "settings/wheel_guard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>
#include <QWidget>

namespace pimble::WheelGuard {
namespace {

constexpr const char* guardedProperty = "pimbleWheelGuarded";

bool answersWheel(const QWidget* widget) {
  if (qobject_cast<const QScrollBar*>(widget) != nullptr) return false;
  return qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
         qobject_cast<const QComboBox*>(widget) != nullptr ||
         qobject_cast<const QAbstractSlider*>(widget) != nullptr;
}

// Controls of every guarded window, wherever they were created: the
// application sees their events before they do.
class Filter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if ((type != QEvent::Wheel && type != QEvent::Show) || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (!answersWheel(widget) || !widget->window()->property(guardedProperty).toBool())
      return false;
    if (type == QEvent::Show) {
      // Qt gives the keyboard to a control with wheel focus, or with an
      // inner field that has it, as the wheel passes over it, before the
      // control sees the step. Shown, a control is in its window: built
      // apart, it may be polished before it is.
      dropWheelFocus(widget);
      for (QWidget* inner : widget->findChildren<QWidget*>()) dropWheelFocus(inner);
      return false;
    }
    if (widget->hasFocus()) return false;
    // Ignored, the step goes on to the page around the control.
    event->ignore();
    return true;
  }

 private:
  static void dropWheelFocus(QWidget* widget) {
    if ((widget->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
      widget->setFocusPolicy(Qt::StrongFocus);
  }
};

}  // namespace

void install(QWidget* window) {
  static Filter* filter = [] {
    auto* f = new Filter(qApp);
    qApp->installEventFilter(f);
    return f;
  }();
  (void)filter;
  window->setProperty(guardedProperty, true);
}

}  // namespace pimble::WheelGuard
