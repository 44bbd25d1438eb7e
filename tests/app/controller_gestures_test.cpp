// The user's hands on the character: clicks, double clicks, petting,
// dragging, the eyes following the pointer, with real X input (xdotool) on
// the real windows, fake time and fake desktop services.
#include <QCursor>

#include "app/awareness_fixture.h"
#include "bubbles/greeting_bubble_controller.h"
#include "companion/cursor_follower.h"

namespace pimble::testing {
namespace {

using namespace std::chrono_literals;
using Effect = SoundService::Effect;

class Gestures : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    if (IsSkipped()) return;
    if (auto why = missingProgram("xdotool")) GTEST_SKIP() << *why;
    seedQuietUser();
    started();
    ASSERT_TRUE(waitUntil([&] { return view().isVisible() && view().width() > 0; }));
    ASSERT_TRUE(characterShown())
        << "the character is not shown where it was put, taking the pointer";
  }
  GlimmetHostView& view() { return controller->companion().hostView(); }
};

TEST_F(Gestures, AClickPlaysTheClickSoundHidesTheGreetingAndMakesItHappy) {
  AppController& c = *controller;
  c.greeting().show("Hello again!", BubbleStyle::soft, 30);
  ASSERT_TRUE(c.greeting().isShown());
  time.advance(Seconds(60));
  xdotool(QStringList{"mousemove"} + at(onScreen(bodyCentre)) + QStringList{"click", "1"});
  ASSERT_TRUE(waitUntil([&] { return played(Effect::click) == 1; }));
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
  EXPECT_EQ(played(Effect::click), 1);
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
  EXPECT_EQ(played(Effect::click), 1);
  EXPECT_EQ(c.lastInteractionAt(), time.now());

  // Not over the intention form.
  waitUntil([&] { return !animator().reacting(); }, 3s);
  c.showBubble(BubbleUse::intentionForm, BubbleContent::intentionForm(IntentionForm{}));
  view().onPet();
  EXPECT_FALSE(animator().reacting());
  c.hideBubble();

  // Off: the view has nothing to call, and petted() itself only notes the
  // touch.
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
  EXPECT_EQ(played(Effect::click), 1);
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
  // A click is no drag: nothing moves. It aims at the window where the drag
  // left it.
  ASSERT_TRUE(characterShown())
      << "the dragged character is not shown where it was put, taking the pointer";
  xdotool(QStringList{"mousemove"} + at(onScreen(bodyCentre)) + QStringList{"click", "1"});
  waitUntil([&] { return played(Effect::click) == 1; });
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

TEST_F(ControllerTest, QuickActionsRemindPauseShowProgressAndOpenSettings) {
  seedQuietUser();
  AppController& c = started();
  auto choose = [&](QuickAction action) {
    c.showQuickActions();
    ASSERT_EQ(c.bubble().model().content().kase(), BubbleContent::Case::quickActions);
    c.bubble().model().onQuickAction(action);
  };
  // Without a water reminder the quick actions stay, until their close.
  std::vector<Reminder> reminders = c.model().reminders();
  std::erase_if(reminders, [](const Reminder& r) { return r.kind == ReminderKind::water; });
  c.model().setReminders(reminders);
  choose(QuickAction::water);
  EXPECT_FALSE(c.engine().active());
  EXPECT_EQ(c.bubble().model().content().kase(), BubbleContent::Case::quickActions);
  time.advance(Seconds(AppController::quickActionsCloseDelay));
  EXPECT_FALSE(c.bubble().isShown());

  choose(QuickAction::progress);
  EXPECT_EQ(c.bubble().model().content().kase(), BubbleContent::Case::progress);
  EXPECT_NEAR(secondsUntil(c.pendingCloseDue()), AppController::progressCloseDelay, 1e-6);
  choose(QuickAction::pause30);
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_NEAR(secondsUntil(c.model().pausedUntil()), 1800, 1e-6);
  choose(QuickAction::settings);
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_NE(c.settingsWindow(), nullptr);

  // Stretch reminds at once, switched off or not; over a reminder a double
  // click offers nothing.
  choose(QuickAction::stretch);
  ASSERT_TRUE(c.engine().active());
  EXPECT_EQ(c.engine().active()->kind, ReminderKind::stretch);
  EXPECT_FALSE(c.engine().active()->isEnabled);
  c.showQuickActions();
  EXPECT_EQ(c.bubbleUse(), BubbleUse::reminder);
}

using ClickWhileAsked = AwarenessTest;

TEST_F(ClickWhileAsked, AClickShowsACheckInAgainWhoseBubbleWasClosedOrThatTheCharacterCarries) {
  for (CheckInStyle style : {CheckInStyle::bubble, CheckInStyle::glimmetOnly}) {
    SCOPED_TRACE(int(style));
    AppController& c = startWatching(chat, [&](AppSettings& s) { s.awareness.style = style; });
    const CheckIn card = forceCheckIn();
    if (style == CheckInStyle::bubble) c.bubble().model().onClose();
    ASSERT_FALSE(c.bubble().isShown());
    const std::optional<Date> timeout = c.checkInTimeoutDue();
    c.glimmetClicked();
    ASSERT_TRUE(c.bubble().isShown());
    EXPECT_EQ(c.bubbleUse(), BubbleUse::checkIn);
    EXPECT_EQ(c.bubbleSubject(), card.id);
    ASSERT_NE(content().get<CheckIn>(), nullptr);
    EXPECT_EQ(content().get<CheckIn>()->id, card.id);
    // Not a new question: its time-out stays, and there is no reaction.
    EXPECT_EQ(c.checkInTimeoutDue(), timeout);
    EXPECT_FALSE(animator().reacting());
    // Shown already: a click only sounds.
    c.glimmetClicked();
    EXPECT_EQ(played(Effect::click), 2);
    EXPECT_EQ(c.bubbleSubject(), card.id);
    EXPECT_FALSE(animator().reacting());
  }
}

TEST_F(ClickWhileAsked, AReminderBubbleGetsOnlyTheSoundButInformationDoesNot) {
  AppController& c = startWatching(std::nullopt);
  c.greeting().show("Hi!", BubbleStyle::soft, 30);
  c.remindNow(c.model().reminders().front());
  ASSERT_EQ(c.bubbleUse(), BubbleUse::reminder);
  c.glimmetClicked();
  EXPECT_EQ(played(Effect::click), 1);
  EXPECT_EQ(c.bubbleUse(), BubbleUse::reminder);
  EXPECT_FALSE(animator().reacting());
  EXPECT_EQ(animator().base(), GlimmetState::water);
  EXPECT_TRUE(waitUntil([&] { return !c.greeting().isShown(); }));

  // Information in the bubble does not stop the reaction.
  c.finishReminder(Resolution::skip());
  c.showQuickActions();
  ASSERT_EQ(c.bubbleUse(), BubbleUse::info);
  c.glimmetClicked();
  EXPECT_TRUE(animator().reacting());
}

}  // namespace
}  // namespace pimble::testing
