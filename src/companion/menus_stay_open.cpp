#include "companion/menus_stay_open.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace pimble {

MenusStayOpen::MenusStayOpen() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

MenusStayOpen::~MenusStayOpen() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool MenusStayOpen::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Close) return false;
  const auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->windowType() != Qt::Popup) return false;
  // A close refused ends Qt's closing of the open popups.
  event->ignore();
  return true;
}

}  // namespace pimble
