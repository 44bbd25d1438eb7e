#include <gtest/gtest.h>

#include "companion/glimmet_rig.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/manual_clock.h"

namespace pimble {
namespace {

// Drags the rig's cape sideways at `speed` points a second for half a second.
void throwSideways(ManualClock& clock, GlimmetRig& rig, double speed) {
  for (int i = 0; i < 30; ++i) {
    clock.advance(1.0 / 60);
    rig.flightMoved(QSizeF(speed / 60, 0));
  }
  clock.advance(1.0 / 60);
}

void land(ManualClock& clock, GlimmetRig& rig) {
  rig.cape.endDrag();
  clock.advance(1.0 / 60);
}

std::vector<double> landingValues(const GlimmetRig& rig) {
  auto a = std::dynamic_pointer_cast<KeyframeAnimation>(rig.breathLayer->animationForKey("land"));
  std::vector<double> out;
  if (!a) return out;
  for (const LayerValue& v : a->values) out.push_back(valueAs<double>(v, -1));
  return out;
}

TEST(GlimmetFlight, RaisesTheHandTowardTheFlightMirrorsItAndLands) {
  ManualClock clock;
  GlimmetRig rig;
  rig.surprisesEnabled = false;
  rig.beginFlight();
  throwSideways(clock, rig, 1500);
  EXPECT_TRUE(rig.flying);
  EXPECT_EQ(rig.pose().raisedArm, HandSide::right);
  EXPECT_EQ(rig.pose().handR, QPointF(40, -86));
  EXPECT_EQ(rig.pose().mouth, MouthStyle::grin);
  throwSideways(clock, rig, -1500);
  EXPECT_TRUE(rig.flying);  // no landing in between
  EXPECT_EQ(rig.pose().raisedArm, HandSide::left);
  EXPECT_EQ(rig.pose().handL, QPointF(-40, -86));
  EXPECT_EQ(rig.pose().handR, QPointF(4, 4));
  land(clock, rig);
  EXPECT_FALSE(rig.flying);
  EXPECT_EQ(rig.pose(), GlimmetPose::forState(GlimmetState::idle));
  EXPECT_EQ(landingValues(rig), (std::vector<double>{0, -0.05, 0.03, 0}));
  EXPECT_FALSE(rig.landingTumble.isPending());
}

TEST(GlimmetFlight, SlowDragsAndOtherStatesKeepTheirPose) {
  ManualClock clock;
  GlimmetRig rig;
  rig.beginFlight();
  throwSideways(clock, rig, 200);
  land(clock, rig);
  EXPECT_FALSE(rig.flying);
  EXPECT_TRUE(landingValues(rig).empty());

  rig.apply(GlimmetState::water);
  clock.advance(1);
  const GlimmetPose water = rig.pose();
  rig.beginFlight();
  throwSideways(clock, rig, 1500);
  EXPECT_FALSE(rig.flying);
  EXPECT_EQ(rig.pose(), water);
  land(clock, rig);
  EXPECT_EQ(rig.pose(), water);
}

TEST(GlimmetFlight, ReducedMotionHalvesTheSquashAndOffStaysStill) {
  ManualClock clock;
  GlimmetRig rig;
  rig.surprisesEnabled = false;
  rig.setIntensity(AnimationIntensity::reduced);
  rig.beginFlight();
  throwSideways(clock, rig, 1500);
  land(clock, rig);
  EXPECT_EQ(landingValues(rig), (std::vector<double>{0, -0.025, 0.015, 0}));

  GlimmetRig still;
  still.setIntensity(AnimationIntensity::off);
  still.beginFlight();
  throwSideways(clock, still, 1500);
  EXPECT_FALSE(still.flying);
  EXPECT_FALSE(still.cape.isSimulating());
}

TEST(GlimmetFlight, FastLandingsTumbleAboutThreeTimesInTen) {
  ManualClock clock;
  GlimmetRig rig;
  rig.rng.seed(7);
  int tumbles = 0;
  const int landings = 60;
  for (int i = 0; i < landings; ++i) {
    rig.beginFlight();
    throwSideways(clock, rig, 1500);
    land(clock, rig);
    if (rig.landingTumble.isPending()) ++tumbles;
    rig.landingTumble.cancel();
    clock.advance(1);
  }
  EXPECT_GT(tumbles, 6);
  EXPECT_LT(tumbles, 32);

  rig.surprisesEnabled = false;
  rig.beginFlight();
  throwSideways(clock, rig, 1500);
  land(clock, rig);
  EXPECT_FALSE(rig.landingTumble.isPending());
}

}  // namespace
}  // namespace pimble
