// The owner's wake-up timers on the fake time source, and the real source on
// Qt timers with a shifted wall clock standing in for clock changes.
#include <gtest/gtest.h>

#include "support/desktop_peers.h"
#include "system/fake_time_source.h"
#include "system/system_time_source.h"
#include "system/wake_timer.h"

namespace pimble {
namespace {

using pimble::testing::waitUntil;

void pause(int ms) {
  waitUntil([] { return false; }, std::chrono::milliseconds(ms));
}

TEST(WakeTimer, MinimumDelayAndToleranceOfBothEngines) {
  FakeTimeSource clock;
  for (auto limits : {WakeTimer::reminderLimits, WakeTimer::awarenessLimits}) {
    WakeTimer timer(clock, limits);
    int fired = 0;
    timer.onFire = [&] { ++fired; };
    // A date in the past still waits the minimum delay, tolerance 0.5 s.
    timer.arm(addSeconds(clock.now(), -3600));
    EXPECT_DOUBLE_EQ((*timer.dueDate() - clock.now()).count(), limits.minimumDelay.count());
    EXPECT_DOUBLE_EQ(timer.tolerance()->count(), 0.5);
    clock.advance(limits.minimumDelay * 0.99);
    EXPECT_EQ(fired, 0);
    clock.advance(limits.minimumDelay * 0.02);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer.isArmed());
    // 5 % of 200 s, then the engine's ceiling.
    timer.arm(addSeconds(clock.now(), 200));
    EXPECT_DOUBLE_EQ(timer.tolerance()->count(), 10.0);
    timer.arm(addSeconds(clock.now(), 1200));
    EXPECT_DOUBLE_EQ(timer.tolerance()->count(), limits.longestTolerance.count());
    clock.advance(Seconds(1199.9));
    EXPECT_EQ(fired, 1);
    clock.advance(Seconds(5000));
    EXPECT_EQ(fired, 2);
  }
}

TEST(WakeTimer, ReArmingReplacesAndAbsurdDatesStayValid) {
  FakeTimeSource clock;
  WakeTimer timer(clock, WakeTimer::reminderLimits);
  std::vector<double> firedAfter;
  const Date start = clock.now();
  timer.onFire = [&] {
    firedAfter.push_back((clock.now() - start).count());
    // The engine asks for its next wake-up from inside the firing.
    if (firedAfter.size() < 3) timer.arm(addSeconds(clock.now(), 60));
  };
  timer.arm(addSeconds(start, 100));
  timer.arm(addSeconds(start, 40));
  EXPECT_EQ(clock.pendingCount(), 1u);
  clock.advance(Seconds(1000));
  EXPECT_EQ(firedAfter, (std::vector<double>{40, 100, 160}));
  timer.arm(addSeconds(clock.now(), 10));
  timer.arm(std::nullopt);
  EXPECT_EQ(clock.pendingCount(), 0u);

  timer.arm(dateFromSeconds(1e300));
  EXPECT_LE(*timer.dueDate(), latestDate());
  timer.arm(dateFromSeconds(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_GE(*timer.dueDate(), clock.now());
  SystemTimeSource real;
  WakeTimer far(real, WakeTimer::awarenessLimits);
  far.arm(dateFromSeconds(1e300));
  EXPECT_TRUE(far.isArmed());
}

TEST(WakeTimer, AFarDateIsWaitedForAnHourAtATime) {
  FakeTimeSource clock;
  for (auto limits : {WakeTimer::reminderLimits, WakeTimer::awarenessLimits}) {
    WakeTimer timer(clock, limits);
    const Date far = addSeconds(clock.now(), 365.0 * 86400);
    int fired = 0;
    // The owner evaluates and asks for the same far date again, as an
    // engine with nothing due before it does.
    timer.onFire = [&] {
      ++fired;
      timer.arm(far);
    };
    timer.arm(far);
    EXPECT_DOUBLE_EQ((*timer.dueDate() - clock.now()).count(), 3600);
    EXPECT_DOUBLE_EQ(timer.tolerance()->count(), limits.longestTolerance.count());
    clock.advance(Seconds(3599));
    EXPECT_EQ(fired, 0);
    clock.advance(Seconds(3 * 3600 + 1));
    EXPECT_EQ(fired, 4);
    timer.arm(std::nullopt);
  }
}

TEST(WakeTimer, KeepsItsWallClockDateWhenTheClockJumps) {
  FakeTimeSource clock;
  WakeTimer timer(clock, WakeTimer::reminderLimits);
  int fired = 0;
  timer.onFire = [&] { ++fired; };
  timer.arm(addSeconds(clock.now(), 3600));
  clock.jumpTo(addSeconds(clock.now(), -3600));  // set back an hour
  clock.advance(Seconds(3600 * 1.9));
  EXPECT_EQ(fired, 0);
  clock.advance(Seconds(3600 * 0.1));
  EXPECT_EQ(fired, 1);
  timer.arm(addSeconds(clock.now(), 600));
  clock.jumpTo(addSeconds(clock.now(), 7200));  // forward past it, or a wake
  EXPECT_EQ(fired, 2);

  // A clock set by hand is noticed and passes no time on the steady clock.
  int notices = 0;
  clock.onClockChanged = [&] { ++notices; };
  const Seconds steady = clock.steadyNow();
  clock.setClock(addSeconds(clock.now(), -3600));
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(clock.steadyNow(), steady);
}

// The real source with a wall clock the test shifts.
struct ShiftedClock {
  double offset = 0;
};

TEST(SystemTimeSource, FiresOnTimeAndReArmsWhenTheClockIsSet) {
  auto shift = std::make_shared<ShiftedClock>();
  SystemTimeSource source([shift] { return addSeconds(systemNow(), shift->offset); });
  const Date due = addSeconds(source.now(), 0.3);
  Date firedAt{};
  std::unique_ptr<ScheduledCall> call;
  // A callback may destroy its own handle.
  call = source.callAt(due, Seconds(0), [&] {
    firedAt = source.now();
    call.reset();
  });
  ASSERT_TRUE(waitUntil([&] { return firedAt != Date{}; }));
  EXPECT_GE(firedAt, due);
  bool cancelledFired = false;
  source.callAfter(Seconds(0.05), Seconds(0), [&] { cancelledFired = true; });

  int notices = 0;
  source.onClockChanged = [&] { ++notices; };
  bool forward = false, back = false;
  auto a = source.callAfter(Seconds(3600), Seconds(30), [&] { forward = true; });
  shift->offset = 3600;  // set an hour ahead: overdue now
  source.clockChanged();
  EXPECT_TRUE(waitUntil([&] { return forward; }, std::chrono::seconds(2)));
  auto b = source.callAfter(Seconds(0.4), Seconds(0), [&] { back = true; });
  shift->offset = 0;  // set back an hour: an hour away again
  source.clockChanged();
  pause(700);
  EXPECT_FALSE(back);
  EXPECT_FALSE(cancelledFired);
  EXPECT_EQ(notices, 2);
}

TEST(SystemTimeSource, LooksAtTheWallClockAgainAfterEachStep) {
  // No clock-change notice (as after a missed resume): the step bound alone
  // brings the call to its wall-clock date.
  auto shift = std::make_shared<ShiftedClock>();
  SystemTimeSource source([shift] { return addSeconds(systemNow(), shift->offset); }, Seconds(0.1));
  bool fired = false;
  auto call = source.callAfter(Seconds(3600), Seconds(30), [&] { fired = true; });
  pause(200);
  EXPECT_FALSE(fired);
  shift->offset = 3600;
  EXPECT_TRUE(waitUntil([&] { return fired; }, std::chrono::seconds(1)));
}

}  // namespace
}  // namespace pimble
