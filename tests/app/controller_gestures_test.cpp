// The user's hands on the character: clicks, double clicks, petting,
// dragging, the eyes following the pointer, with real X input (xdotool) on
// the real windows, fake time and fake desktop services.
#include <QCursor>
#include <QProcess>

#include "app/awareness_fixture.h"
#include "app/controller_harness.h"
#include "bubbles/bubble_panel_controller.h"
#include "bubbles/greeting_bubble_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/cursor_follower.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"

namespace pimble::testing {
namespace {

using namespace std::chrono_literals;

// Points on the body and on the head (canvas units, y down).
const QPointF bodyCentre(110, 150);
const QPointF head(110, 110);

class Gestures : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    if (IsSkipped()) return;
    if (auto why = missingProgram("xdotool")) GTEST_SKIP() << *why;
    seedQuietUser();
    started();
    ASSERT_TRUE(waitUntil([&] { return view().isVisible() && view().width() > 0; }));
    // Let the window manager place it before aiming at it.
    waitUntil([] { return false; }, 300ms);
  }

  GlimmetHostView& view() { return controller->companion().hostView(); }
  GlimmetAnimator& animator() { return *controller->companion().animator(); }
  GlimmetRig& rig() { return *view().figure().rig(); }

  // A canvas point on the screen, where xdotool aims.
  QPoint onScreen(QPointF canvas) {
    const QSizeF size = view().size();
    const double scale = GlimmetHostView::viewScale(size);
    const QPointF local(GlimmetHostView::canvasLeft(size) + canvas.x() * scale, canvas.y() * scale);
    return view().mapToGlobal(local.toPoint());
  }
  static QStringList at(QPoint p) { return {QString::number(p.x()), QString::number(p.y())}; }
  // Runs xdotool while this process goes on handling its events, so that
  // the moves arrive spaced as they were made.
  static void xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    ASSERT_TRUE(p.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([&] { return p.state() == QProcess::NotRunning; }, 10s));
    ASSERT_EQ(p.exitCode(), 0) << args.join(' ').toStdString();
  }
  int clicks() const {
    return int(std::count(desktop.sounds->played.begin(), desktop.sounds->played.end(),
                          SoundService::Effect::click));
  }
};

TEST_F(Gestures, AClickPlaysTheClickSoundHidesTheGreetingAndMakesItHappy) {
  AppController& c = *controller;
  c.greeting().show("Hello again!", BubbleStyle::soft, 30);
  ASSERT_TRUE(c.greeting().isShown());
  time.advance(Seconds(60));
  xdotool(QStringList{"mousemove"} + at(onScreen(bodyCentre)) + QStringList{"click", "1"});
  ASSERT_TRUE(waitUntil([&] { return clicks() == 1; }));
  EXPECT_EQ(rig().state(), GlimmetState::happy);
  EXPECT_TRUE(animator().reacting());
  EXPECT_TRUE(waitUntil([&] { return !c.greeting().isShown(); }));
  EXPECT_EQ(c.lastInteractionAt(), time.now());

  // Asleep, a click wakes it; with sound effects off there is no sound.
  waitUntil([&] { return !animator().reacting(); }, 3s);
  animator().setBase(GlimmetState::sleeping);
  change([](AppSettings& s) { s.soundEffects = false; });
  c.glimmetClicked();
  EXPECT_EQ(rig().state(), GlimmetState::wakeUp);
  EXPECT_EQ(clicks(), 1);

  // In any other state a click only makes its sound.
  change([](AppSettings& s) { s.soundEffects = true; });
  waitUntil([&] { return !animator().reacting(); }, 3s);
  animator().setBase(GlimmetState::water);  // waking up on the way
  waitUntil([&] { return !animator().reacting(); }, 3s);
  c.glimmetClicked();
  EXPECT_EQ(clicks(), 2);
  EXPECT_FALSE(animator().reacting());
}

TEST_F(Gestures, ADoubleClickOpensTheQuickActionsForTwelveSeconds) {
  AppController& c = *controller;
  const std::optional<Date> before = c.lastInteractionAt();
  time.advance(Seconds(5));
  xdotool(QStringList{"mousemove"} + at(onScreen(bodyCentre)) +
          QStringList{"click", "--repeat", "2", "--delay", "80", "1"});
  ASSERT_TRUE(waitUntil([&] { return c.bubble().isShown(); }));
  EXPECT_EQ(c.bubbleUse(), BubbleUse::info);
  EXPECT_EQ(c.bubble().model().content().kase(), BubbleContent::Case::quickActions);
  // The double click itself is no interaction; its first click is.
  EXPECT_EQ(c.lastInteractionAt(), time.now());
  EXPECT_NE(c.lastInteractionAt(), before);
  EXPECT_NEAR(secondsUntil(c.pendingCloseDue()), AppController::quickActionsCloseDelay, 1e-6);
  time.advance(Seconds(11.9));
  EXPECT_TRUE(c.bubble().isShown());
  time.advance(Seconds(0.2));
  EXPECT_FALSE(c.bubble().isShown());
}

TEST_F(Gestures, RubbingTheHeadPlaysPettedUnlessPettingIsOff) {
  AppController& c = *controller;
  auto rub = [&] {
    QStringList moves{"mousemove"};
    moves << at(onScreen(head));
    for (int i = 0; i < 8; ++i)
      moves << "sleep"
            << "0.06"
            << "mousemove" << at(onScreen(head) + QPoint(i % 2 ? -10 : 10, 0));
    xdotool(moves);
  };
  rub();
  ASSERT_TRUE(waitUntil([&] { return rig().state() == GlimmetState::petted; }));
  EXPECT_EQ(clicks(), 1);
  EXPECT_EQ(c.lastInteractionAt(), time.now());

  // Off: the view has nothing to call, and petted() itself only notes the
  // touch.
  waitUntil([&] { return !animator().reacting(); }, 3s);
  change([](AppSettings& s) { s.petting = false; });
  EXPECT_FALSE(view().onPet);
  time.advance(Seconds(10));
  c.petted();
  EXPECT_EQ(c.lastInteractionAt(), time.now());
  EXPECT_FALSE(animator().reacting());

  // Asleep, petting wakes it without a sound.
  change([](AppSettings& s) { s.petting = true; });
  ASSERT_TRUE(view().onPet);
  animator().setBase(GlimmetState::sleeping);
  view().onPet();
  EXPECT_EQ(rig().state(), GlimmetState::wakeUp);
  EXPECT_EQ(clicks(), 1);
  // Not over the intention form.
  waitUntil([&] { return !animator().reacting(); }, 3s);
  animator().setBase(GlimmetState::idle);  // waking up on the way
  waitUntil([&] { return !animator().reacting(); }, 3s);
  c.showBubble(BubbleUse::intentionForm, BubbleContent::intentionForm(IntentionForm{}));
  view().onPet();
  EXPECT_FALSE(animator().reacting());
}

TEST_F(Gestures, ADragSavesTheNewPosition) {
  AppController& c = *controller;
  const CompanionPosition before = c.companion().currentPosition();
  store.forget();
  const QPoint grab = onScreen(bodyCentre);
  QStringList drag{"mousemove"};
  drag << at(grab) << "mousedown"
       << "1";
  for (int step = 1; step <= 6; ++step)
    drag << "sleep"
         << "0.03"
         << "mousemove" << at(grab - QPoint(40 * step, 25 * step));
  drag << "sleep"
       << "0.05"
       << "mouseup"
       << "1";
  xdotool(drag);
  ASSERT_TRUE(waitUntil([&] { return c.model().settings().position.has_value(); }));
  const CompanionPosition saved = *c.model().settings().position;
  EXPECT_NEAR(saved.originX, before.originX - 240, 2);
  EXPECT_NEAR(saved.originY, before.originY + 150, 2);
  EXPECT_EQ(c.lastInteractionAt(), time.now());
  // Saved like any other settings change, 0.4 s later.
  EXPECT_EQ(store.writeCount("settings"), 0);
  time.advance(Seconds(0.5));
  EXPECT_EQ(store.writeCount("settings"), 1);
  const auto stored = store.load<AppSettings>("settings");
  ASSERT_TRUE(stored && stored->position);
  EXPECT_EQ(*stored->position, saved);
  // A click is no drag: nothing moves.
  xdotool(QStringList{"mousemove"} + at(onScreen(bodyCentre)) + QStringList{"click", "1"});
  waitUntil([&] { return clicks() == 1; });
  EXPECT_EQ(*c.model().settings().position, saved);
}

TEST_F(Gestures, TheEyesFollowThePointerUnlessAsleepOrHidden) {
  AppController& c = *controller;
  // The point between the eyes: the window's middle across, 182 of 310
  // canvas units up from its bottom edge.
  const QRectF frame = c.companion().frame();
  const auto eye = c.eyeScreenPoint();
  ASSERT_TRUE(eye);
  EXPECT_DOUBLE_EQ(eye->x(), frame.center().x());
  EXPECT_DOUBLE_EQ(eye->y(), frame.y() + 182 * frame.height() / 310);

  // A real movement beside the character turns the eyes. It must end
  // somewhere else than where the pointer was when following began (an
  // earlier run may have left it at the same place).
  ASSERT_TRUE(c.cursorFollower().isFollowing());
  const QPoint before = QCursor::pos();
  QPoint target = onScreen(head) + QPoint(-120, 0);
  if ((target - before).manhattanLength() < 8) target += QPoint(-20, 0);
  xdotool(QStringList{"mousemove"} + at(target + QPoint(5, 0)));
  xdotool({"mousemove_relative", "--", "-5", "0"});
  ASSERT_TRUE(waitUntil([&] { return c.cursorFollower().lastOffset().has_value(); }));
  EXPECT_LT(c.cursorFollower().lastOffset()->x(), 0);
  const QPointF eyeAt = rig().eyeL->position();
  EXPECT_LT(eyeAt.x(), 83);

  // Asleep, the eyes stay where they are.
  animator().setBase(GlimmetState::sleeping);
  const QPointF asleep = rig().eyeL->position();
  c.look(QPointF(4, 0));
  EXPECT_EQ(rig().eyeL->position(), asleep);

  change([](AppSettings& s) { s.showCompanion = false; });
  EXPECT_FALSE(c.eyeScreenPoint());
  EXPECT_FALSE(c.cursorFollower().isFollowing());
}

class QuickActions : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    if (IsSkipped()) return;
    seedQuietUser();
    started();
    controller->showQuickActions();
  }
  void choose(QuickAction action) { controller->bubble().model().onQuickAction(action); }
};

TEST_F(QuickActions, WaterAndStretchRemindNowEvenWhenSwitchedOff) {
  AppController& c = *controller;
  ASSERT_EQ(c.bubble().model().content().kase(), BubbleContent::Case::quickActions);
  choose(QuickAction::stretch);
  ASSERT_TRUE(c.engine().active());
  EXPECT_EQ(c.engine().active()->kind, ReminderKind::stretch);
  EXPECT_FALSE(c.engine().active()->isEnabled);
  EXPECT_EQ(c.bubbleUse(), BubbleUse::reminder);
  // While a reminder is on screen a double click offers nothing.
  c.showQuickActions();
  EXPECT_EQ(c.bubbleUse(), BubbleUse::reminder);
}

TEST_F(QuickActions, WithoutAWaterReminderTheQuickActionsStay) {
  AppController& c = *controller;
  std::vector<Reminder> reminders = c.model().reminders();
  std::erase_if(reminders, [](const Reminder& r) { return r.kind == ReminderKind::water; });
  c.model().setReminders(reminders);
  choose(QuickAction::water);
  EXPECT_FALSE(c.engine().active());
  EXPECT_EQ(c.bubble().model().content().kase(), BubbleContent::Case::quickActions);
  time.advance(Seconds(AppController::quickActionsCloseDelay));
  EXPECT_FALSE(c.bubble().isShown());
}

TEST_F(QuickActions, PauseProgressAndSettings) {
  AppController& c = *controller;
  choose(QuickAction::progress);
  EXPECT_EQ(c.bubble().model().content().kase(), BubbleContent::Case::progress);
  EXPECT_NEAR(secondsUntil(c.pendingCloseDue()), AppController::progressCloseDelay, 1e-6);

  c.showQuickActions();
  choose(QuickAction::pause30);
  EXPECT_FALSE(c.bubble().isShown());
  ASSERT_TRUE(c.engine().pausedUntil());
  EXPECT_NEAR(secondsUntil(c.engine().pausedUntil()), 1800, 1e-6);
  EXPECT_EQ(c.model().pausedUntil(), c.engine().pausedUntil());

  c.showQuickActions();
  choose(QuickAction::settings);
  EXPECT_FALSE(c.bubble().isShown());
  ASSERT_NE(c.settingsWindow(), nullptr);
}

class ClickWhileAsked : public AwarenessTest {
 protected:
  int clicks() const {
    return int(std::count(desktop.sounds->played.begin(), desktop.sounds->played.end(),
                          SoundService::Effect::click));
  }
};

TEST_F(ClickWhileAsked, AClickShowsACheckInAgainWhoseBubbleWasClosed) {
  AppController& c = startWatching();
  const CheckIn card = forceCheckIn();
  ASSERT_EQ(c.bubbleUse(), BubbleUse::checkIn);
  c.bubble().model().onClose();
  EXPECT_FALSE(c.bubble().isShown());
  const std::optional<Date> timeout = c.checkInTimeoutDue();
  c.glimmetClicked();
  ASSERT_TRUE(c.bubble().isShown());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::checkIn);
  EXPECT_EQ(c.bubbleSubject(), card.id);
  const auto* shown = content().get<CheckIn>();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->id, card.id);
  // Not a new question: its time-out stays, and there is no reaction.
  EXPECT_EQ(c.checkInTimeoutDue(), timeout);
  EXPECT_FALSE(animator().reacting());
  // Shown already: a click only sounds.
  c.glimmetClicked();
  EXPECT_EQ(clicks(), 2);
  EXPECT_EQ(c.bubbleSubject(), card.id);
  EXPECT_FALSE(animator().reacting());
}

TEST_F(ClickWhileAsked, ACheckInCarriedByTheCharacterAloneOpensOnAClick) {
  AppController& c =
      startWatching(chat, [](AppSettings& s) { s.awareness.style = CheckInStyle::glimmetOnly; });
  const CheckIn card = forceCheckIn();
  EXPECT_FALSE(c.bubble().isShown());
  c.glimmetClicked();
  EXPECT_EQ(c.bubbleUse(), BubbleUse::checkIn);
  EXPECT_EQ(c.bubbleSubject(), card.id);
}

TEST_F(ClickWhileAsked, AReminderBubbleGetsOnlyTheSoundButInformationDoesNot) {
  AppController& c = startWatching(std::nullopt);
  c.greeting().show("Hi!", BubbleStyle::soft, 30);
  c.remindNow(c.model().reminders().front());
  ASSERT_EQ(c.bubbleUse(), BubbleUse::reminder);
  c.glimmetClicked();
  EXPECT_EQ(clicks(), 1);
  EXPECT_EQ(c.bubbleUse(), BubbleUse::reminder);
  EXPECT_FALSE(animator().reacting());
  EXPECT_EQ(animator().base(), GlimmetState::water);
  EXPECT_TRUE(waitUntil([&] { return !c.greeting().isShown(); }));

  // Done: information in the bubble does not stop the reaction.
  c.bubble().model().onDone();
  waitUntil([&] { return !animator().reacting(); }, 3s);
  c.showQuickActions();
  ASSERT_EQ(c.bubbleUse(), BubbleUse::info);
  c.glimmetClicked();
  EXPECT_TRUE(animator().reacting());
}

}  // namespace
}  // namespace pimble::testing
