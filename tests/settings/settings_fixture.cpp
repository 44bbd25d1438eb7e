#include "settings/settings_fixture.h"

#include <QTest>
#include <algorithm>

namespace pimble::testing {

void click(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isEnabled());
  const QPoint at(std::min(8, button->width() / 2), button->height() / 2);
  QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

}  // namespace pimble::testing
