#include "settings/settings_fixture.h"

#include <QAccessible>
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

}  // namespace pimble::testing
