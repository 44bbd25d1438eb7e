// The owner's wake-up timers on the fake time source, and the real source on
// Qt timers with a shifted wall clock standing in for clock changes.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "support/desktop_peers.h"
#include "system/fake_time_source.h"
#include "system/system_time_source.h"
#include "system/wake_timer.h"

namespace pimble {
namespace {

using pimble::testing::waitUntil;

TEST(WakeTimer, ToleranceGrowsWithTheWaitWithinItsBounds) {
  const auto tol = [](double interval, double longest) {
    return WakeTimer::toleranceFor(Seconds(interval), Seconds(longest)).count();
  };
  EXPECT_DOUBLE_EQ(tol(0.25, 30), 0.5);
  EXPECT_DOUBLE_EQ(tol(10, 30), 0.5);
  EXPECT_DOUBLE_EQ(tol(100, 30), 5.0);
  EXPECT_DOUBLE_EQ(tol(600, 30), 30.0);
  EXPECT_DOUBLE_EQ(tol(600, 15), 15.0);
  EXPECT_DOUBLE_EQ(tol(200, 15), 10.0);
}

TEST(WakeTimer, KeepsTheMinimumDelayAndFiresOnceAtTheDate) {
  FakeTimeSource clock;
  for (auto limits : {WakeTimer::reminderLimits, WakeTimer::awarenessLimits}) {
    WakeTimer timer(clock, limits);
    int fired = 0;
    timer.onFire = [&] { ++fired; };
    // A date in the past or right now still waits the minimum delay.
    timer.arm(addSeconds(clock.now(), -3600));
    ASSERT_TRUE(timer.isArmed());
    EXPECT_DOUBLE_EQ((*timer.dueDate() - clock.now()).count(), limits.minimumDelay.count());
    EXPECT_DOUBLE_EQ(timer.tolerance()->count(), 0.5);
    clock.advance(limits.minimumDelay * 0.99);
    EXPECT_EQ(fired, 0);
    clock.advance(limits.minimumDelay * 0.02);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer.isArmed());

    timer.arm(addSeconds(clock.now(), 1200));
    EXPECT_DOUBLE_EQ(timer.tolerance()->count(), limits.longestTolerance.count());
    clock.advance(Seconds(1199.9));
    EXPECT_EQ(fired, 1);
    clock.advance(Seconds(0.1));
    EXPECT_EQ(fired, 2);
    clock.advance(Seconds(5000));
    EXPECT_EQ(fired, 2);
  }
}

TEST(WakeTimer, ArmingAgainReplacesTheWakeUpAndNoneClearsIt) {
  FakeTimeSource clock;
  WakeTimer timer(clock, WakeTimer::reminderLimits);
  std::vector<Date> firedAt;
  timer.onFire = [&] {
    firedAt.push_back(clock.now());
    // The engine asks for its next wake-up from inside the firing.
    if (firedAt.size() < 3) timer.arm(addSeconds(clock.now(), 60));
  };
  const Date start = clock.now();
  timer.arm(addSeconds(start, 100));
  timer.arm(addSeconds(start, 40));
  EXPECT_EQ(clock.pendingCount(), 1u);
  clock.advance(Seconds(1000));
  ASSERT_EQ(firedAt.size(), 3u);
  EXPECT_DOUBLE_EQ((firedAt[0] - start).count(), 40);
  EXPECT_DOUBLE_EQ((firedAt[2] - start).count(), 160);

  timer.arm(addSeconds(clock.now(), 10));
  timer.arm(std::nullopt);
  EXPECT_FALSE(timer.isArmed());
  EXPECT_EQ(clock.pendingCount(), 0u);
  clock.advance(Seconds(100));
  EXPECT_EQ(firedAt.size(), 3u);
}

TEST(WakeTimer, AbsurdDatesStillMakeAValidTimer) {
  FakeTimeSource clock;
  WakeTimer timer(clock, WakeTimer::reminderLimits);
  timer.arm(dateFromSeconds(1e300));
  ASSERT_TRUE(timer.isArmed());
  EXPECT_LE(*timer.dueDate(), latestDate());
  EXPECT_DOUBLE_EQ(timer.tolerance()->count(), 30);
  timer.arm(dateFromSeconds(std::numeric_limits<double>::quiet_NaN()));
  ASSERT_TRUE(timer.isArmed());
  EXPECT_GE(*timer.dueDate(), clock.now());

  SystemTimeSource real;
  WakeTimer far(real, WakeTimer::awarenessLimits);
  far.arm(dateFromSeconds(1e300));
  EXPECT_TRUE(far.isArmed());
  far.arm(dateFromSeconds(-1e300));
  bool fired = false;
  far.onFire = [&] { fired = true; };
  EXPECT_TRUE(waitUntil([&] { return fired; }, std::chrono::seconds(3)));
}

TEST(WakeTimer, FollowsTheWallClockWhenItJumps) {
  FakeTimeSource clock;
  WakeTimer timer(clock, WakeTimer::reminderLimits);
  int fired = 0;
  timer.onFire = [&] { ++fired; };
  const Date due = addSeconds(clock.now(), 3600);
  timer.arm(due);
  // The clock is set back an hour: the wake-up keeps its wall-clock date.
  clock.jumpTo(addSeconds(clock.now(), -3600));
  clock.advance(Seconds(3600 * 1.5));
  EXPECT_EQ(fired, 0);
  clock.advance(Seconds(3600 * 0.5));
  EXPECT_EQ(fired, 1);
  // Forward past the date (a clock change or a wake from sleep): fires at once.
  timer.arm(addSeconds(clock.now(), 600));
  clock.jumpTo(addSeconds(clock.now(), 7200));
  EXPECT_EQ(fired, 2);
}

// The real source with a wall clock the test can shift.
struct ShiftedClock {
  double offset = 0;
  Date operator()() const { return addSeconds(systemNow(), offset); }
};

TEST(SystemTimeSource, FiresAtTheWallClockDateNotBefore) {
  SystemTimeSource source;
  QElapsedTimer elapsed;
  elapsed.start();
  const Date due = addSeconds(source.now(), 0.3);
  Date firedAt{};
  auto call = source.callAt(due, Seconds(0), [&] { firedAt = source.now(); });
  EXPECT_EQ(call->dueDate(), due);
  ASSERT_TRUE(waitUntil([&] { return firedAt != Date{}; }));
  EXPECT_GE(firedAt, due);

  // Destroying the handle cancels; a callback may destroy its own handle.
  bool cancelledFired = false;
  auto cancelled = source.callAfter(Seconds(0.05), Seconds(0), [&] { cancelledFired = true; });
  cancelled.reset();
  std::unique_ptr<ScheduledCall> self;
  int selfFired = 0;
  self = source.callAfter(Seconds(0.05), Seconds(0), [&] {
    ++selfFired;
    self.reset();
  });
  ASSERT_TRUE(waitUntil([&] { return selfFired == 1; }));
  waitUntil([] { return false; }, std::chrono::milliseconds(150));
  EXPECT_FALSE(cancelledFired);
  EXPECT_EQ(selfFired, 1);
}

TEST(SystemTimeSource, ReArmsWhenTheClockIsSetEitherWay) {
  auto shift = std::make_shared<ShiftedClock>();
  SystemTimeSource source([shift] { return (*shift)(); });
  bool forward = false, back = false;
  auto a = source.callAfter(Seconds(3600), Seconds(30), [&] { forward = true; });
  // Set an hour ahead: the call is overdue now.
  shift->offset = 3600;
  source.clockChanged();
  EXPECT_TRUE(waitUntil([&] { return forward; }, std::chrono::seconds(2)));
  // Set back an hour: a call due in 0.4 s is an hour away again.
  auto b = source.callAfter(Seconds(0.4), Seconds(0), [&] { back = true; });
  shift->offset = 0;
  source.clockChanged();
  waitUntil([] { return false; }, std::chrono::milliseconds(700));
  EXPECT_FALSE(back);
}

TEST(SystemTimeSource, LooksAtTheWallClockAgainAfterEachStep) {
  // No clock-change notice (as after a missed resume): the step bound alone
  // brings the call to the wall-clock date.
  auto shift = std::make_shared<ShiftedClock>();
  SystemTimeSource source([shift] { return (*shift)(); }, Seconds(0.1));
  bool fired = false;
  auto call = source.callAfter(Seconds(3600), Seconds(30), [&] { fired = true; });
  waitUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_FALSE(fired);
  shift->offset = 3600;
  EXPECT_TRUE(waitUntil([&] { return fired; }, std::chrono::seconds(1)));
}

}  // namespace
}  // namespace pimble
