#include <gtest/gtest.h>

#include <vector>

#include "companion/cursor_follower.h"

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

// A follower on a hand-set clock and pointer, sampled by the test.
struct Rig {
  double now = 10;
  std::optional<QPointF> pointer = QPointF(0, 0);
  std::optional<QPointF> eye = QPointF(0, 0);
  std::vector<std::optional<QPointF>> looks;
  CursorFollower follower;

  Rig()
      : follower(CursorFollower::Environment{[this] { return now; }, [this] { return pointer; },
                                             false}) {
    follower.eyeScreenPoint = [this] { return eye; };
    follower.onLook = [this](std::optional<QPointF> o) { looks.push_back(o); };
    follower.start();
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

}  // namespace
}  // namespace pimble
