#include "services/reminder_scheduler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pimble {
namespace {

const Date t0 = dateFromSeconds(1'780'000'000);

Reminder make(ReminderKind kind, int interval = 45, int snooze = 10) {
  Reminder r;
  r.kind = kind;
  r.intervalMinutes = interval;
  r.snoozeMinutes = snooze;
  return r;
}

double dueIn(const ReminderScheduler& s, const Reminder& r) {
  return secondsSince1970(s.runtime.at(r.id).nextDue) - secondsSince1970(t0);
}

TEST(ReminderScheduler, SyncAndShiftKeepExistingCountdowns) {
  auto water = make(ReminderKind::water), walk = make(ReminderKind::walk, 0);
  walk.isEnabled = false;
  ReminderScheduler s;
  s.sync({water, walk}, t0);
  EXPECT_EQ(dueIn(s, walk), 60);  // an interval of 0 counts as one minute
  water.intervalMinutes = 5;
  s.sync({water, walk}, addSeconds(t0, 100));
  EXPECT_EQ(dueIn(s, water), 2700);  // restarting an edited one is the engine's decision
  EXPECT_EQ(s.due({water, walk}, addSeconds(t0, 3000)).size(), 1u);  // never the disabled one
  for (double bad : {0.0, -600.0, std::nan("")}) s.shiftAll(bad);
  EXPECT_EQ(dueIn(s, water), 2700);
  s.shiftAll(600);
  EXPECT_EQ(dueIn(s, walk), 660);
  s.moveAll(-700);  // back to where a freeze began, past or not
  s.moveAll(std::nan(""));
  EXPECT_EQ(dueIn(s, walk), -40);
  EXPECT_EQ(dueIn(s, water), 2600);
  s.sync({}, t0);
  EXPECT_TRUE(s.runtime.empty());
}

TEST(ReminderScheduler, DueOrderPutsRankBeforeDueDate) {
  auto posture = make(ReminderKind::posture), water = make(ReminderKind::water);
  auto customLate = make(ReminderKind::custom), customEarly = make(ReminderKind::custom);
  auto notYet = make(ReminderKind::eyeRest);
  ReminderScheduler s;
  s.runtime[posture.id] = {addSeconds(t0, -500), 0};
  s.runtime[water.id] = {addSeconds(t0, -10), 0};
  s.runtime[customLate.id] = {t0, 0};  // due exactly now counts
  s.runtime[customEarly.id] = {addSeconds(t0, -1), 0};
  s.runtime[notYet.id] = {addSeconds(t0, 1), 0};
  const auto due = s.due({posture, water, customLate, customEarly, notYet}, t0);
  ASSERT_EQ(due.size(), 4u);
  EXPECT_EQ(due[0].id, customEarly.id);
  EXPECT_EQ(due[1].id, customLate.id);
  EXPECT_EQ(due[2].id, water.id);
  EXPECT_EQ(due[3].id, posture.id);
  const auto notPosture = [](const Reminder& r) { return r.kind != ReminderKind::posture; };
  EXPECT_EQ(s.earliestDue({posture, notYet}, notPosture), addSeconds(t0, 1));
  EXPECT_EQ(s.earliestDue({make(ReminderKind::walk)}, {}), std::nullopt);
}

TEST(ReminderScheduler, SnoozeAndUnansweredShowings) {
  const auto eyes = make(ReminderKind::eyeRest, 20, 5), water = make(ReminderKind::water, 45, 10);
  ReminderScheduler s;
  s.snooze(eyes, t0, std::nullopt);
  EXPECT_EQ(dueIn(s, eyes), 300);
  s.snooze(eyes, t0, 0);
  EXPECT_EQ(dueIn(s, eyes), 60);
  s.ignore(water, t0);  // no countdown yet: one is made
  EXPECT_EQ(dueIn(s, water), 600);
  EXPECT_EQ(s.runtime.at(water.id).ignoreCount, 1);
  // Counts from a hand-edited file neither overflow nor postpone the limit.
  s.runtime[water.id].ignoreCount = std::numeric_limits<std::int64_t>::max();
  s.ignore(water, t0);
  EXPECT_EQ(s.runtime.at(water.id).ignoreCount, 0);
  EXPECT_EQ(dueIn(s, water), 2700);
  s.runtime[water.id].ignoreCount = -1'000'000;
  s.ignore(water, t0);
  EXPECT_EQ(s.runtime.at(water.id).ignoreCount, 1);
}

TEST(ReminderScheduler, SnapshotRoundTripAndLongestWait) {
  auto water = make(ReminderKind::water), stretch = make(ReminderKind::stretch, 60, 90);
  ReminderScheduler s;
  s.sync({water, stretch}, t0);
  s.runtime[water.id].ignoreCount = 2;
  ScheduleSnapshot snap;
  snap.runtime = s.snapshotRuntime();
  snap.runtime["not a uuid"] = {t0, 0};
  EXPECT_EQ(ReminderScheduler(snap).runtime, s.runtime);
  // A snooze longer than the interval is a wait the reminder can have.
  s.snooze(stretch, t0, std::nullopt);
  EXPECT_FALSE(s.limitToLongestWait({water, stretch}, t0));
  // A countdown from an older file, which names no wait, may have either length.
  s.runtime[stretch.id] = {addSeconds(t0, 90 * 60), 0};
  EXPECT_FALSE(s.limitToLongestWait({water, stretch}, t0));
}

}  // namespace
}  // namespace pimble
