#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "companion/cape_rig.h"
#include "companion/cloth_simulation.h"
#include "companion/glimmet_pose.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/manual_clock.h"

namespace pimble {
namespace {

double loopPeriod(const CapeRig& cape) {
  auto a = cape.clothMask->animationForKey("cape");
  return a ? a->duration : 0;
}

// The largest distance between matching points of two paths of one shape.
double maxGap(const QPainterPath& a, const QPainterPath& b) {
  if (a.elementCount() != b.elementCount()) return 1e9;
  double gap = 0;
  for (int i = 0; i < a.elementCount(); ++i) {
    gap = std::max(
        gap, std::hypot(a.elementAt(i).x - b.elementAt(i).x, a.elementAt(i).y - b.elementAt(i).y));
  }
  return gap;
}

QPainterPath shownOutline(const CapeRig& cape, double t) {
  return valueAs<QPainterPath>(cape.clothMask->presentationValue("path", t), {});
}

TEST(CapeIdleLoop, PeriodsByIntensityAndSleep) {
  ManualClock clock;
  CapeRig cape;
  EXPECT_EQ(loopPeriod(cape), 0);  // fresh: the rest pose, no loop
  cape.restart();
  EXPECT_DOUBLE_EQ(loopPeriod(cape), 3.6);
  auto loop = std::dynamic_pointer_cast<KeyframeAnimation>(cape.clothMask->animationForKey("cape"));
  ASSERT_EQ(loop->values.size(), 37u);
  EXPECT_LT(maxGap(valueAs<QPainterPath>(loop->values.front(), {}),
                   valueAs<QPainterPath>(loop->values.back(), {})),
            1e-9);  // seamless
  EXPECT_DOUBLE_EQ(cape.tails->animationForKey("cape")->duration, 0.75 * 3.6);
  cape.setSleeping(true);
  EXPECT_DOUBLE_EQ(loopPeriod(cape), 5.4);
  EXPECT_DOUBLE_EQ(cape.state(0).ripple, 1.6);
  cape.setSleeping(false);
  cape.setIntensity(AnimationIntensity::reduced);
  EXPECT_DOUBLE_EQ(loopPeriod(cape), 7.2);
  auto swing = std::dynamic_pointer_cast<KeyframeAnimation>(cape.tails->animationForKey("cape"));
  EXPECT_DOUBLE_EQ(valueAs<double>(swing->values[1], 0), -0.04);
  cape.setIntensity(AnimationIntensity::off);
  EXPECT_EQ(loopPeriod(cape), 0);
  EXPECT_DOUBLE_EQ(cape.state(0).wind.dx, -0.048);
  cape.setIntensity(AnimationIntensity::normal);
  cape.setActive(false);
  EXPECT_EQ(loopPeriod(cape), 0);
}

TEST(CapeIdleLoop, EachStepOfTheLoopIsDrawnOnce) {
  ManualClock clock;
  CapeRig cape;
  cape.back->setRasterizationScale(1.5);
  cape.restart();
  QImage image(330, 465, QImage::Format_ARGB32_Premultiplied);
  const auto playLoop = [&] {  // painted 30 times a second
    for (int frame = 0; frame < 3 * 36; ++frame) {
      image.fill(Qt::transparent);
      QPainter p(&image);
      p.scale(1.5, 1.5);
      cape.back->paint(p, clock.now());
      p.end();
      clock.advance(1.0 / 30);
    }
  };
  playLoop();
  const long firstLoop = cape.back->rasterDraws();
  // One picture a step.
  EXPECT_EQ(firstLoop, cape.loopSteps());
  playLoop();
  playLoop();
  EXPECT_EQ(cape.back->rasterDraws(), firstLoop);
}

TEST(ClothSimulationTest, HandsBackToTheIdleLoopWithoutAJump) {
  ManualClock clock;
  CapeRig cape;
  cape.restart();
  clock.advance(1.3);
  const QPainterPath before = shownOutline(cape, clock.now());
  cape.beginDrag();
  cape.endDrag();
  ASSERT_TRUE(cape.isSimulating());
  EXPECT_EQ(loopPeriod(cape), 0);
  // The first tick starts from the idle loop's frame.
  clock.advance(1.0 / 60);
  EXPECT_LT(maxGap(before, cape.clothMask->path()), 0.5);
  cape.gust(7, -2.5);
  double lastGap = 0;
  QPainterPath last = cape.clothMask->path();
  for (int i = 0; i < 60 * 8 && cape.isSimulating(); ++i) {
    last = cape.clothMask->path();
    clock.advance(1.0 / 60);
  }
  ASSERT_FALSE(cape.isSimulating());
  EXPECT_DOUBLE_EQ(loopPeriod(cape), 3.6);
  lastGap = maxGap(last, shownOutline(cape, clock.now()));
  EXPECT_LT(lastGap, 1.0);
  // A new drag right away starts from the loop's current frame.
  clock.advance(0.4);
  const QPainterPath looping = shownOutline(cape, clock.now());
  cape.beginDrag();
  clock.advance(1.0 / 60);
  EXPECT_LT(maxGap(looping, cape.clothMask->path()), 1.0);
}

TEST(ClothSimulationTest, DragReportsRaisedArmLeanAndPeakSpeed) {
  ManualClock clock;
  CapeRig cape;
  std::vector<std::optional<HandSide>> poses;
  std::vector<double> leans;
  cape.onFlightPose = [&](std::optional<HandSide> side) { poses.push_back(side); };
  cape.onLean = [&](double a) { leans.push_back(a); };
  cape.beginDrag();
  for (int i = 0; i < 30; ++i) {
    cape.dragMoved(25, 0);  // 1500 points a second to the right
    clock.advance(1.0 / 60);
  }
  EXPECT_GE(cape.lastFlightPeakSpeed(), 1400);
  EXPECT_LT(leans.back(), -0.1);  // leaning into the motion
  for (int i = 0; i < 30; ++i) {
    cape.dragMoved(-25, 0);
    clock.advance(1.0 / 60);
  }
  ASSERT_EQ(poses.size(), 2u);
  EXPECT_EQ(poses[0], HandSide::right);
  EXPECT_EQ(poses[1], HandSide::left);
  // Held still: the velocity decays with a 0.12 s time constant.
  clock.advance(1.0);
  EXPECT_LT(std::abs(cape.simulation().velocity().dx), 1);
  clock.advance(10);
  EXPECT_TRUE(cape.isSimulating());  // never ends while dragged
  cape.endDrag();
  clock.advance(1.0 / 60);
  EXPECT_EQ(poses.back(), std::nullopt);
  clock.advance(5);
  EXPECT_FALSE(cape.isSimulating());
  EXPECT_EQ(leans.back(), 0);
  EXPECT_GE(cape.lastFlightPeakSpeed(), 1400);  // kept until the next drag
  cape.beginDrag();
  EXPECT_EQ(cape.lastFlightPeakSpeed(), 0);
}

TEST(ClothSimulationTest, IntensityGatesAndScalesGusts) {
  ManualClock clock;
  CapeRig cape;
  cape.setIntensity(AnimationIntensity::off);
  cape.gust(5, 0);
  cape.beginDrag();
  EXPECT_FALSE(cape.isSimulating());
  cape.setIntensity(AnimationIntensity::reduced);
  cape.gust(4, 2);
  EXPECT_DOUBLE_EQ(cape.simulation().windVelocity().dx, 2);
  EXPECT_DOUBLE_EQ(cape.simulation().windVelocity().dy, 1);
  cape.setActive(false);  // ends at once, without the idle loop
  EXPECT_FALSE(cape.isSimulating());
  EXPECT_EQ(loopPeriod(cape), 0);
}

}  // namespace
}  // namespace pimble
