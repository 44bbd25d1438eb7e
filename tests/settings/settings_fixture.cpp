#include "settings/settings_fixture.h"

#include <QAccessible>
#include <QLayout>
#include <QScrollArea>
#include <QTest>
#include <algorithm>

namespace pimble::testing {

void click(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isEnabled());
  const QPoint at(std::min(8, button->width() / 2), button->height() / 2);
  QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

QString shownText(const QString& text, Qt::TextFormat format) {
  QLabel label(text);
  label.setTextFormat(format);
  return QAccessible::queryAccessibleInterface(&label)->text(QAccessible::Name);
}

int emptyPastTheEnd(QWidget* view) {
  QScrollArea* page = nullptr;
  for (QWidget* w = view->parentWidget(); w != nullptr && page == nullptr; w = w->parentWidget())
    page = qobject_cast<QScrollArea*>(w);
  if (page == nullptr || page->widget() == nullptr) {
    ADD_FAILURE() << "not on a page";
    return 0;
  }
  QWidget* held = page->widget();
  if (held->height() <= page->viewport()->height()) return 0;
  int lowest = 0;
  for (QWidget* w : view->findChildren<QWidget*>())
    if (w->isVisibleTo(view)) lowest = std::max(lowest, w->mapTo(held, QPoint(0, w->height())).y());
  const int margin = view->layout() != nullptr ? view->layout()->contentsMargins().bottom() : 0;
  return held->height() - lowest - margin;
}

}  // namespace pimble::testing
