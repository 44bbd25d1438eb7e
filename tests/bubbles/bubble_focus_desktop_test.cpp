// On a real X server with a window manager: a bubble the program shows on
// its own leaves the keyboard with the window the user is typing in, while
// content the user opened, or a click on the bubble, takes it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include "bubble_samples.h"
#include "bubbles/bubble_panel.h"
#include "bubbles/bubble_panel_controller.h"
#include "fake_anchor.h"
#include "support/desktop_peers.h"

namespace pimble {
namespace {

using namespace std::chrono_literals;

TEST(BubbleFocusDesktop, ProgramBubblesLeaveTheKeyboardWhereItIs) {
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
    GTEST_SKIP() << "needs an X server, running on "
                 << QGuiApplication::platformName().toStdString();
  }
  if (auto why = testing::missingX()) GTEST_SKIP() << *why;
  QLineEdit typing;
  typing.setWindowTitle(QStringLiteral("typing here"));
  typing.setGeometry(100, 100, 300, 40);
  typing.show();
  typing.activateWindow();
  ASSERT_TRUE(testing::waitUntil([&] { return QApplication::activeWindow() == &typing; }, 5s))
      << "the window manager gave the test window no focus";

  auto anchor = std::make_shared<FakeAnchor>();
  anchor->screenHeight = 800;
  anchor->companion = QRectF(600, 200, 168, 174);
  anchor->visible = QRectF(0, 0, 1280, 800);
  BubblePanelController bubble(anchor);
  bubble.reduceMotion = [] { return true; };
  int done = 0;
  bubble.model().onDone = [&] { ++done; };
  bubble.show(BubbleContent::reminder(samples::water()), BubbleStyle::soft);
  ASSERT_TRUE(testing::waitUntil([&] { return bubble.panel().isVisible(); }, 2s));
  QTest::qWait(400);
  ASSERT_EQ(QApplication::activeWindow(), &typing);
  // The user keeps typing: Return goes to the text field, not to Done.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(done, 0);

  bubble.show(BubbleContent::quickActions(), BubbleStyle::soft);
  EXPECT_TRUE(
      testing::waitUntil([&] { return QApplication::activeWindow() == &bubble.panel(); }, 5s));
  bubble.hide();
}

}  // namespace
}  // namespace pimble
