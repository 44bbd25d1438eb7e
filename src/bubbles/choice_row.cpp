#include "bubbles/choice_row.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QVariant>

namespace pimble {
namespace {

// One exclusive group as one place on the keyboard's way. Up and Down on
// it do what Left and Right do there; passed on to the page around the
// row, they would scroll it away from the focus.
class ChoiceRow : public QObject {
 public:
  explicit ChoiceRow(QButtonGroup* group) : QObject(group), group_(group) {}

  void place() {
    const QList<QAbstractButton*> buttons = group_->buttons();
    // A focus policy given to a button with a proxy goes to the proxy.
    for (QAbstractButton* b : buttons) b->setFocusProxy(nullptr);
    QAbstractButton* stop = group_->checkedButton();
    if (stop == nullptr && !buttons.isEmpty()) stop = buttons.first();
    QAbstractButton* was = nullptr;
    for (QAbstractButton* b : buttons)
      if (b != stop && (b->focusPolicy() & Qt::TabFocus)) was = b;
    if (stop != nullptr) stop->setFocusPolicy(Qt::FocusPolicy(stop->focusPolicy() | Qt::TabFocus));
    // The new stop takes the old one's place on the keyboard's way: the
    // group may have been moved there (by a form that orders its controls)
    // when only the old one could take the focus. Qt orders only widgets
    // that can.
    if (was != nullptr && stop != nullptr) QWidget::setTabOrder(was, stop);
    const bool focused = buttons.contains(QApplication::focusWidget());
    for (QAbstractButton* b : buttons) {
      // The arrow keys move among buttons that Tab passes by only when the
      // buttons count as one exclusive set of their own.
      b->setAutoExclusive(true);
      if (b != stop) b->setFocusPolicy(Qt::FocusPolicy(b->focusPolicy() & ~Qt::TabFocus));
    }
    // A page or window gives the focus back to the button it last had (a
    // page shown again, the window activated again). Once that button is no
    // longer the choice, the focus goes to the choice in its stead, so that
    // no other one ever holds it, takes the Tab stop on focusing or is
    // announced as focused.
    if (!focused && stop != nullptr)
      for (QAbstractButton* b : buttons)
        if (b != stop && remembered(b)) b->setFocusProxy(stop);
    // The choice moved while the keyboard was on the group: the focus
    // follows it.
    if (focused && stop != nullptr && !stop->hasFocus()) stop->setFocus(Qt::OtherFocusReason);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::FocusIn:
        // The page or window now remembers the button that has the focus.
        for (QAbstractButton* b : group_->buttons()) b->setFocusProxy(nullptr);
        return false;
      case QEvent::FocusOut:
        // A press that gave a button the focus without choosing it gave it
        // the Tab stop too (Qt's rule for exclusive buttons).
        if (!group_->buttons().contains(QApplication::focusWidget())) place();
        return false;
      case QEvent::KeyPress:
        break;
      default:
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down) return false;
    const bool back = (key->key() == Qt::Key_Up) !=
                      (static_cast<QWidget*>(watched)->layoutDirection() == Qt::RightToLeft);
    QKeyEvent along(QEvent::KeyPress, back ? Qt::Key_Left : Qt::Key_Right, key->modifiers(),
                    QString(), key->isAutoRepeat());
    QCoreApplication::sendEvent(watched, &along);
    return true;
  }

 private:
  static bool remembered(QWidget* button) {
    for (QWidget* w = button->parentWidget(); w != nullptr;
         w = w->isWindow() ? nullptr : w->parentWidget())
      if (w->focusWidget() == button) return true;
    return false;
  }

  QButtonGroup* group_;
};

}  // namespace

void singleTabStop(QButtonGroup* group) {
  static const char* const rowKey = "pimbleChoiceRow";
  auto* row = static_cast<ChoiceRow*>(group->property(rowKey).value<QObject*>());
  if (row == nullptr) {
    row = new ChoiceRow(group);
    group->setProperty(rowKey, QVariant::fromValue(static_cast<QObject*>(row)));
    QObject::connect(group, &QButtonGroup::buttonToggled, row, [row] { row->place(); });
  }
  for (QAbstractButton* b : group->buttons()) b->installEventFilter(row);
  row->place();
}

}  // namespace pimble
