// The reminder road on fake time and fake desktop services, with the real
// character and bubble windows: delivery, answers, time-outs, withdrawal,
// presence, pause, the commands and the next-reminder summary.
#include "app/controller_harness.h"
#include "models/schedule_snapshot.h"

namespace pimble::testing {
namespace {

using Effect = SoundService::Effect;
using Presence = ReminderEngine::Presence;

class ReminderRoad : public ControllerTest {
 protected:
  std::optional<Date> nextDue(ReminderKind kind) {
    const auto& runtime = controller->engine().scheduler().runtime;
    auto it = runtime.find(reminder(kind).id);
    if (it == runtime.end()) return std::nullopt;
    return it->second.nextDue;
  }
  std::int64_t count(ReminderAction action, ReminderKind kind, std::optional<Date> day = {}) {
    const DayRecord record =
        controller->model().progress().summary(day.value_or(time.now())).record;
    const auto& table = action == ReminderAction::done      ? record.done
                        : action == ReminderAction::snoozed ? record.snoozed
                                                            : record.skipped;
    auto it = table.find(std::string(enumName(kind)));
    return it == table.end() ? 0 : it->second;
  }
  bool showsReminder(const Reminder& r) {
    return controller->bubble().isShown() && controller->bubbleUse() == BubbleUse::reminder &&
           controller->bubbleSubject() == r.id;
  }
};

TEST_F(ReminderRoad, ADueReminderSpeaksAndDoneIsCountedCheeredAndSaved) {
  std::vector<Reminder> list = seedDue({{ReminderKind::water, 0}, {ReminderKind::stretch, 600}});
  list[0].soundEnabled = true;
  store.save(RemindersFile{list}, "reminders");
  AppController& c = started();
  const Reminder& water = reminder(ReminderKind::water);

  ASSERT_TRUE(showsReminder(water));
  EXPECT_EQ(animator().base(), GlimmetState::water);
  EXPECT_EQ(played(), std::vector<Effect>{Effect::reminder});
  EXPECT_TRUE(desktop.notifier->postedReminders.empty());
  EXPECT_NEAR(secondsUntil(c.bubbleTimeoutDue()), 120, 1e-6);

  time.advance(Seconds(30));
  store.forget();
  c.bubble().model().onDone();
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_FALSE(c.bubbleTimeoutDue());
  EXPECT_EQ(desktop.notifier->cleared, std::vector<Uuid>{water.id});
  EXPECT_EQ(count(ReminderAction::done, ReminderKind::water), 1);
  EXPECT_EQ(played().back(), Effect::done);
  EXPECT_EQ(animator().base(), GlimmetState::idle);
  EXPECT_EQ(shownState(), GlimmetState::celebration);
  // The schedule is on disk before anything else happens; progress follows
  // 0.4 s later.
  EXPECT_GE(store.writeCount("schedule"), 1);
  EXPECT_EQ(store.writeCount("progress"), 0);
  time.advance(Seconds(0.5));
  EXPECT_EQ(store.writeCount("progress"), 1);
  // Water restarts a full interval; the stretch is next, due 570 s after.
  time.advance(Seconds(601));
  ASSERT_TRUE(c.engine().active());
  EXPECT_EQ(c.engine().active()->kind, ReminderKind::stretch);
}

TEST_F(ReminderRoad, TheTimeOutWaitsFifteenSecondsAtLeastAndCountsNothing) {
  for (auto [setting, expected] : {std::pair{0, 15.0}, {5, 15.0}, {15, 15.0}, {16, 16.0}}) {
    SCOPED_TRACE(setting);
    AppSettings s;
    s.bubbleTimeoutSeconds = setting;
    seedDue({{ReminderKind::water, 0}}, s);
    controller.reset();
    AppController& c = started();
    ASSERT_TRUE(c.engine().active());
    EXPECT_NEAR(secondsUntil(c.bubbleTimeoutDue()), expected, 1e-6);
    time.advance(Seconds(expected - 0.5));
    EXPECT_TRUE(c.engine().active());
    time.advance(Seconds(1));
    EXPECT_FALSE(c.engine().active());
    EXPECT_FALSE(c.bubble().isShown());
    EXPECT_EQ(c.engine().scheduler().runtime.at(reminder(ReminderKind::water).id).ignoreCount, 1);
    EXPECT_EQ(count(ReminderAction::done, ReminderKind::water) +
                  count(ReminderAction::skipped, ReminderKind::water) +
                  count(ReminderAction::snoozed, ReminderKind::water),
              0);
    time.advance(Seconds(120));
  }
}

TEST_F(ReminderRoad, TheReminderSoundFollowsItsOwnSwitchAndTheNight) {
  std::vector<Reminder> list = seedDue({});
  AppSettings night;
  night.onboardingCompleted = true;
  night.quietHours.isEnabled = false;
  night.modes.manualMode = AwarenessMode::night;
  store.save(night, "settings");
  AppController& c = started();
  Reminder loud = reminder(ReminderKind::water);
  loud.soundEnabled = true;
  Reminder silent = reminder(ReminderKind::stretch);

  c.remindNow(loud);
  ASSERT_TRUE(c.engine().active());
  EXPECT_TRUE(played().empty()) << "the night keeps reminders quiet";
  c.finishReminder(Resolution::skip());

  change([](AppSettings& s) {
    s.modes.manualMode = AwarenessMode::work;
    s.soundEffects = false;
  });
  ASSERT_FALSE(desktop.sounds->effectsEnabled);
  c.remindNow(silent);
  EXPECT_TRUE(played().empty());
  c.finishReminder(Resolution::skip());
  // The reminder's own sound does not ask the sound-effects switch.
  c.remindNow(loud);
  EXPECT_EQ(played(), std::vector<Effect>{Effect::reminder});
  // ... but the done sound does.
  c.finishReminder(Resolution::done());
  EXPECT_EQ(played(), std::vector<Effect>{Effect::reminder});
}

TEST_F(ReminderRoad, AReminderOverdueAtLaunchObeysTheStoredMode) {
  // Time while the program is not running counts toward no countdown: a
  // reminder overdue at quit is overdue at once at the next start.
  AppSettings relax;
  relax.modes.manualMode = AwarenessMode::relax;
  seedDue({{ReminderKind::posture, -30}, {ReminderKind::stretch, 600}}, relax);
  AppController& c = started();
  EXPECT_FALSE(c.engine().active()) << "relax holds posture back from the first look";
  EXPECT_FALSE(c.bubble().isShown());
  time.advance(Seconds(601));
  ASSERT_TRUE(c.engine().active());
  EXPECT_EQ(c.engine().active()->kind, ReminderKind::stretch);

  // The night lets the reminder come, without its sound.
  controller.reset();
  AppSettings night;
  night.modes.manualMode = AwarenessMode::night;
  std::vector<Reminder> list = seedDue({{ReminderKind::water, -30}}, night);
  for (Reminder& r : list) r.soundEnabled = true;
  store.save(RemindersFile{list}, "reminders");
  AppController& n = started();
  ASSERT_TRUE(n.engine().active());
  EXPECT_EQ(played(Effect::reminder), 0);
}

TEST_F(ReminderRoad, AHiddenCharacterPostsANotificationAndTakesOnlyItsOwnAnswers) {
  AppSettings s;
  s.showCompanion = false;
  seedDue({{ReminderKind::stretch, 0}}, s);
  AppController& c = started();
  const Reminder& stretch = reminder(ReminderKind::stretch);
  ASSERT_EQ(desktop.notifier->postedReminders.size(), 1u);
  EXPECT_EQ(desktop.notifier->postedReminders[0].id, stretch.id);
  EXPECT_FALSE(c.bubble().isShown());
  const std::string summary = c.model().nextReminderSummary();
  const GlimmetState base = animator().base();

  // Another reminder's notification answers nothing.
  desktop.notifier->onAction(Uuid::generate(), NotificationService::Action::done);
  EXPECT_TRUE(c.engine().active());

  desktop.notifier->onAction(stretch.id, NotificationService::Action::snooze);
  EXPECT_FALSE(c.engine().active());
  EXPECT_EQ(desktop.notifier->cleared, std::vector<Uuid>{stretch.id});
  EXPECT_EQ(count(ReminderAction::snoozed, ReminderKind::stretch), 1);
  EXPECT_EQ(played(), std::vector<Effect>{Effect::snooze});
  // The snooze is the reminder's own length.
  EXPECT_NEAR(secondsUntil(nextDue(ReminderKind::stretch)), 600, 1e-6);
  // Hidden: neither the character nor the summary is touched.
  EXPECT_EQ(animator().base(), base);
  EXPECT_EQ(c.model().nextReminderSummary(), summary);

  // With no reminder active, a late answer changes nothing either.
  desktop.notifier->onAction(stretch.id, NotificationService::Action::skip);
  EXPECT_EQ(count(ReminderAction::skipped, ReminderKind::stretch), 0);

  // Without notifications nothing shows, and the time-out still ends it.
  change([](AppSettings& s) { s.notifyWhenHidden = false; });
  c.remindNow(stretch);
  EXPECT_EQ(desktop.notifier->postedReminders.size(), 1u);
  time.advance(Seconds(121));
  EXPECT_FALSE(c.engine().active());
}

TEST_F(ReminderRoad, DoneCountsOnTheDayOfTheAnswerOnlyOnceAndCheersOnlyWhenSeen) {
  AppSettings s;
  s.soundEffects = false;
  s.showCompanion = false;
  seedDue({}, s);
  AppController& c = started();
  const Calendar calendar = c.engine().environment.calendar;
  // Shown a few seconds before midnight, answered after it.
  const Date midnight = calendar.startOfDay(calendar.addingDays(time.now(), 1));
  time.advance(midnight - time.now() - Seconds(5));
  c.remindNow(reminder(ReminderKind::water));
  const Date before = time.now();
  time.advance(Seconds(10));
  desktop.notifier->onAction(reminder(ReminderKind::water).id, NotificationService::Action::done);
  desktop.notifier->onAction(reminder(ReminderKind::water).id, NotificationService::Action::done);
  EXPECT_EQ(count(ReminderAction::done, ReminderKind::water), 1);
  EXPECT_EQ(count(ReminderAction::done, ReminderKind::water, before), 0);
  EXPECT_TRUE(played().empty()) << "effects are off";
  EXPECT_NE(shownState(), GlimmetState::celebration);
}

TEST_F(ReminderRoad, AnAnswerWhilePausedOrInQuietHoursRestsTheCharacterAsleep) {
  seedDue({{ReminderKind::eyeRest, 3000}});
  AppController& c = started();
  c.pause(std::nullopt);
  EXPECT_EQ(animator().base(), GlimmetState::sleeping);
  // Remind now goes past the pause.
  c.remindNow(reminder(ReminderKind::eyeRest));
  ASSERT_TRUE(c.engine().active());
  EXPECT_EQ(animator().base(), GlimmetState::eyeRest);
  c.bubble().model().onSkip();
  EXPECT_EQ(animator().base(), GlimmetState::sleeping);
  EXPECT_EQ(count(ReminderAction::skipped, ReminderKind::eyeRest), 1);
  EXPECT_TRUE(played().empty()) << "skip plays nothing";
  EXPECT_NE(shownState(), GlimmetState::happy) << "and has no reaction";
  EXPECT_NE(shownState(), GlimmetState::celebration);

  c.resume();
  EXPECT_EQ(animator().base(), GlimmetState::idle);
  const int minute = c.engine().environment.calendar.minuteOfDay(time.now());
  change([minute](AppSettings& s) {
    s.quietHours = QuietHours{true, minute, (minute + 60) % 1440};
  });
  EXPECT_EQ(c.engine().presence(), Presence::quietHours);
  c.remindNow(reminder(ReminderKind::eyeRest));
  c.bubble().model().onSnooze();
  EXPECT_EQ(animator().base(), GlimmetState::sleeping);
  EXPECT_EQ(count(ReminderAction::snoozed, ReminderKind::eyeRest), 1);
}

TEST_F(ReminderRoad, EveryPersistRequestIsWrittenAtOnce) {
  seedDue({{ReminderKind::water, 900}});
  AppController& c = started();
  store.forget();
  auto stored = [&] { return *store.load<ScheduleSnapshot>("schedule"); };
  c.pause(std::nullopt);
  EXPECT_TRUE(stored().pausedIndefinitely);
  c.resume();
  EXPECT_FALSE(stored().pausedIndefinitely);
  c.remindNow(reminder(ReminderKind::water));
  c.bubble().model().onSnooze();
  EXPECT_EQ(stored().runtime.at(reminder(ReminderKind::water).id.string()).nextDue,
            addSeconds(time.now(), 600));
  // All within the same instant: nothing was held back to be written later.
  EXPECT_GE(store.writeCount("schedule"), 4);
}

TEST_F(ReminderRoad, DisablingTheShownReminderWithdrawsItsBubbleAndNotification) {
  seedDue({{ReminderKind::posture, 0}, {ReminderKind::walk, 3000}});
  AppController& c = started();
  const Reminder posture = reminder(ReminderKind::posture);
  ASSERT_TRUE(showsReminder(posture));
  std::vector<Reminder> list = c.model().reminders();
  for (Reminder& r : list)
    if (r.id == posture.id) r.isEnabled = false;
  c.model().setReminders(list);
  EXPECT_FALSE(c.engine().active());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::none);
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_EQ(animator().base(), GlimmetState::idle);
  EXPECT_FALSE(c.bubbleTimeoutDue());
  EXPECT_EQ(desktop.notifier->cleared, std::vector<Uuid>{posture.id});
  EXPECT_EQ(c.model().nextReminderSummary(), "Next: Walk around in 50 min");

  // Shown as a notification and deleted: the notification goes.
  change([](AppSettings& s) { s.showCompanion = false; });
  const Reminder walk = reminder(ReminderKind::walk);
  c.remindNow(walk);
  ASSERT_EQ(desktop.notifier->postedReminders.back().id, walk.id);
  std::erase_if(list, [&](const Reminder& r) { return r.id == walk.id; });
  c.model().setReminders(list);
  EXPECT_EQ(desktop.notifier->cleared.back(), walk.id);
  EXPECT_FALSE(c.bubbleTimeoutDue());
}

TEST_F(ReminderRoad, APauseEndsTheShownReminderAndCountdownsResumeShiftedAfterThirtyMinutes) {
  seedDue({{ReminderKind::water, 0}, {ReminderKind::stretch, 1200}});
  AppController& c = started();
  ASSERT_TRUE(c.engine().active());
  const Date stretchDue = *nextDue(ReminderKind::stretch);

  c.model().actions.pause(1800);
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_EQ(c.engine().scheduler().runtime.at(reminder(ReminderKind::water).id).ignoreCount, 1);
  EXPECT_EQ(c.model().presence(), Presence::paused);
  EXPECT_EQ(c.model().nextReminderSummary(),
            "Paused until " + AppController::shortTime(addSeconds(time.now(), 1800)));
  EXPECT_EQ(animator().base(), GlimmetState::sleeping);

  time.advance(Seconds(1799));
  EXPECT_EQ(c.model().presence(), Presence::paused);
  time.advance(Seconds(1));
  EXPECT_EQ(c.model().presence(), Presence::awake);
  EXPECT_EQ(animator().base(), GlimmetState::idle);
  EXPECT_EQ(*nextDue(ReminderKind::stretch), addSeconds(stretchDue, 1800));
  // The unanswered water comes back before the stretch.
  EXPECT_EQ(c.model().nextReminderSummary(), "Next: Drink water in 10 min");

  // Until resumed.
  c.model().actions.pause(std::nullopt);
  EXPECT_TRUE(c.model().pausedIndefinitely());
  EXPECT_EQ(c.model().nextReminderSummary(), "Reminders paused");
  time.advance(Seconds(7200));
  EXPECT_EQ(c.model().presence(), Presence::paused);
  c.model().actions.resume();
  EXPECT_FALSE(c.model().pausedIndefinitely());

  // A pause that ends while the machine sleeps ends at wake.
  c.pause(1800);
  time.advance(Seconds(600));
  desktop.events->onAwayChange(AwayReason::systemSleep, true);
  EXPECT_EQ(c.model().presence(), Presence::away);
  time.jumpTo(addSeconds(time.now(), 3600));
  EXPECT_TRUE(c.model().pausedUntil()) << "nothing runs while it sleeps";
  desktop.events->onAwayChange(AwayReason::systemSleep, false);
  EXPECT_EQ(c.model().presence(), Presence::awake);
  EXPECT_FALSE(c.engine().isPaused());
}

TEST_F(ReminderRoad, PresenceReachesTheModelAndTheRestingCharacterAndGreetsOnReturn) {
  AppSettings s;
  s.idleThresholdMinutes = 5;
  seedDue({{ReminderKind::water, 5000}}, s);
  AppController& c = started();
  desktop.events->onAwayChange(AwayReason::screenLocked, true);
  EXPECT_EQ(c.model().presence(), Presence::away);
  EXPECT_EQ(animator().base(), GlimmetState::idle) << "away leaves the state as it is";
  time.advance(Seconds(600));
  c.pause(600);  // paused while away: the absence keeps its start
  time.advance(Seconds(600));
  desktop.events->onAwayChange(AwayReason::screenLocked, false);
  ASSERT_EQ(c.model().presence(), Presence::awake);
  // 1200 s away plus the 5-minute threshold, asked 1.5 s after the return;
  // the system events' own welcome back comes 3 s after it.
  const auto greetings = c.pendingGreetings();
  ASSERT_EQ(greetings.size(), 2u);
  EXPECT_NEAR(secondsUntil(greetings[0].first), 1.5, 1e-6);
  EXPECT_DOUBLE_EQ(greetings[0].second.awaySeconds, 1500);
  EXPECT_NEAR(secondsUntil(greetings[1].first), 3, 1e-6);
  EXPECT_DOUBLE_EQ(greetings[1].second.awaySeconds, 1200);

  // A presence change while a reminder is shown keeps its state.
  c.remindNow(reminder(ReminderKind::water));
  c.pause(std::nullopt);
  EXPECT_EQ(c.model().presence(), Presence::paused);
  c.remindNow(reminder(ReminderKind::water));
  c.resume();
  EXPECT_EQ(animator().base(), GlimmetState::water);
}

TEST_F(ReminderRoad, TheSummaryNamesTheNextDueReminderInWholeMinutesRoundedUp) {
  struct Case {
    std::vector<std::pair<ReminderKind, double>> due;
    std::string text;
  };
  const Case cases[] = {
      {{{ReminderKind::stretch, 540}, {ReminderKind::water, 250}}, "Next: Drink water in 5 min"},
      {{{ReminderKind::water, 60}}, "Next: Drink water in 1 min"},
      {{{ReminderKind::water, 61}}, "Next: Drink water in 2 min"},
      {{{ReminderKind::walk, 300}, {ReminderKind::water, 300}}, "Next: Drink water in 5 min"},
      {{}, "No reminders enabled"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    seedDue(k.due);
    controller.reset();
    EXPECT_EQ(started().model().nextReminderSummary(), k.text);
  }
  // Overdue but held back by a call: one minute.
  seedDue({{ReminderKind::water, 0}});
  controller.reset();
  make();
  desktop.probes->microphone = {"Talk"};
  AppController& c = started();
  time.advance(Seconds(300));
  EXPECT_FALSE(c.engine().active());
  EXPECT_EQ(c.nextReminderSummary(), "Next: Drink water in 1 min");
  // Quiet hours say so whatever is due.
  const int minute = c.engine().environment.calendar.minuteOfDay(time.now());
  change([minute](AppSettings& s) {
    s.quietHours = QuietHours{true, minute, (minute + 60) % 1440};
  });
  EXPECT_EQ(c.model().nextReminderSummary(), "Quiet hours: glimmet is sleeping");
  EXPECT_EQ(animator().base(), GlimmetState::sleeping);
}

TEST_F(ReminderRoad, PreviewsShowAStateForSixSecondsAndWaitThreeAtMostForTheCharacter) {
  seedDue({});
  AppController& c = started();
  c.model().actions.preview(GlimmetState::stretch);
  EXPECT_EQ(animator().base(), GlimmetState::stretch);
  time.advance(Seconds(5.9));
  EXPECT_EQ(animator().base(), GlimmetState::stretch);
  time.advance(Seconds(0.2));
  EXPECT_EQ(animator().base(), GlimmetState::idle);

  c.preview(GlimmetState::petted);
  EXPECT_EQ(shownState(), GlimmetState::petted);
  EXPECT_EQ(animator().base(), GlimmetState::idle);

  // A reminder shown meanwhile keeps the previewed state.
  c.preview(GlimmetState::walk);
  c.remindNow(reminder(ReminderKind::water));
  c.preview(GlimmetState::rest);
  time.advance(Seconds(7));
  EXPECT_EQ(animator().base(), GlimmetState::rest);
  c.finishReminder(Resolution::skip());

  // Switched off: the preview turns the character on and then shows.
  change([](AppSettings& s) { s.showCompanion = false; });
  c.preview(GlimmetState::water);
  EXPECT_TRUE(characterVisible());
  time.advance(Seconds(0.3));
  EXPECT_EQ(animator().base(), GlimmetState::water);
  time.advance(Seconds(7));

  // A quiet full screen keeps it hidden: tried for 3 s, then dropped.
  const AppIdentity video{"io.mpv", "mpv", 4242};
  change([](AppSettings& s) { s.stayQuiet.fullscreen = FullscreenPolicy::anyApp; });
  desktop.probes->fullscreenPids = {video.pid};
  desktop.workspace->activate(video);
  ASSERT_FALSE(characterVisible());
  c.preview(GlimmetState::eyeRest);
  time.advance(Seconds(2.9));
  EXPECT_TRUE(c.previewWaiting());
  time.advance(Seconds(0.5));
  EXPECT_FALSE(c.previewWaiting());
  EXPECT_NE(animator().base(), GlimmetState::eyeRest);
}

}  // namespace
}  // namespace pimble::testing
