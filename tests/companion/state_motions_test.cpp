#include <gtest/gtest.h>

#include "companion/glimmet_artwork.h"
#include "companion/glimmet_rig.h"
#include "companion/layers/basic_animation.h"
#include "companion/layers/frame_driver.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/manual_clock.h"
#include "companion/state_motions.h"

namespace pimble {
namespace {

template <class A>
std::shared_ptr<A> animation(const LayerPtr& layer, const char* key) {
  return std::dynamic_pointer_cast<A>(layer->animationForKey(key));
}

int glyphCount(const GlimmetRig& rig, const char* name) {
  int n = 0;
  for (const auto& l : rig.fxLayer->sublayers()) n += l->name() == name ? 1 : 0;
  return n;
}

double opacityAt(const GlimmetRig& rig) {
  double best = 0;
  for (double t = 0; t < 3; t += 0.1) {
    best =
        std::max(best, valueAs<double>(rig.alertLayer->presentationValue("opacity", 100 + t), 0));
  }
  return best;
}

const GlimmetSprites& sprites() {
  static const GlimmetSprites s = GlimmetArtwork::makeSprites(1);
  return s;
}

TEST(StateMotions, HopKeyTimesAndTheReminderCycle) {
  auto [times, values] = StateMotions::hopFrames(10, 2, 0.42, 0, 0.45);
  ASSERT_EQ(times.size(), 6u);
  const std::vector<double> expected = {0, 0.225, 0.5, 0.5, 0.725, 1};
  for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(times[i], expected[i], 1e-12) << i;
  EXPECT_EQ(values, (std::vector<double>{0, 10, 0, 0, 10, 0}));

  ManualClock clock;
  GlimmetRig rig;
  rig.apply(GlimmetState::reminder);
  auto hop = animation<KeyframeAnimation>(rig.hopLayer, "state");
  ASSERT_TRUE(hop);
  EXPECT_DOUBLE_EQ(hop->duration, 3.0);  // three hops of 0.36 s and a 1.92 s pause
  EXPECT_TRUE(std::isinf(hop->repeatCount));
  EXPECT_TRUE(hop->additive);
  ASSERT_EQ(hop->values.size(), 10u);
  EXPECT_DOUBLE_EQ(hop->keyTimes.back(), 1);
  EXPECT_DOUBLE_EQ(valueAs<double>(hop->values.back(), -1), 0);
  EXPECT_NEAR(hop->keyTimes[1], 0.45 * 0.36 / 3.0, 1e-12);
  EXPECT_EQ(animation<KeyframeAnimation>(rig.handL, "state")->values[1],
            LayerValue(5.0));  // the hands wiggle 5 at their peak
  EXPECT_DOUBLE_EQ(animation<KeyframeAnimation>(rig.alertLayer, "state")->duration, 3.0);
}

TEST(StateMotions, ReducedIntensityHalvesAmplitudesAndDropsTheSway) {
  ManualClock clock;
  GlimmetRig rig;
  rig.setIntensity(AnimationIntensity::reduced);
  rig.apply(GlimmetState::idle);
  auto lift = animation<BasicAnimation>(rig.floatLayer, "float");
  ASSERT_TRUE(lift);
  EXPECT_DOUBLE_EQ(valueAs<double>(lift->to, 0), 2.75);
  EXPECT_DOUBLE_EQ(lift->duration, 2.8);
  EXPECT_EQ(rig.floatLayer->animationForKey("sway"), nullptr);
  EXPECT_DOUBLE_EQ(valueAs<double>(animation<BasicAnimation>(rig.breathLayer, "state")->to, 0),
                   1.004);

  rig.setIntensity(AnimationIntensity::normal);
  EXPECT_NE(rig.floatLayer->animationForKey("sway"), nullptr);
  EXPECT_DOUBLE_EQ(valueAs<double>(animation<BasicAnimation>(rig.floatLayer, "float")->to, 0), 5.5);
  // The float is the slow one while sleeping, and changes back after.
  rig.apply(GlimmetState::sleeping);
  EXPECT_TRUE(rig.floatIsSlow());
  EXPECT_TRUE(rig.cape.sleeping());
  EXPECT_DOUBLE_EQ(animation<BasicAnimation>(rig.floatLayer, "float")->duration, 4.6);
  auto slowFloat = rig.floatLayer->animationForKey("float");
  rig.apply(GlimmetState::idle);
  EXPECT_FALSE(rig.floatIsSlow());
  auto awakeFloat = rig.floatLayer->animationForKey("float");
  EXPECT_NE(awakeFloat, slowFloat);
  rig.apply(GlimmetState::happy);  // the same speed: the float keeps running
  EXPECT_EQ(rig.floatLayer->animationForKey("float"), awakeFloat);
}

TEST(StateMotions, LeavingAStateStopsItsMotionButNotTheFloat) {
  ManualClock clock;
  GlimmetRig rig;
  rig.installSprites(sprites(), 1);
  rig.apply(GlimmetState::reminder);
  clock.advance(1);
  EXPECT_GT(opacityAt(rig), 0);
  rig.apply(GlimmetState::idle);
  EXPECT_TRUE(rig.alertLayer->animationKeys().empty());
  EXPECT_EQ(rig.alertLayer->opacity(), 0);
  EXPECT_EQ(rig.hopLayer->animationForKey("state"), nullptr);
  EXPECT_EQ(rig.handL->animationForKey("state"), nullptr);
  EXPECT_NE(rig.floatLayer->animationForKey("float"), nullptr);

  rig.apply(GlimmetState::eyeRest);  // a moon and two stars
  EXPECT_EQ(glyphCount(rig, "fx"), 3);
  rig.apply(GlimmetState::walk);
  EXPECT_EQ(glyphCount(rig, "fx"), 0);
  EXPECT_NE(rig.poseLayer->animationForKey("state"), nullptr);
  rig.setIntensity(AnimationIntensity::off);
  for (const auto& l : {rig.hopLayer, rig.faceLayer, rig.floatLayer}) {
    EXPECT_TRUE(l->animationKeys().empty()) << l->name();
  }
  EXPECT_EQ(rig.poseLayer->animationForKey("state"), nullptr);
  // At off a state's pose comes at once and nothing moves.
  rig.apply(GlimmetState::checkIn);
  const auto shown = rig.poseLayer->presentationValue("transform", clock.now() + 0.01);
  EXPECT_EQ(shown, rig.poseLayer->modelValue("transform"));
  EXPECT_TRUE(rig.clockLayer->animationKeys().empty());
  EXPECT_EQ(rig.clockLayer->opacity(), 1);
}

TEST(StateMotions, BurstParticlesLeaveAfterTheirFlight) {
  ManualClock clock;
  GlimmetRig rig;
  rig.installSprites(sprites(), 1);
  rig.apply(GlimmetState::celebration);
  EXPECT_EQ(glyphCount(rig, "fx"), 10);
  clock.advance(1.2);
  EXPECT_EQ(glyphCount(rig, "fx"), 10);
  clock.advance(0.06);
  EXPECT_EQ(glyphCount(rig, "fx"), 0);
  rig.apply(GlimmetState::celebration);  // again: a new burst
  EXPECT_EQ(glyphCount(rig, "fx"), 10);
}

TEST(StateMotions, WaterWithoutSpritesStillSips) {
  ManualClock clock;
  GlimmetRig rig;
  rig.apply(GlimmetState::water);
  auto lift = animation<KeyframeAnimation>(rig.bottleLayer, "state");
  ASSERT_TRUE(lift);
  EXPECT_EQ(lift->values[2], LayerValue(QPointF(15, 30)));
  EXPECT_EQ(rig.handR->animationForKey("state"), lift);
  EXPECT_EQ(rig.eyeL->animationForKey("sip"), nullptr);
  EXPECT_EQ(glyphCount(rig, "fx"), 0);
  rig.installSprites(sprites(), 1);
  rig.apply(GlimmetState::water);
  auto sip = animation<KeyframeAnimation>(rig.eyeL, "sip");
  ASSERT_TRUE(sip);
  EXPECT_EQ(sip->calculationMode, CalculationMode::discrete);
  EXPECT_EQ(glyphCount(rig, "fx"), 5);  // three droplets, two stars
}

TEST(StateMotions, PoseChangesAnimateAndLookFollowsTheOffset) {
  ManualClock clock;
  GlimmetRig rig;
  rig.installSprites(sprites(), 1);
  rig.apply(GlimmetState::wakeUp);
  const QPointF target = rig.handL->position();
  const double mid = clock.now() + 0.175;
  const QPointF halfway = valueAs<QPointF>(rig.handL->presentationValue("position", mid), {});
  EXPECT_NEAR(halfway.y(), (142 + target.y()) / 2, 0.5);  // from its base at 310 − 168
  EXPECT_NE(rig.eyeL->animationForKey("swap"), nullptr);  // sleepy eyes fade in
  clock.advance(0.4);
  EXPECT_EQ(valueAs<QPointF>(rig.handL->presentationValue("position", clock.now()), {}), target);

  rig.look(QPointF(4, -2));
  EXPECT_EQ(rig.eyeL->position(), QPointF(87, 180));
  EXPECT_EQ(rig.faceLayer->position(), QPointF(1.8, -0.9));
  EXPECT_DOUBLE_EQ(rig.eyeL->animationForKey("position")->duration, 0.18);
  clock.advance(0.1);
  rig.look(std::nullopt);
  EXPECT_DOUBLE_EQ(rig.eyeL->animationForKey("position")->duration, 0.5);
  EXPECT_EQ(rig.eyeR->position(), QPointF(137, 182));
  rig.setIntensity(AnimationIntensity::off);
  rig.look(QPointF(9, 9));
  EXPECT_EQ(rig.eyeR->position(), QPointF(137, 182));
}

TEST(StateMotions, NothingIsPaintedWhileMotionIsOff) {
  ManualClock clock;
  GlimmetRig rig;
  rig.installSprites(sprites(), 1);
  int paints = 0;
  FrameDriver driver(rig.root, [&] { ++paints; });
  rig.apply(GlimmetState::idle);
  clock.advance(5);
  EXPECT_TRUE(driver.isScheduled());  // floating, breathing, the cape's loop
  rig.setIntensity(AnimationIntensity::off);
  rig.apply(GlimmetState::reminder);
  clock.advance(1);
  paints = 0;
  clock.advance(60);
  EXPECT_EQ(paints, 0);
  EXPECT_FALSE(driver.isScheduled());
}

}  // namespace
}  // namespace pimble
