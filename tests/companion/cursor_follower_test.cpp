#include <gtest/gtest.h>

#include <vector>

#include "companion/cursor_follower.h"
#include "companion/pointer_motion.h"
#include "support/desktop_peers.h"

namespace pimble {
namespace {

TEST(EyeLook, OffsetGrowsThenHoldsThenReleases) {
  const QPointF eye(100, 100);
  EXPECT_EQ(EyeLook::offset(eye, {110, 100}), QPointF(0, 0));
  EXPECT_EQ(EyeLook::offset(eye, {112, 100}), QPointF(0, 0));
  const auto right = EyeLook::offset(eye, {170, 100});
  ASSERT_TRUE(right);
  EXPECT_DOUBLE_EQ(right->x(), 2.25);
  EXPECT_DOUBLE_EQ(right->y(), 0);
  const auto up = EyeLook::offset(eye, {100, 400});
  ASSERT_TRUE(up);
  EXPECT_DOUBLE_EQ(up->x(), 0);
  EXPECT_DOUBLE_EQ(up->y(), 3.6);
  EXPECT_FALSE(EyeLook::offset(eye, {600, 100}));
  EXPECT_TRUE(EyeLook::offset(eye, {599.9, 100}));
  EXPECT_FALSE(EyeLook::offset(eye, {1e308, 1e308}));
}

// A follower on a hand-set clock and pointer, sampled by the test; with
// `reportsMotion` its desktop tells of movements, as XInput 2 does.
struct Rig {
  double now = 10;
  std::optional<QPointF> pointer = QPointF(0, 0);
  std::optional<QPointF> eye = QPointF(0, 0);
  std::vector<std::optional<QPointF>> looks;
  std::function<void()> report;
  int watches = 0;
  int cancels = 0;
  CursorFollower follower;

  explicit Rig(bool reportsMotion = false) : follower(environment(reportsMotion)) {
    follower.eyeScreenPoint = [this] { return eye; };
    follower.onLook = [this](std::optional<QPointF> o) { looks.push_back(o); };
    follower.start();
  }
  CursorFollower::Environment environment(bool reportsMotion) {
    CursorFollower::Environment env;
    env.uptime = [this] { return now; };
    env.cursor = [this] { return pointer; };
    env.sampleOnTimer = false;
    if (!reportsMotion) return env;
    env.watchMotion = [this](std::function<void()> onMotion) {
      ++watches;
      report = std::move(onMotion);
      return true;
    };
    env.stopWatchingMotion = [this] {
      ++cancels;
      report = nullptr;
    };
    return env;
  }
  // The pointer moves and the desktop says so.
  void reportMoveTo(QPointF p, double dt) {
    now += dt;
    pointer = p;
    ASSERT_TRUE(report);
    auto r = std::move(report);
    report = nullptr;
    r();
  }
  void moveTo(QPointF p, double dt) {
    now += dt;
    pointer = p;
    follower.sample();
  }
  void wait(double dt) {
    now += dt;
    follower.sample();
  }
};

TEST(CursorFollower, SamplesAtMostTwentyTimesASecondAndOnlyReportsChanges) {
  Rig r;
  r.moveTo({70, 0}, 0.05);
  ASSERT_EQ(r.looks.size(), 1u);
  EXPECT_EQ(r.looks.back(), QPointF(2.25, 0));
  // 0.03 s later: not handled; seen again on the next sample.
  r.moveTo({0, 300}, 0.03);
  EXPECT_EQ(r.looks.size(), 1u);
  r.wait(0.02);
  ASSERT_EQ(r.looks.size(), 2u);
  EXPECT_EQ(r.looks.back(), QPointF(0, 3.6));
  // A movement that gives the same offset reports nothing.
  r.moveTo({0, 310}, 0.05);
  EXPECT_EQ(r.looks.size(), 2u);
  // A still pointer is no movement.
  r.wait(0.05);
  EXPECT_EQ(r.looks.size(), 2u);
}

TEST(CursorFollower, RecentresThreeSecondsAfterTheLastMovement) {
  Rig r;
  r.moveTo({70, 0}, 0.05);
  r.wait(2.9);
  r.moveTo({80, 0}, 0.05);  // postpones the recentre
  r.wait(2.9);
  ASSERT_EQ(r.looks.size(), 2u);
  r.wait(0.1);
  ASSERT_EQ(r.looks.size(), 3u);
  EXPECT_FALSE(r.looks.back());
  r.wait(5);
  EXPECT_EQ(r.looks.size(), 3u);
}

TEST(CursorFollower, FarPointerReleasesOnceThenStaysQuiet) {
  Rig r;
  r.moveTo({70, 0}, 0.05);
  r.moveTo({700, 0}, 0.05);
  r.moveTo({800, 0}, 0.05);
  r.moveTo({900, 0}, 0.05);
  ASSERT_EQ(r.looks.size(), 2u);
  EXPECT_FALSE(r.looks.back());
  r.wait(4);
  EXPECT_EQ(r.looks.size(), 2u);
}

TEST(CursorFollower, StopRecentresOnlyTurnedEyesAndStartIsIdempotent) {
  Rig r;
  r.follower.start();
  r.moveTo({70, 0}, 0.05);
  r.follower.stop();
  ASSERT_EQ(r.looks.size(), 2u);
  EXPECT_FALSE(r.looks.back());
  r.follower.stop();
  r.moveTo({90, 0}, 0.05);  // stopped: no sampling
  EXPECT_EQ(r.looks.size(), 2u);
  r.follower.start();
  r.follower.stop();  // eyes centred: nothing to report
  EXPECT_EQ(r.looks.size(), 2u);
}

TEST(CursorFollower, NothingToLookFromOnlyCountsTheMovement) {
  Rig r;
  r.eye.reset();
  r.moveTo({70, 0}, 0.05);
  EXPECT_TRUE(r.looks.empty());
  // That movement was handled: another 0.01 s later waits for the next sample.
  r.eye = QPointF(0, 0);
  r.moveTo({80, 0}, 0.01);
  EXPECT_TRUE(r.looks.empty());
  r.wait(0.05);
  ASSERT_EQ(r.looks.size(), 1u);
  // An unreadable pointer is no movement.
  r.pointer.reset();
  r.wait(0.1);
  EXPECT_EQ(r.looks.size(), 1u);
}

TEST(CursorFollower, WhileTheDesktopReportsMotionTheRestingFollowerStillLooksOnceASecond) {
  Rig r(true);
  // Resting from the start: waiting for the desktop's report, and looking
  // once a second.
  EXPECT_FALSE(r.follower.isSamplingFast());
  EXPECT_TRUE(r.follower.isWatchingMotion());
  EXPECT_EQ(r.follower.nextSampleDelay(), CursorFollower::stillPollPeriod);
  EXPECT_EQ(r.watches, 1);

  // A report wakes it: the movement is handled at once, then 20 samples a
  // second while the pointer moves.
  r.reportMoveTo({70, 0}, 5);
  ASSERT_EQ(r.looks.size(), 1u);
  EXPECT_TRUE(r.follower.isSamplingFast());
  EXPECT_EQ(r.follower.nextSampleDelay(), CursorFollower::samplePeriod);
  r.moveTo({0, 300}, 0.05);
  EXPECT_EQ(r.looks.size(), 2u);

  // Still for a second: the sampling rests and waits for the next report.
  for (int i = 0; i < 19; ++i) r.wait(0.05);
  EXPECT_TRUE(r.follower.isSamplingFast());
  r.wait(0.05);
  EXPECT_FALSE(r.follower.isSamplingFast());
  EXPECT_EQ(r.watches, 2);
  EXPECT_EQ(r.follower.nextSampleDelay(), CursorFollower::stillPollPeriod);
  r.wait(1.0);
  r.wait(1.5);
  ASSERT_EQ(r.looks.size(), 3u);
  EXPECT_FALSE(r.looks.back());

  // Stopping drops the request; starting asks again.
  r.follower.stop();
  EXPECT_EQ(r.cancels, 1);
  EXPECT_FALSE(r.report);
  EXPECT_FALSE(r.follower.nextSampleDelay());
  r.follower.start();
  EXPECT_EQ(r.watches, 3);

  // Movement the desktop does not report (made through XTest) is seen by
  // the next look.
  r.moveTo({-70, 0}, CursorFollower::stillPollPeriod);
  ASSERT_EQ(r.looks.size(), 4u);
  EXPECT_EQ(r.looks.back(), QPointF(-2.25, 0));
  EXPECT_TRUE(r.follower.isSamplingFast());
  EXPECT_EQ(r.cancels, 2) << "no report is waited for while sampling fast";
}

TEST(CursorFollower, WithoutMotionReportsAStillPointerIsLookedAtOnceASecond) {
  Rig r;
  EXPECT_FALSE(r.follower.isSamplingFast());
  EXPECT_EQ(r.follower.nextSampleDelay(), CursorFollower::stillPollPeriod);
  r.wait(1);
  EXPECT_EQ(r.follower.nextSampleDelay(), CursorFollower::stillPollPeriod);
  // A slow look that finds the pointer moved samples fast again.
  r.moveTo({70, 0}, 1);
  EXPECT_EQ(r.looks.size(), 1u);
  EXPECT_TRUE(r.follower.isSamplingFast());
  EXPECT_EQ(r.follower.nextSampleDelay(), CursorFollower::samplePeriod);
  // A movement held back by the rate limit keeps the fast pace however long
  // the pointer was still before.
  r.now += 0.96;
  r.moveTo({0, 300}, 0.04);
  EXPECT_TRUE(r.follower.isSamplingFast());
  r.wait(0.05);
  EXPECT_EQ(r.looks.size(), 2u);
}

// The real XInput 2 watch on the headless desktop's X server. xdotool moves
// the pointer relatively, as a mouse does: its absolute moves are warps,
// which no device made and which raw events do not report.
TEST(PointerMotionWatch, ReportsTheNextMovementOnceOnTheRealServer) {
  if (auto why = testing::missingX()) GTEST_SKIP() << *why;
  if (auto why = testing::missingProgram("xdotool")) GTEST_SKIP() << *why;
  PointerMotionWatch watch;
  ASSERT_TRUE(watch.isAvailable());
  auto move = [] { return testing::runTool("xdotool", {"mousemove_relative", "--", "7", "5"}); };
  auto settle = [] { testing::waitUntil([] { return false; }, std::chrono::milliseconds(200)); };
  int reports = 0;
  ASSERT_TRUE(watch.watchOnce([&] { ++reports; }));
  // A still pointer reports nothing.
  settle();
  EXPECT_EQ(reports, 0);
  ASSERT_TRUE(move());
  EXPECT_TRUE(testing::waitUntil([&] { return reports == 1; }));
  EXPECT_FALSE(watch.isWatching());
  // Once: later movements report nothing until asked again.
  ASSERT_TRUE(move());
  settle();
  EXPECT_EQ(reports, 1);
  // A cancelled request reports nothing.
  ASSERT_TRUE(watch.watchOnce([&] { ++reports; }));
  watch.cancel();
  ASSERT_TRUE(move());
  settle();
  EXPECT_EQ(reports, 1);
  ASSERT_TRUE(watch.watchOnce([&] { ++reports; }));
  ASSERT_TRUE(move());
  EXPECT_TRUE(testing::waitUntil([&] { return reports == 2; }));
}

}  // namespace
}  // namespace pimble
