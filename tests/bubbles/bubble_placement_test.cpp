// Where the bubbles go beside the character, how the speech bubble's window
// shows, hides and takes the keyboard, and the greeting's life cycle.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QWindow>
#include <functional>
#include <utility>

#include "bubble_samples.h"
#include "bubbles/bubble_panel.h"
#include "bubbles/bubble_panel_controller.h"
#include "bubbles/bubble_placement.h"
#include "bubbles/bubble_view.h"
#include "bubbles/greeting_bubble_controller.h"
#include "bubbles/greeting_bubble_view.h"
#include "companion/companion_panel.h"
#include "fake_anchor.h"
#include "system/fake_time_source.h"

namespace pimble {
namespace {

const QRectF screen(0, 0, 1440, 875);

double maxY(const QRectF& r) {
  return r.y() + r.height();
}

TEST(BubblePlacement, RightWhenThereIsRoomElseLeftElseClampedRight) {
  // A 168 x 174 window: the art is the centred 123.48-point strip.
  const QRectF middle(600, 100, 168, 174);
  const QRectF art = BubblePlacement::artRect(middle);
  EXPECT_NEAR(art.width(), 174 * 220.0 / 310, 1e-9);
  BubblePlacement p = BubblePlacement::place(middle, screen, 120);
  EXPECT_TRUE(p.tailOnLeading);
  EXPECT_NEAR(p.frame.x(), art.x() + art.width() - 6, 1e-9);
  EXPECT_EQ(p.frame.width(), 320);

  p = BubblePlacement::place(QRectF(1250, 100, 168, 174), screen, 120);
  EXPECT_FALSE(p.tailOnLeading);
  EXPECT_NEAR(p.frame.x(), BubblePlacement::artRect(QRectF(1250, 100, 168, 174)).x() + 6 - 320,
              1e-9);

  // No room on either side of a small screen: right, pulled 4 points inside.
  const QRectF small(0, 0, 500, 875);
  p = BubblePlacement::place(QRectF(170, 100, 168, 174), small, 120);
  EXPECT_TRUE(p.tailOnLeading);
  EXPECT_EQ(p.frame.x(), 500 - 320 - 4);
  // A screen narrower than the bubble: the upper bound wins.
  p = BubblePlacement::place(QRectF(0, 0, 168, 174), QRectF(0, 0, 300, 875), 120);
  EXPECT_EQ(p.frame.x(), 300 - 320 - 4);
  // A window wider than its art's strip is not inset below zero.
  EXPECT_EQ(BubblePlacement::artRect(QRectF(0, 0, 50, 310)).width(), 50);
}

TEST(BubblePlacement, MinimumHeightFixedTopAndVerticalClamp) {
  const QRectF c(600, 400, 168, 174);
  const BubblePlacement low = BubblePlacement::place(c, screen, 40);
  EXPECT_EQ(low.frame.height(), 90);
  const double top = maxY(c) - 174 * 128.0 / 310 + 44;
  EXPECT_NEAR(maxY(low.frame), top, 1e-9);
  const BubblePlacement tall = BubblePlacement::place(c, screen, 300);
  EXPECT_NEAR(maxY(tall.frame), top, 1e-9);  // grows downward
  EXPECT_EQ(tall.frame.height(), 300);
  // Near the bottom the bubble is lifted 4 points above the screen's edge;
  // near the top it is pushed under it.
  EXPECT_EQ(BubblePlacement::place(QRectF(600, 0, 168, 174), screen, 300).frame.y(), 4);
  EXPECT_EQ(maxY(BubblePlacement::place(QRectF(600, 790, 168, 174), screen, 120).frame), 871);
  EXPECT_EQ(BubblePlacement::place(c, screen, std::nan("")).frame.height(), 90);
}

struct Panel {
  std::shared_ptr<FakeAnchor> anchor = std::make_shared<FakeAnchor>();
  BubblePanelController controller{anchor};
  int willShow = 0;
  Panel() {
    controller.willShow = [this] { ++willShow; };
    controller.reduceMotion = [] { return true; };
    controller.panel().setAttribute(Qt::WA_DontShowOnScreen);
  }
  QRectF upFrame() { return anchor->fromQt(controller.panel().geometry()); }
};

TEST(BubblePanel, ShowsBesideTheCharacterAndFollowsIt) {
  Panel p;
  p.controller.show(BubbleContent::reminder(samples::water()), BubbleStyle::glass);
  EXPECT_TRUE(p.controller.isShown());
  EXPECT_TRUE(p.controller.panel().isVisible());
  EXPECT_EQ(p.controller.model().style(), BubbleStyle::glass);
  EXPECT_TRUE(p.controller.view().appeared());
  const QRectF first = p.upFrame();
  EXPECT_EQ(first.width(), 320);
  EXPECT_GE(first.height(), 90);
  EXPECT_EQ(first.height(), std::max(90, p.controller.view().fittingHeight()));
  // The character moves to the right edge: the bubble goes left, tail right.
  p.anchor->companion = QRectF(1260, 300, 168, 174);
  p.controller.layoutNearCompanion();
  EXPECT_FALSE(p.controller.model().tailOnLeading());
  EXPECT_LT(p.upFrame().x(), 1260);
  // A taller content keeps the top edge where it was.
  const double top = maxY(p.upFrame());
  p.controller.show(BubbleContent::intentionForm(samples::form(true)), BubbleStyle::soft);
  EXPECT_NEAR(maxY(p.upFrame()), top, 1.0);
  EXPECT_GT(p.upFrame().height(), first.height());
  EXPECT_EQ(p.willShow, 2);
  // Once the window is gone the bubble keeps its last frame.
  const QRect kept = p.controller.panel().geometry();
  p.anchor->companion.reset();
  p.controller.layoutNearCompanion();
  EXPECT_EQ(p.controller.panel().geometry(), kept);
  p.controller.hide();
  EXPECT_FALSE(p.controller.panel().isVisible());
  p.controller.hide();  // nothing more
  EXPECT_FALSE(p.controller.isShown());
}

TEST(BubblePanel, PopInOnlyOnTheFirstShow) {
  Panel p;
  p.controller.reduceMotion = nullptr;
  p.controller.show(BubbleContent::message("a", "b"), BubbleStyle::soft);
  EXPECT_LT(p.controller.view().popScale(), 1.0);  // growing in
  p.controller.view().finishAppearance();
  p.controller.show(BubbleContent::message("c", "d"), BubbleStyle::solid);
  EXPECT_EQ(p.controller.view().popScale(), 1.0);  // refreshed in place
  p.controller.hide();
  p.controller.show(BubbleContent::message("e", "f"), BubbleStyle::soft);
  EXPECT_LT(p.controller.view().popScale(), 1.0);
}

// The program's own bubbles must not take the keyboard from what the user is
// typing in; what the user opened does, and a click hands it over.
TEST(BubblePanel, OnlyUserOpenedContentTakesTheKeyboard) {
  Panel p;
  BubblePanel& panel = p.controller.panel();
  for (BubbleContent c :
       {BubbleContent::reminder(samples::water()), BubbleContent::checkIn(samples::appCheckIn()),
        BubbleContent::message("a", "b"), BubbleContent::progress({}),
        BubbleContent::intentionForm(samples::form(true))}) {
    p.controller.show(c, BubbleStyle::soft);
    EXPECT_FALSE(panel.acceptsFocus());
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    p.controller.hide();
  }
  p.controller.show(BubbleContent::quickActions(), BubbleStyle::soft);
  EXPECT_TRUE(panel.acceptsFocus());
  EXPECT_FALSE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  if (panel.windowHandle() != nullptr) {
    EXPECT_FALSE(panel.windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
  }
  p.controller.hide();
  EXPECT_FALSE(panel.acceptsFocus());  // the next bubble starts out without it

  p.controller.show(BubbleContent::intentionForm(samples::form(false)), BubbleStyle::soft);
  EXPECT_TRUE(panel.acceptsFocus());
  EXPECT_EQ(panel.focusWidget(), panel.findChild<QLineEdit*>(QStringLiteral("purpose")));
  p.controller.hide();

  // A click anywhere on a program-shown bubble lets it take the keyboard.
  int done = 0;
  p.controller.model().onDone = [&] { ++done; };
  p.controller.show(BubbleContent::reminder(samples::water()), BubbleStyle::soft);
  auto* snooze = panel.findChild<QPushButton*>(QStringLiteral("snooze"));
  QTest::mouseClick(snooze, Qt::LeftButton);
  EXPECT_TRUE(panel.acceptsFocus());
  QTest::keyClick(snooze, Qt::Key_Return);
  EXPECT_EQ(done, 1);
}

TEST(GreetingPlacement, WorkedExampleAboveAndBelow) {
  const QRectF c(1000, 100, 168, 174);
  const auto measure = [](bool) { return QSizeF(150, 40); };
  const GreetingBubbleController::Placement above =
      GreetingBubbleController::place(c, screen, measure);
  EXPECT_TRUE(above.tailDown);
  EXPECT_NEAR(above.frame.y(), 238.81, 0.01);
  EXPECT_NEAR(above.frame.x(), 1009, 1e-9);
  // Near the top the bubble hangs below the feet, measured again tail up.
  const QRectF high(1000, 700, 168, 174);
  const auto measureUp = [](bool down) { return down ? QSizeF(150, 40) : QSizeF(150, 44); };
  const GreetingBubbleController::Placement below =
      GreetingBubbleController::place(high, screen, measureUp);
  EXPECT_FALSE(below.tailDown);
  EXPECT_NEAR(below.frame.y(), maxY(high) - 276 * 174.0 / 310 - 44 + 6, 1e-9);
  EXPECT_EQ(below.frame.height(), 44);
  // Kept inside the screen sideways; the right edge wins on a narrow one.
  EXPECT_EQ(GreetingBubbleController::place(QRectF(-60, 100, 168, 174), screen, measure).frame.x(),
            0);
  EXPECT_EQ(GreetingBubbleController::place(QRectF(1380, 100, 168, 174), screen, measure).frame.x(),
            1440 - 150);
  EXPECT_EQ(GreetingBubbleController::place(c, QRectF(0, 0, 100, 875), measure).frame.x(), -50);
}

std::vector<QAccessible::Event> announced;
void recordAnnouncement(QAccessibleEvent* e) {
  announced.push_back(e->type());
}

struct Greeting {
  std::shared_ptr<FakeAnchor> anchor = std::make_shared<FakeAnchor>();
  FakeTimeSource time;
  GreetingBubbleController controller{anchor, time};
  Greeting() { controller.panel().setAttribute(Qt::WA_DontShowOnScreen); }
  QRectF upFrame() { return anchor->fromQt(controller.panel().geometry()); }
};

TEST(GreetingBubble, RisesInIsAnnouncedAndHidesItself) {
  Greeting g;
  announced.clear();
  QAccessible::installUpdateHandler(recordAnnouncement);
  QAccessible::setActive(true);
  g.controller.show(QStringLiteral("Hello & welcome back!"), BubbleStyle::soft, 3.2);
  QAccessible::installUpdateHandler(nullptr);
  EXPECT_TRUE(g.controller.isShown());
  EXPECT_TRUE(g.controller.panel().testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_TRUE(g.controller.panel().windowFlags().testFlag(Qt::WindowTransparentForInput));
  // Assistive technologies hear it when any listens (never offscreen).
  if (QAccessible::isActive()) {
    EXPECT_NE(std::find(announced.begin(), announced.end(), QAccessible::Alert), announced.end());
  }
  EXPECT_EQ(g.controller.view().accessibleName(), "Hello & welcome back!");
  // It starts 6 points low and transparent, and rises into place.
  EXPECT_NEAR(g.upFrame().y(), g.controller.targetFrame().y() - 6, 1.0);
  EXPECT_LT(g.controller.panel().windowOpacity(), 0.5);
  g.controller.finishAnimations();
  EXPECT_NEAR(g.upFrame().y(), g.controller.targetFrame().y(), 1.0);
  EXPECT_DOUBLE_EQ(g.controller.panel().windowOpacity(), 1.0);
  // It follows the character while shown.
  g.anchor->companion = QRectF(400, 100, 168, 174);
  g.controller.relayout();
  EXPECT_NEAR(g.upFrame().x(), 484 - g.upFrame().width() / 2, 1.0);
  // Visible for the given seconds after fading in, then fading out.
  g.time.advance(Seconds(3.5));
  EXPECT_TRUE(g.controller.isShown());
  g.time.advance(Seconds(0.1));
  g.controller.finishAnimations();
  EXPECT_FALSE(g.controller.isShown());
  EXPECT_FALSE(g.controller.panel().isVisible());
}

// Whatever floating window comes by itself while the user has a menu open
// (a greeting, a reminder's bubble, the character coming back) leaves the
// menu open; its own ways out still close it.
TEST(GreetingBubble, AMenuTheUserHasOpenStaysOpenAsAFloatingWindowShows) {
  Greeting g;
  Panel p;
  CompanionPanel character;
  character.setAttribute(Qt::WA_DontShowOnScreen);
  const std::pair<const char*, std::function<void()>> shows[] = {
      {"greeting", [&] { g.controller.show(QStringLiteral("Hello!"), BubbleStyle::soft, 3); }},
      {"bubble",
       [&] { p.controller.show(BubbleContent::reminder(samples::water()), BubbleStyle::soft); }},
      {"character", [&] { character.show(); }},
  };
  for (const auto& [what, show] : shows) {
    QMenu menu;
    menu.addAction(QStringLiteral("Settings…"));
    menu.popup(QPoint(100, 100));
    ASSERT_TRUE(menu.isVisible());
    show();
    EXPECT_TRUE(menu.isVisible()) << "closed by the " << what;
    menu.close();
    EXPECT_FALSE(menu.isVisible());
  }
  EXPECT_TRUE(g.controller.isShown() && p.controller.panel().isVisible() && character.isVisible());
}

TEST(GreetingBubble, SecondShowRestartsTheTimerAndHidingCancelsIt) {
  Greeting g;
  g.controller.reduceMotion = [] { return true; };
  g.controller.show(QStringLiteral("Hi"), BubbleStyle::glass, 3.2);
  EXPECT_NEAR(g.upFrame().y(), g.controller.targetFrame().y(), 1.0);  // no drift
  g.time.advance(Seconds(2));
  g.controller.show(QStringLiteral("Still here"), BubbleStyle::solid, 3.2);
  EXPECT_EQ(g.controller.text(), "Still here");
  g.time.advance(Seconds(3));
  EXPECT_TRUE(g.controller.isShown());
  EXPECT_EQ(g.time.pendingCount(), 1u);
  // A show during the fade-out keeps the bubble.
  g.controller.hide(true);
  g.controller.show(QStringLiteral("Back"), BubbleStyle::soft, 3.2);
  g.controller.finishAnimations();
  EXPECT_TRUE(g.controller.isShown());
  g.controller.hide(false);
  EXPECT_FALSE(g.controller.isShown());
  EXPECT_EQ(g.time.pendingCount(), 0u);
  g.controller.hide(true);  // hidden already: nothing
  // A hidden character gets no greeting.
  g.anchor->shown = false;
  g.controller.show(QStringLiteral("Hi"), BubbleStyle::soft, 3.2);
  EXPECT_FALSE(g.controller.isShown());
}

TEST(GreetingBubble, LongLinesKeepToTwoLinesAndShortOnesMakeNarrowBubbles) {
  GreetingBubbleView view;
  view.set(QStringLiteral("Hi!"), BubbleStyle::soft, true);
  const QSize narrow = view.fittingSize();
  EXPECT_LT(narrow.width(), 100);
  view.set(
      QString(40, QLatin1Char('w')) + QStringLiteral(" and then a good deal more words to say"),
      BubbleStyle::soft, true);
  EXPECT_EQ(view.lines().size(), 2);
  EXPECT_TRUE(view.lines().back().endsWith(QChar(0x2026)));
  EXPECT_LE(view.fittingSize().width(), GreetingBubbleView::maxTextWidth + 26 + 20);
}

}  // namespace
}  // namespace pimble
