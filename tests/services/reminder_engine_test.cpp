#include "services/reminder_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace pimble {
namespace {

using Logs = std::vector<std::string>;
using Presence = ReminderEngine::Presence;

const Calendar berlin = *Calendar::named("Europe/Berlin");
Date local(int y, int mo, int d, int h, int mi) {
  return *berlin.dateFrom(y, mo, d, h, mi);
}

Reminder make(ReminderKind kind, int interval = 45, int snooze = 10) {
  Reminder r;
  r.kind = kind;
  r.title = std::string(enumName(kind));
  r.intervalMinutes = interval;
  r.snoozeMinutes = snooze;
  return r;
}

// The owner, faked: a clock that moves only when told, an idle time, a
// blocked flag, and a log of every callback and wake-up in the order they came,
// wake-ups written as seconds after the rig's start.
struct Rig {
  Date t0, now;
  double idle = 0;
  bool blocked = false;
  std::optional<Date> armed;
  int arms = 0;
  Logs log;
  ScheduleSnapshot saved;
  ReminderEngine engine;

  explicit Rig(Date start) : t0(start), now(start) {
    engine.environment = {[this] { return now; }, [this] { return idle; }, berlin,
                          [this](std::optional<Date> d) {
                            armed = d;
                            ++arms;
                            log.push_back("arm " + at(d));
                          },
                          [this] { return blocked; }};
    engine.onDeliver = [this](const Reminder& r) { log.push_back("deliver " + r.title); };
    engine.onResolved = [this](const Reminder& r, const Resolution&, Date) {
      log.push_back("resolved " + r.title);
    };
    engine.onNeedsPersist = [this] {
      log.push_back("persist");
      saved = engine.snapshot();
    };
    engine.onPresenceChange = [this](Presence p) {
      log.push_back("presence " + std::string(enumName(p)));
    };
    engine.onActiveCleared = [this](const Reminder& r) { log.push_back("cleared " + r.title); };
  }
  std::string at(std::optional<Date> d) const {
    if (!d) return "none";
    const long seconds = std::lround(secondsSince1970(*d) - secondsSince1970(t0));
    return (seconds < 0 ? "" : "+") + std::to_string(seconds);
  }
  // Seconds from now until the reminder's countdown runs out.
  double in(const Reminder& r) const {
    return secondsSince1970(engine.scheduler().runtime.at(r.id).nextDue) - secondsSince1970(now);
  }
  void advance(double s) { now = addSeconds(now, s); }
  // Runs one operation with a fresh log; every operation that evaluates arms exactly once.
  template <class F>
  Logs act(F&& operation) {
    log.clear();
    const int before = arms;
    operation();
    EXPECT_EQ(arms, before + 1) << testing::PrintToString(log);
    return log;
  }
  Logs start(std::vector<Reminder> list, std::optional<ScheduleSnapshot> snap = std::nullopt) {
    return act([&] { engine.start(std::move(list), snap); });
  }
  // Lets time pass to the armed wake-up and fires it, as the owner's timer does.
  Logs fire() {
    EXPECT_TRUE(armed);
    now = *armed;
    return act([&] { engine.evaluate(); });
  }
};

TEST(ReminderEngine, DeliversInDueOrderWithAMinuteBetween) {
  Rig rig(local(2026, 6, 10, 10, 0));
  auto water = make(ReminderKind::water), stretch = make(ReminderKind::stretch);
  EXPECT_EQ(rig.start({stretch, water}), (Logs{"arm +2700"}));
  EXPECT_EQ(rig.fire(), (Logs{"arm none", "deliver water"}));
  rig.advance(10);
  EXPECT_EQ(rig.act([&] { rig.engine.resolve(Resolution::done()); }),
            (Logs{"resolved water", "persist", "arm +2770"}));
  EXPECT_EQ(rig.saved.runtime.at(water.id.string()).nextDue, addSeconds(rig.now, 2700));
  rig.blocked = true;  // a check-in holds the stage
  EXPECT_EQ(rig.fire(), (Logs{"arm +2800"}));
  rig.blocked = false;
  EXPECT_EQ(rig.fire(), (Logs{"arm none", "deliver stretch"}));
  EXPECT_EQ(rig.act([&] { rig.engine.resolve(Resolution::done()); }),
            (Logs{"resolved stretch", "persist", "arm +5410"}));
  rig.engine.resolve(Resolution::skip());  // nothing showing: nothing happens
  EXPECT_EQ(rig.log.size(), 3u);
}

TEST(ReminderEngine, QuietHoursHoldAndEndAcrossTheSpringChange) {
  Rig rig(local(2026, 3, 28, 22, 50));  // Berlin moves to summer time at 02:00 that night
  auto water = make(ReminderKind::water, 30), owl = make(ReminderKind::custom, 30);
  owl.respectsQuietHours = false;
  EXPECT_EQ(rig.start({water, owl}), (Logs{"presence quietHours", "arm +1800"}));
  EXPECT_EQ(rig.fire(), (Logs{"arm none", "deliver custom"}));
  // The water reminder is due too, but waits for the end of the window.
  EXPECT_EQ(rig.act([&] { rig.engine.resolve(Resolution::done()); }),
            (Logs{"resolved custom", "persist", "arm +3600"}));
  rig.act([&] { rig.engine.setReminders({water}); });
  EXPECT_EQ(rig.armed, local(2026, 3, 29, 7, 0));
  EXPECT_EQ(secondsSince1970(*rig.armed) - secondsSince1970(rig.now), 7 * 3600 - 1200);
  EXPECT_EQ(rig.fire(), (Logs{"persist", "presence awake", "arm +25820"}));
  EXPECT_EQ(rig.in(water), 1800);  // restarted from the end of the window
  EXPECT_EQ(rig.fire(), (Logs{"arm +27600"}));
}

TEST(ReminderEngine, QuietEndsThatTheCalendarCannotPlaceDoNotSilenceADay) {
  // A hand-edited end minute names no time of day; the window it gives ends
  // at midnight.
  Rig rig(local(2026, 6, 10, 23, 58));
  rig.engine.quietHours.endMinutes = -30;
  rig.start({make(ReminderKind::water)});
  EXPECT_EQ(rig.at(rig.armed), "+120");
  EXPECT_EQ(rig.fire(), (Logs{"persist", "presence awake", "arm +140"}));

  // 02:10 in the hour that Berlin repeats when summer time ends: a window
  // ending at 02:30 holds again, and ends at the second 02:30, not tomorrow.
  Rig autumn(*parseISO8601("2026-10-25T01:10:00Z"));
  autumn.engine.quietHours.endMinutes = 150;
  autumn.start({make(ReminderKind::water)});
  EXPECT_EQ(autumn.at(autumn.armed), "+1200");
  EXPECT_EQ(autumn.fire(), (Logs{"persist", "presence awake", "arm +1220"}));
}

TEST(ReminderEngine, QuietHoursHoldAgainInTheRepeatedHour) {
  // Quiet from 03:01 to 02:59 in Berlin: on the night summer time ends the
  // window closes at the first 02:59 and holds again from the second 02:00.
  Rig rig(*parseISO8601("2026-10-24T18:00:00Z"));
  rig.engine.quietHours = {true, 181, 179};
  EXPECT_EQ(rig.start({}), (Logs{"presence quietHours", "arm +25140"}));  // 00:59Z
  EXPECT_EQ(rig.fire(), (Logs{"persist", "presence awake", "arm +25160"}));
  EXPECT_EQ(rig.fire(), (Logs{"arm +25200"}));                         // 01:00Z, the second 02:00
  EXPECT_EQ(rig.fire(), (Logs{"presence quietHours", "arm +28740"}));  // the second 02:59
  EXPECT_EQ(rig.fire(), (Logs{"persist", "presence awake", "arm +28760"}));
  EXPECT_EQ(rig.fire(), (Logs{"arm +28860"}));  // 03:01 CET
  EXPECT_EQ(rig.fire(), (Logs{"presence quietHours", "arm +115140"}));

  // In spring the window may begin inside the skipped hour: it holds from 03:00.
  Rig spring(local(2026, 3, 28, 12, 0));
  spring.engine.quietHours = {true, 150, 600};
  spring.start({});
  EXPECT_EQ(spring.armed, local(2026, 3, 29, 3, 0));
  EXPECT_EQ(spring.fire(), (Logs{"presence quietHours", "arm +75600"}));  // 10:00
}

TEST(ReminderEngine, IdleUserHoldsAndALongAbsenceCountsAsAMovementBreak) {
  Rig rig(local(2026, 6, 10, 10, 0));
  auto water = make(ReminderKind::water), stretch = make(ReminderKind::stretch);
  rig.start({water, stretch});
  rig.idle = 360;
  EXPECT_EQ(rig.fire(), (Logs{"arm +2730"}));
  EXPECT_EQ(rig.fire(), (Logs{"arm +2760"}));
  rig.idle = 2;
  EXPECT_EQ(rig.fire(), (Logs{"persist", "arm +2775"}));
  EXPECT_EQ(rig.in(stretch), 2700);
  EXPECT_EQ(rig.in(water), -60);
  EXPECT_EQ(rig.fire(), (Logs{"arm none", "deliver water"}));

  // A threshold of a minute and a two-minute absence: a hold, but no break.
  Rig shortIdle(local(2026, 6, 10, 10, 0));
  shortIdle.engine.idleThreshold = 60;
  shortIdle.start({stretch});
  shortIdle.idle = 120;
  EXPECT_EQ(shortIdle.fire(), (Logs{"arm +2730"}));
  shortIdle.idle = 0;
  EXPECT_EQ(shortIdle.fire(), (Logs{"arm +2745"}));
  EXPECT_EQ(shortIdle.fire(), (Logs{"arm none", "deliver stretch"}));

  Rig almost(local(2026, 6, 10, 10, 0));
  almost.start({stretch});
  almost.idle = 299;
  EXPECT_EQ(almost.fire(), (Logs{"arm none", "deliver stretch"}));
}

TEST(ReminderEngine, ThreeUnansweredShowingsWaitAFullInterval) {
  Rig rig(local(2026, 6, 10, 10, 0));
  auto water = make(ReminderKind::water, 45, 10);
  rig.start({water});
  for (int showing = 1; showing <= 3; ++showing) {
    EXPECT_EQ(rig.fire(), (Logs{"arm none", "deliver water"}));
    rig.engine.resolve(Resolution::timedOut());
    EXPECT_EQ(rig.in(water), showing < 3 ? 600 : 2700) << showing;
  }
}

TEST(ReminderEngine, PausesAndAbsencesFreezeEveryCountdown) {
  Rig rig(local(2026, 6, 10, 10, 0));
  auto water = make(ReminderKind::water);
  rig.start({water});
  rig.advance(600);
  EXPECT_EQ(rig.act([&] { rig.engine.pause(1800); }),
            (Logs{"persist", "presence paused", "arm +2400"}));
  EXPECT_EQ(rig.engine.snapshot().frozenSince, rig.now);
  EXPECT_EQ(rig.fire(), (Logs{"persist", "persist", "presence awake", "arm +4500"}));
  EXPECT_EQ(rig.in(water), 2100);  // exactly where it stood when the pause began
  EXPECT_EQ(rig.engine.holdUntil(), std::nullopt);

  EXPECT_EQ(rig.act([&] { rig.engine.setAway(AwayReason::screenLocked, true); }),
            (Logs{"presence away", "arm none"}));
  rig.advance(7200);
  rig.engine.setAway(AwayReason::screenLocked, true);  // already in force: nothing
  EXPECT_EQ(rig.act([&] { rig.engine.setAway(AwayReason::screenLocked, false); }),
            (Logs{"persist", "presence awake", "arm +9620"}));
  EXPECT_EQ(rig.in(water), 2100);
}

TEST(ReminderEngine, CountdownsSetDuringAFreezeRunFromTheThaw) {
  Rig rig(local(2026, 6, 10, 10, 0));
  // Eye rest's snooze outlasts its interval, so a countdown moved too far
  // stays within its longest wait and nothing clamps it back.
  auto water = make(ReminderKind::water, 45, 10), eyes = make(ReminderKind::eyeRest, 20, 60),
       walk = make(ReminderKind::walk, 90, 15), posture = make(ReminderKind::posture, 30, 10);
  rig.start({water, eyes, walk, posture});
  rig.engine.setSuppressedKinds({ReminderKind::posture});
  rig.advance(600);
  rig.engine.pause(1800);
  rig.advance(900);
  rig.engine.deliverNow(water);  // "Give me a reminder" during the pause
  rig.engine.resolve(Resolution::snooze());
  rig.advance(300);
  eyes.intervalMinutes = 25;
  auto stretch = make(ReminderKind::stretch, 60);
  rig.engine.setReminders({water, eyes, walk, posture, stretch});
  rig.advance(100);
  rig.engine.setSuppressedKinds({});
  // While frozen the countdowns stand still from the start of the freeze.
  EXPECT_EQ(rig.saved.frozenSince, addSeconds(rig.t0, 600));
  EXPECT_EQ(rig.saved.runtime.at(water.id.string()).nextDue, addSeconds(rig.t0, 1200));
  EXPECT_EQ(rig.fire(), (Logs{"persist", "persist", "presence awake", "arm +3000"}));
  EXPECT_EQ(rig.in(water), 600);
  EXPECT_EQ(rig.in(eyes), 1500);
  EXPECT_EQ(rig.in(stretch), 3600);
  EXPECT_EQ(rig.in(posture), 1800);
  EXPECT_EQ(rig.in(walk), 4800);  // set before the pause: exactly where it stood

  // A "Give me a reminder" answered during an absence, then the machine sleeps on.
  rig.engine.setAway(AwayReason::screensOff, true);
  rig.advance(7200);
  rig.engine.deliverNow(walk);
  rig.engine.resolve(Resolution::done());
  rig.advance(3600);
  rig.engine.setAway(AwayReason::screensOff, false);
  EXPECT_EQ(rig.in(walk), 5400);
  EXPECT_EQ(rig.in(water), 600);
}

TEST(ReminderEngine, AClockSetBackHoldsNothingLongerThanItsOwnLength) {
  const Date t0 = local(2026, 6, 10, 10, 0);
  auto water = make(ReminderKind::water), stretch = make(ReminderKind::stretch, 60);
  ScheduleSnapshot snap;
  snap.savedAt = t0;
  snap.runtime[water.id.string()] = {t0, 0};
  snap.runtime[stretch.id.string()] = {addSeconds(t0, -7200), 0};  // long overdue
  Rig rig(t0);
  rig.start({water, stretch}, snap);
  EXPECT_EQ(rig.act([&] { rig.engine.resolve(Resolution::done()); }),
            (Logs{"resolved water", "persist", "arm +60"}));
  rig.advance(-3600);  // the wall clock goes back an hour
  EXPECT_EQ(rig.act([&] { rig.engine.evaluate(); }), (Logs{"persist", "arm -3540"}));
  EXPECT_EQ(rig.in(water), 2700);  // its countdown is bounded by its interval again
  EXPECT_EQ(rig.fire(), (Logs{"arm none", "deliver stretch"}));

  // The grace after an absence is 20 s from now, not from the old time.
  rig.engine.resolve(Resolution::skip());
  rig.advance(120);
  rig.engine.setAway(AwayReason::screenLocked, true);
  rig.engine.setAway(AwayReason::screenLocked, false);
  rig.advance(-3600);
  EXPECT_EQ(rig.act([&] { rig.engine.evaluate(); }), (Logs{"persist", "arm -7000"}));
  EXPECT_EQ(rig.engine.holdUntil(), addSeconds(rig.now, 20));
}

TEST(ReminderEngine, ASnoozeOfChosenMinutesOutlastsTheIntervalAndIsSavedOnce) {
  Rig rig(local(2026, 6, 10, 10, 0));
  auto water = make(ReminderKind::water, 20, 10);
  rig.start({water});
  rig.fire();
  EXPECT_EQ(rig.act([&] { rig.engine.resolve(Resolution::snooze(25)); }),
            (Logs{"resolved water", "persist", "arm +2700"}));
  // The saved schedule keeps the chosen length through a restart.
  Rig restarted(rig.now);
  restarted.start({water}, rig.saved);
  EXPECT_EQ(restarted.in(water), 1500);
}

TEST(ReminderEngine, AFreezeThatSeemsToBeginAfterNowMovesNoCountdownEarlier) {
  // The clock set back during a pause: the freeze start follows the clock.
  const Date t0 = local(2026, 6, 10, 10, 0);
  Rig rig(t0);
  auto water = make(ReminderKind::water), walk = make(ReminderKind::walk, 90);
  rig.start({water, walk});
  rig.advance(600);
  rig.engine.pause(std::nullopt);
  const Date walkDue = rig.engine.scheduler().runtime.at(walk.id).nextDue;
  rig.advance(-600);
  rig.engine.evaluate();
  rig.advance(300);
  rig.engine.resume();
  EXPECT_EQ(rig.engine.scheduler().runtime.at(walk.id).nextDue, addSeconds(walkDue, 300));

  // A stored freeze decades ahead (a hand-edited file) counts from now.
  ScheduleSnapshot snap;
  snap.savedAt = t0;
  snap.pausedIndefinitely = true;
  snap.frozenSince = addSeconds(t0, 32 * 365.25 * 86400);
  snap.runtime[water.id.string()] = {addSeconds(t0, 600), 0};
  Rig edited(t0);
  edited.start({water}, snap);
  edited.advance(100);
  edited.engine.resume();
  EXPECT_EQ(edited.in(water), 600);
}

TEST(ReminderEngine, StartSkipsTheTimeTheProgramWasNotRunning) {
  const Date t0 = local(2026, 6, 10, 10, 0);
  auto water = make(ReminderKind::water);
  ScheduleSnapshot snap;
  snap.savedAt = addSeconds(t0, -7200);
  snap.runtime[water.id.string()] = {addSeconds(t0, -7200 + 300), 1};
  Rig rig(t0);
  rig.start({water}, snap);
  EXPECT_EQ(rig.in(water), 300);
  EXPECT_EQ(rig.engine.scheduler().runtime.at(water.id).ignoreCount, 1);

  // Saved while paused: nothing moves at start; the whole freeze counts at resume.
  snap.frozenSince = snap.savedAt;
  snap.pausedIndefinitely = true;
  Rig paused(t0);
  EXPECT_EQ(paused.start({water}, snap), (Logs{"presence paused", "arm none"}));
  EXPECT_EQ(paused.in(water), -6900);
  paused.advance(100);
  paused.engine.resume();
  EXPECT_EQ(paused.in(water), 300);

  // A countdown that lies beyond its longest wait from the start of a stored
  // freeze (a hand-edited file) runs a full interval from the thaw.
  snap.runtime[water.id.string()] = {addSeconds(t0, 600), 0};
  Rig edited(t0);
  edited.start({water}, snap);
  edited.advance(100);
  edited.engine.resume();
  EXPECT_EQ(edited.in(water), 2700);

  // A hand-edited schedule cannot silence a reminder for years.
  snap = {};
  snap.savedAt = earliestDate();
  snap.runtime[water.id.string()] = {t0, 0};
  Rig ancient(t0);
  ancient.start({water}, snap);
  EXPECT_EQ(ancient.in(water), 2700);
}

TEST(ReminderEngine, KindsHeldBackByTheModeAndReleased) {
  Rig rig(local(2026, 6, 10, 10, 0));
  auto posture = make(ReminderKind::posture, 30), water = make(ReminderKind::water, 45);
  rig.start({posture, water});
  const std::set<ReminderKind> relax{ReminderKind::posture, ReminderKind::takeBreak};
  EXPECT_EQ(rig.act([&] { rig.engine.setSuppressedKinds(relax); }), (Logs{"arm +2700"}));
  rig.advance(2000);  // posture is overdue but held back
  EXPECT_EQ(rig.act([&] { rig.engine.evaluate(); }), (Logs{"arm +2700"}));
  rig.log.clear();
  rig.engine.setSuppressedKinds(relax);
  EXPECT_TRUE(rig.log.empty());
  EXPECT_EQ(rig.act([&] { rig.engine.setSuppressedKinds({}); }), (Logs{"persist", "arm +2700"}));
  EXPECT_EQ(rig.in(posture), 1800);
}

TEST(ReminderEngine, KindsHeldBackBeforeStartHoldFromTheFirstLook) {
  // Posture overdue since before the last quit, in the quiet hours of a
  // night: the kinds set before start() are only noted, no presence or
  // wake-up is reported before the stored schedule is in, and the first
  // evaluation already holds posture back.
  Rig rig(local(2026, 6, 10, 23, 0));
  auto posture = make(ReminderKind::posture, 30), water = make(ReminderKind::water, 45);
  posture.respectsQuietHours = water.respectsQuietHours = false;
  ScheduleSnapshot snap;
  snap.savedAt = rig.now;
  snap.runtime[posture.id.string()] = {addSeconds(rig.now, -30), 0};
  snap.runtime[water.id.string()] = {addSeconds(rig.now, 600), 0};
  rig.engine.setSuppressedKinds({ReminderKind::posture, ReminderKind::takeBreak});
  EXPECT_TRUE(rig.log.empty());
  EXPECT_EQ(rig.start({posture, water}, snap), (Logs{"presence quietHours", "arm +600"}));
  EXPECT_FALSE(rig.engine.active());
}

TEST(ReminderEngine, DeliverNowBypassesHoldsButNeverReplacesAShowingReminder) {
  Rig rig(local(2026, 6, 10, 23, 0));  // inside quiet hours, and paused too
  auto water = make(ReminderKind::water), stretch = make(ReminderKind::stretch);
  rig.start({water, stretch});
  rig.engine.pause(std::nullopt);
  EXPECT_EQ(rig.act([&] { rig.engine.deliverNow(stretch); }),
            (Logs{"arm none", "deliver stretch"}));
  rig.log.clear();
  rig.engine.deliverNow(water);
  EXPECT_TRUE(rig.log.empty());
  EXPECT_EQ(rig.engine.active()->id, stretch.id);
}

TEST(ReminderEngine, EditingTheListKeepsOrRestartsCountdowns) {
  Rig rig(local(2026, 6, 10, 10, 0));
  auto water = make(ReminderKind::water), stretch = make(ReminderKind::stretch, 60);
  stretch.isEnabled = false;
  rig.start({water, stretch});
  rig.advance(600);
  water.title = "Sip";
  stretch.isEnabled = true;
  rig.engine.setReminders({water, stretch});
  EXPECT_EQ(rig.in(water), 2100);
  EXPECT_EQ(rig.in(stretch), 3600);

  rig.engine.deliverNow(water);
  water.intervalMinutes = 30;
  water.isEnabled = false;  // the shown reminder is switched off
  EXPECT_EQ(rig.act([&] {
    rig.engine.setReminders({water, stretch, stretch});
  }),
            (Logs{"cleared Sip", "persist", "arm +4200"}));
  EXPECT_EQ(rig.in(water), 1800);
  rig.engine.resolve(Resolution::done());  // nothing is active any more
  EXPECT_EQ(rig.engine.lastResolvedAt(), std::nullopt);
  // The later duplicate got an identifier of its own.
  const auto& listed = rig.engine.reminders();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[1].id, stretch.id);
  EXPECT_NE(listed[2].id, stretch.id);
  EXPECT_EQ(rig.engine.scheduler().runtime.size(), 3u);
}

TEST(ReminderEngine, FinishedBreakRestartsSmallerBreaksDueWithinTenMinutes) {
  const Date t0 = local(2026, 6, 10, 10, 0);
  auto brk = make(ReminderKind::takeBreak, 120), walk = make(ReminderKind::walk, 90),
       stretch = make(ReminderKind::stretch, 60), eyes = make(ReminderKind::eyeRest, 20),
       water = make(ReminderKind::water, 45);
  ScheduleSnapshot snap;
  snap.savedAt = t0;
  const std::vector<std::pair<Reminder*, int>> dueAt{
      {&brk, 0}, {&walk, 600}, {&stretch, 601}, {&eyes, 300}, {&water, 5}};
  for (auto [r, due] : dueAt) snap.runtime[r->id.string()] = {addSeconds(t0, due), 0};
  Rig rig(t0);
  rig.start({brk, walk, stretch, eyes, water}, snap);
  ASSERT_EQ(rig.log.back(), "deliver takeBreak");
  rig.engine.resolve(Resolution::done());
  EXPECT_EQ(rig.in(walk), 5400);  // at exactly ten minutes: restarted
  EXPECT_EQ(rig.in(stretch), 601);
  EXPECT_EQ(rig.in(eyes), 1200);
  EXPECT_EQ(rig.in(water), 5);
}

TEST(ReminderEngine, EmptyProvidersAndCallbacksAreNeverCalled) {
  ReminderEngine engine({nullptr, nullptr, Calendar(), nullptr, nullptr});
  engine.start({make(ReminderKind::water, 0)}, std::nullopt);
  engine.deliverNow(engine.reminders().front());
  engine.resolve(Resolution::snooze(0));
  engine.pause(std::nullopt);
  EXPECT_EQ(engine.presence(), Presence::paused);
  EXPECT_EQ(engine.snapshot().runtime.size(), 1u);
}

}  // namespace
}  // namespace pimble
