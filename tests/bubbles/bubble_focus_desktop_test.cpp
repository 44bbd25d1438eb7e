// On a real X server with a window manager: a bubble the program shows on
// its own leaves the keyboard with the window the user is typing in, while
// content the user opened, or a click on the bubble, takes it; its tooltips
// show all the same; Return answers the reminder wherever Tab moved its
// keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <string>
#include <vector>

#include "bubble_samples.h"
#include "bubbles/bubble_panel.h"
#include "bubbles/bubble_panel_controller.h"
#include "fake_anchor.h"
#include "support/desktop_peers.h"

namespace pimble {
namespace {

using namespace std::chrono_literals;

// A window of the test's own holds the keyboard, as the user's would.
class BubbleFocusDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
      GTEST_SKIP() << "needs an X server, running on "
                   << QGuiApplication::platformName().toStdString();
    }
    if (auto why = testing::missingX()) GTEST_SKIP() << *why;
    typing.setWindowTitle(QStringLiteral("typing here"));
    typing.setGeometry(100, 100, 300, 40);
    typing.show();
    typing.activateWindow();
    ASSERT_TRUE(testing::waitUntil([&] { return QApplication::activeWindow() == &typing; }, 5s))
        << "the window manager gave the test window no focus";
    anchor->screenHeight = 800;
    anchor->companion = QRectF(600, 200, 168, 174);
    anchor->visible = QRectF(0, 0, 1280, 800);
    bubble.reduceMotion = [] { return true; };
  }
  // Shows the content as the program does on its own.
  void show(BubbleContent content) {
    bubble.show(std::move(content), BubbleStyle::soft);
    ASSERT_TRUE(testing::waitUntil([&] { return bubble.panel().isVisible(); }, 2s));
    // Where the window manager shows it, which is where the tests aim at its
    // controls.
    ASSERT_TRUE(testing::shownPlace(QString::number(bubble.panel().winId())))
        << "the bubble is not shown where it was put";
    // A window manager that hands it the keyboard, as it must not, does so
    // as it maps it or a moment later.
    QTest::qWait(400);
    ASSERT_EQ(QApplication::activeWindow(), &typing);
  }

  QLineEdit typing;
  std::shared_ptr<FakeAnchor> anchor = std::make_shared<FakeAnchor>();
  BubblePanelController bubble{anchor};
};

TEST_F(BubbleFocusDesktop, ProgramBubblesLeaveTheKeyboardWhereItIs) {
  int done = 0;
  bubble.model().onDone = [&] { ++done; };
  show(BubbleContent::reminder(samples::water()));
  // The user keeps typing: Return goes to the text field, not to Done.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(done, 0);

  bubble.show(BubbleContent::quickActions(), BubbleStyle::soft);
  EXPECT_TRUE(
      testing::waitUntil([&] { return QApplication::activeWindow() == &bubble.panel(); }, 5s));
  bubble.hide();
}

TEST_F(BubbleFocusDesktop, ANameCutShortShowsWholeInTheTooltipOfABubbleThatIsNotActive) {
  CheckIn c = samples::appCheckIn();
  const QString title = QStringLiteral("Back to Back&_<i>x</i> Studio Professional Edition 2026");
  c.primary.title = title.toStdString();
  show(BubbleContent::checkIn(c));
  auto* primary = bubble.panel().findChild<QPushButton*>(QStringLiteral("primary"));
  ASSERT_NE(primary, nullptr);
  const QPoint at = primary->mapToGlobal(primary->rect().center());
  ASSERT_TRUE(testing::pointerReaches(QString::number(bubble.panel().winId()), at));
  for (int dx : {0, 4}) {
    testing::runTool("xdotool",
                     {"mousemove", QString::number(at.x() + dx), QString::number(at.y())});
  }
  ASSERT_TRUE(testing::waitUntil([] { return QToolTip::isVisible(); }, 3s));
  QTextDocument tip;
  tip.setHtml(QToolTip::text());
  EXPECT_EQ(tip.toPlainText(), title);
  bubble.hide();
}

// A click on a reminder's text hands it the keyboard; Return then answers
// Done wherever Tab has moved the keyboard in it.
TEST_F(BubbleFocusDesktop, ReturnAnswersDoneWhereverTabMovedTheKeyboard) {
  std::vector<std::string> answers;
  bubble.model().onDone = [&] { answers.emplace_back("done"); };
  bubble.model().onSnooze = [&] { answers.emplace_back("snooze"); };
  bubble.model().onSkip = [&] { answers.emplace_back("skip"); };
  for (int tabs : {0, 1, 2}) {
    SCOPED_TRACE(std::to_string(tabs) + " Tabs");
    show(BubbleContent::reminder(samples::water()));
    auto* message = bubble.panel().findChild<QWidget*>(QStringLiteral("message"));
    ASSERT_NE(message, nullptr);
    const QPoint at = message->mapToGlobal(message->rect().center());
    ASSERT_TRUE(testing::pointerReaches(QString::number(bubble.panel().winId()), at));
    testing::runTool("xdotool",
                     {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    ASSERT_TRUE(
        testing::waitUntil([&] { return QApplication::activeWindow() == &bubble.panel(); }, 5s));
    for (int i = 0; i < tabs; ++i) testing::runTool("xdotool", {"key", "Tab"});
    testing::runTool("xdotool", {"key", "Return"});
    EXPECT_TRUE(testing::waitUntil([&] { return answers.size() == std::size_t(tabs + 1); }, 3s));
    bubble.hide();
    typing.activateWindow();
    ASSERT_TRUE(testing::waitUntil([&] { return QApplication::activeWindow() == &typing; }, 5s));
  }
  QTest::qWait(200);
  EXPECT_EQ(answers, (std::vector<std::string>{"done", "done", "done"}));
}

// The user goes on to another program once the bubble with the keyboard
// has closed: the program's focus window goes with it. Shown again, at
// once or later, the bubble is the active window, so its controls show
// the keyboard.
TEST_F(BubbleFocusDesktop, ABubbleThatTakesTheKeyboardAgainIsActiveAgain) {
  // Nothing of the test's takes the keyboard back from the bubble.
  typing.hide();
  ASSERT_TRUE(testing::waitUntil([] { return QGuiApplication::focusWindow() == nullptr; }, 5s));
  auto active = [&] {
    return testing::waitUntil(
        [&] {
          return QApplication::activeWindow() == &bubble.panel() &&
                 QApplication::focusWidget() != nullptr;
        },
        5s);
  };
  bubble.show(BubbleContent::quickActions(), BubbleStyle::soft);
  ASSERT_TRUE(active());
  bubble.hide();
  EXPECT_TRUE(testing::waitUntil([] { return QGuiApplication::focusWindow() == nullptr; }, 5s))
      << "the closed bubble stays the focus window";
  bubble.show(BubbleContent::quickActions(), BubbleStyle::soft);
  EXPECT_TRUE(active()) << "shown again later";
  bubble.hide();
  bubble.show(BubbleContent::quickActions(), BubbleStyle::soft);
  EXPECT_TRUE(active()) << "shown again at once";
  bubble.hide();
}

}  // namespace
}  // namespace pimble
