// Information bubbles with their one pending close, behaviour previews and
// greetings, on fake time with the real character and bubble windows.

#include "app/controller_harness.h"
#include "bubbles/greeting_bubble_controller.h"
#include "models/greeting_lines.h"
#include "settings/settings_window_controller.h"

namespace pimble::testing {
namespace {

using InfoBubbles = ControllerTest;

BubbleContent::Case shownCase(AppController& c) {
  return c.bubble().model().content().kase();
}

TEST_F(InfoBubbles, AMessageStaysEightSecondsAndTheNextBubblesCloseCountsFromItself) {
  seedQuietUser();
  AppController& c = started();
  c.showInfo("Safari isn't open", "Pimble didn't open anything.");
  ASSERT_TRUE(c.bubble().isShown());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::info);
  time.advance(Seconds(7.9));
  EXPECT_TRUE(c.bubble().isShown());
  time.advance(Seconds(0.2));
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::none);

  c.showInfo("One", "first");
  time.advance(Seconds(6));
  c.showProgress();
  EXPECT_EQ(shownCase(c), BubbleContent::Case::progress);
  EXPECT_NEAR(secondsUntil(c.pendingCloseDue()), AppController::progressCloseDelay, 1e-6);
  time.advance(Seconds(3));
  EXPECT_TRUE(c.bubble().isShown()) << "the message's close would have come here";
  time.advance(Seconds(12.1));
  EXPECT_FALSE(c.bubble().isShown());

  // What is not information cancels the pending close.
  c.showInfo("Hi", "there");
  c.showBubble(BubbleUse::intentionForm, BubbleContent::message("Form", "stand-in"));
  time.advance(Seconds(20));
  EXPECT_TRUE(c.showingIntentionForm());

  // Hidden: dropped, and showing the character later brings nothing back;
  // progress asked for opens the Progress tab instead.
  change([](AppSettings& s) { s.showCompanion = false; });
  c.showInfo("Later", "Nobody sees this");
  EXPECT_FALSE(c.pendingCloseDue());
  c.model().actions.showProgressBubble();
  EXPECT_FALSE(c.bubble().isShown());
  ASSERT_NE(c.settingsWindow(), nullptr);
  EXPECT_EQ(c.settingsWindow()->currentTab(), SettingsTab::progress);
  change([](AppSettings& s) { s.showCompanion = true; });
  EXPECT_FALSE(c.bubble().isShown());
}

TEST_F(InfoBubbles, ProgressShowsTodayAndARemindersBubbleIsTakenByNothingElse) {
  seedDue({{ReminderKind::water, 5}});
  AppController& c = started();
  c.model().record(ReminderAction::done, ReminderKind::water);
  c.model().record(ReminderAction::done, ReminderKind::water);
  c.showProgress();
  const auto* summary = c.bubble().model().content().get<DaySummary>();
  ASSERT_NE(summary, nullptr);
  EXPECT_EQ(summary->done(ReminderKind::water), 2);
  EXPECT_EQ(summary->key, c.model().progress().dayKey(time.now()));

  // A reminder due takes over the information and its close.
  time.advance(Seconds(5));
  ASSERT_EQ(c.bubbleUse(), BubbleUse::reminder);
  EXPECT_FALSE(c.pendingCloseDue());
  // Neither a message nor progress takes the bubble from it.
  c.showProgress();
  c.showInfo("Hi", "there");
  time.advance(Seconds(20));
  EXPECT_EQ(c.bubbleUse(), BubbleUse::reminder);
  // The close control only hides the bubble; the reminder waits for its
  // answer or the time-out.
  c.bubble().model().onClose();
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_TRUE(c.engine().active());
}

TEST_F(InfoBubbles, ABehaviourPreviewNeedsTheRestingCharacter) {
  seedQuietUser();
  AppController& c = started();
  ASSERT_EQ(animator().base(), GlimmetState::idle);
  c.model().actions.previewBehavior(IdleBehavior::wink);
  EXPECT_EQ(rig().performing(), IdleBehavior::wink);

  // Asleep, or busy with a reminder's state: nothing.
  for (GlimmetState state : {GlimmetState::sleeping, GlimmetState::water}) {
    animator().setBase(state);
    c.previewBehavior(IdleBehavior::nod);
    EXPECT_NE(rig().performing(), IdleBehavior::nod);
  }

  // Switched off: a preview never brings the character back.
  change([](AppSettings& s) { s.showCompanion = false; });
  c.previewBehavior(IdleBehavior::nod);
  EXPECT_FALSE(characterVisible());
  EXPECT_FALSE(settings().showCompanion);
}

// Greetings on a fake clock. The clock starts at 08:00 UTC, in the zone the
// fixture sets, so that the time of day is the morning.
class Greetings : public ControllerTest {
 protected:
  static bool among(const std::vector<std::string>& lines, const QString& text) {
    return std::find(lines.begin(), lines.end(), text.toStdString()) != lines.end();
  }
  QString said() { return controller->greeting().text(); }
  bool greeted() { return controller->greeting().isShown(); }
  // A memory that has greeted today, long enough ago for another line.
  void greetedThisMorning() {
    GreetingDirector::Memory memory;
    memory.lastGreetingDay = GreetingDirector::dayNumber(time.now(), Calendar());
    memory.lastShownAt = addSeconds(time.now(), -4 * 3600);
    store.save(memory, "greetings");
    store.forget();
  }
};

TEST_F(Greetings, TheLaunchGreetingComesFiveSecondsAfterStartAndIsRemembered) {
  seedDue({});
  AppController& c = started();
  time.advance(Seconds(4.9));
  EXPECT_FALSE(greeted());
  time.advance(Seconds(0.2));
  ASSERT_TRUE(greeted());
  EXPECT_TRUE(among(GreetingLines::greeting(DayPart::morning), said())) << said().toStdString();
  EXPECT_EQ(rig().state(), GlimmetState::happy);
  const GreetingDirector::Memory memory = c.greeter().memory;
  EXPECT_EQ(store.load<GreetingDirector::Memory>("greetings"), memory);
  EXPECT_EQ(memory.recent, std::vector<std::string>{said().toStdString()});
  // Gone by itself 3.2 s later (and its fade).
  time.advance(Seconds(AppController::greetingSeconds + 1));
  c.greeting().finishAnimations();
  EXPECT_FALSE(greeted());

  // The next launch reads the memory back and greets no second time today.
  controller.reset();
  store.forget();
  AppController& again = started();
  EXPECT_EQ(again.greeter().memory, memory);
  time.advance(Seconds(6));
  EXPECT_FALSE(greeted());
  EXPECT_EQ(store.writeCount("greetings"), 0);
}

TEST_F(Greetings, NoneWithinTwoMinutesOfAnInteraction) {
  seedDue({});
  AppController& c = started();
  c.noteInteraction();
  time.advance(Seconds(6));
  EXPECT_FALSE(greeted()) << "clicked a second before the launch greeting";
  time.advance(Seconds(113.9));
  c.maybeGreet(GreetingMoment::launch());
  EXPECT_FALSE(greeted());
  time.advance(Seconds(0.1));
  c.maybeGreet(GreetingMoment::launch());
  EXPECT_TRUE(greeted());
}

TEST_F(Greetings, WelcomeBackAfterALongAbsenceAndNothingAfterAShortOne) {
  seedDue({});
  greetedThisMorning();
  AppController& c = started();
  time.advance(Seconds(10));
  desktop.events->onAwayChange(AwayReason::screensOff, true);
  time.advance(Seconds(600));
  desktop.events->onAwayChange(AwayReason::screensOff, false);
  time.advance(Seconds(4));
  EXPECT_FALSE(greeted()) << "15 minutes away is no absence worth a welcome";

  desktop.events->onAwayChange(AwayReason::systemSleep, true);
  time.jumpTo(addSeconds(time.now(), 2400));
  desktop.events->onAwayChange(AwayReason::systemSleep, false);
  time.advance(Seconds(3.1));
  ASSERT_TRUE(greeted());
  EXPECT_TRUE(among(GreetingLines::welcomeBack(), said())) << said().toStdString();
  // Two attempts came (the presence's and the system events'); one line
  // was said and written.
  EXPECT_EQ(c.greeter().memory.recent.size(), 1u);
  EXPECT_EQ(store.writeCount("greetings"), 1);
}

TEST_F(Greetings, ACheerFollowsACompletedReminderAfterTwoPointSixSeconds) {
  AppSettings s;
  s.tinyMessages = TinyMessages::greetingsAndNudges;
  seedDue({}, s);
  greetedThisMorning();
  AppController& c = started();
  // Nothing at launch (the draw says no cute line) ...
  c.greetingDraw = [] { return 0.99; };
  time.advance(Seconds(10));
  ASSERT_FALSE(greeted());
  // ... and a cheer after a done (the draw says yes).
  c.greetingDraw = [] { return 0.0; };
  c.remindNow(c.model().reminders().front());
  c.bubble().model().onDone();
  time.advance(Seconds(2.5));
  EXPECT_FALSE(greeted());
  time.advance(Seconds(0.2));
  ASSERT_TRUE(greeted());
  EXPECT_TRUE(among(GreetingLines::cheer(), said())) << said().toStdString();
}

TEST_F(Greetings, BlockedMomentsSayNothing) {
  AppSettings s;
  s.tinyMessages = TinyMessages::greetingsAndNudges;
  seedDue({}, s);
  AppController& c = started();
  const AppIdentity video{"io.mpv", "mpv", 4242};
  struct Case {
    const char* name;
    std::function<void()> block;
    std::function<void()> unblock;
  };
  const Case cases[] = {
      {"a reminder", [&] { c.remindNow(c.model().reminders().front()); },
       [&] { c.finishReminder(Resolution::skip()); }},
      {"a message", [&] { c.showInfo("Hi", "there"); }, [&] { c.hideBubble(); }},
      {"the intention form",
       [&] { c.showBubble(BubbleUse::intentionForm, BubbleContent::message("Form", "stand-in")); },
       [&] { c.hideBubble(); }},
      {"night", [&] { change([](AppSettings& s) { s.modes.manualMode = AwarenessMode::night; }); },
       [&] { change([](AppSettings& s) { s.modes.manualMode = AwarenessMode::work; }); }},
      {"a timed pause", [&] { c.pause(600); }, [&] { c.resume(); }},
      {"a pause", [&] { c.pause(std::nullopt); }, [&] { c.resume(); }},
      {"quiet hours",
       [&] { change([](AppSettings& s) {
               s.quietHours = QuietHours{true, 0, 1439};
             }); },
       [&] { change([](AppSettings& s) { s.quietHours.isEnabled = false; }); }},
      {"a call", [&] { desktop.probes->microphone = {"Talk"}; },
       [&] { desktop.probes->microphone.clear(); }},
      {"a full screen that keeps the character shown",
       [&] {
         change([](AppSettings& s) {
           s.stayQuiet.fullscreen = FullscreenPolicy::anyApp;
           s.stayQuiet.hideGlimmetInFullscreen = false;
         });
         desktop.probes->fullscreenPids = {video.pid};
         desktop.workspace->activate(video);
       },
       [&] { desktop.workspace->activate(std::nullopt); }},
      {"the character hidden", [&] { change([](AppSettings& s) { s.showCompanion = false; }); },
       [&] { change([](AppSettings& s) { s.showCompanion = true; }); }},
      {"an unfinished tour", [&] { change([](AppSettings& s) { s.onboardingCompleted = false; }); },
       [&] { change([](AppSettings& s) { s.onboardingCompleted = true; }); }},
      {"tiny messages off",
       [&] { change([](AppSettings& s) { s.tinyMessages = TinyMessages::off; }); },
       [&] { change([](AppSettings& s) { s.tinyMessages = TinyMessages::greetingsAndNudges; }); }},
  };
  time.advance(Seconds(200));
  c.greeting().finishAnimations();
  ASSERT_FALSE(greeted()) << "the launch greeting is gone";
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    c.greeter().memory = {};
    store.forget();
    k.block();
    c.maybeGreet(GreetingMoment::launch());
    EXPECT_FALSE(greeted());
    EXPECT_EQ(store.writeCount("greetings"), 0);
    EXPECT_EQ(c.greeter().memory, GreetingDirector::Memory{});
    k.unblock();
  }
  // With every block gone the same attempt speaks.
  c.maybeGreet(GreetingMoment::launch());
  EXPECT_TRUE(greeted());
}

TEST_F(Greetings, SummoningAHiddenCharacterAsksForTheLaunchGreetingAfterTwoAndAHalfSeconds) {
  AppSettings s;
  s.showCompanion = false;
  seedDue({}, s);
  AppController& c = started();
  time.advance(Seconds(10));
  c.summonCompanion();
  time.advance(Seconds(2.4));
  EXPECT_FALSE(greeted());
  time.advance(Seconds(0.2));
  EXPECT_TRUE(greeted());
  // Summoning a character already there plays its arrival and greets not.
  c.summonCompanion();
  EXPECT_TRUE(c.pendingGreetings().empty());
}

TEST_F(Greetings, APreviewShowsALineOfTheHourWhateverTheRulesAndRemembersNothing) {
  AppSettings s;
  s.tinyMessages = TinyMessages::off;
  s.showCompanion = false;
  seedDue({}, s);
  AppController& c = started();
  // 02:00 has no greetings of its own: the evening's stand in.
  time.jumpTo(addSeconds(Calendar().startOfDay(time.now()), 86400 + 2 * 3600));
  c.greetingDraw = [] { return 0.0; };
  c.model().actions.previewGreeting();
  time.advance(Seconds(0.4));
  ASSERT_TRUE(greeted()) << "the character came back for it";
  EXPECT_EQ(said().toStdString(), GreetingLines::greeting(DayPart::evening).front());
  EXPECT_EQ(store.writeCount("greetings"), 0);
  EXPECT_EQ(c.greeter().memory, GreetingDirector::Memory{});
}

}  // namespace
}  // namespace pimble::testing
