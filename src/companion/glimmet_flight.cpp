// The rig's side of the window's flights: the cape simulates the movement
// and reports the side the character heads to; the rig raises that hand,
// and on landing restores the state's pose with a small squash and, now and
// then after a fast throw, a dizzy tumble.
#include <random>

#include "companion/glimmet_rig.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/scheduler.h"
#include "companion/motion_builders.h"

namespace pimble {
namespace {

// Above this peak speed (points a second) a landing may tumble.
constexpr double tumbleSpeed = 1300;
constexpr double tumbleChance = 0.3;

GlimmetPose flyingPose(HandSide side) {
  GlimmetPose p;
  p.eyes = EyeStyle::open;
  p.mouth = MouthStyle::grin;
  p.prop = GlimmetProp::none;
  p.cheekScale = 1.1;
  p.showArms = false;
  p.handStyle = HandStyle::mitten;
  p.armBulge = 16;
  p.raisedArm = side;
  if (side == HandSide::left) {
    p.handL = {-40, -86};
    p.handR = {4, 4};
  } else {
    p.handL = {-4, 4};
    p.handR = {40, -86};
  }
  return p;
}

}  // namespace

void GlimmetRig::beginFlight() {
  cape.beginDrag();
}

void GlimmetRig::flightMoved(QSizeF delta) {
  cape.dragMoved(delta.width(), delta.height());
}

void GlimmetRig::flightPose(std::optional<HandSide> side) {
  if (side) {
    // Other states keep their own pose while carried.
    if (state() != GlimmetState::idle) return;
    flying = true;
    setPose(flyingPose(*side), 0.22);
    return;
  }
  if (!flying) return;
  flying = false;
  const bool still = intensity() == AnimationIntensity::off;
  setPose(GlimmetPose::forState(state()), still ? 0 : 0.35);
  if (surprisesEnabled && cape.lastFlightPeakSpeed() > tumbleSpeed &&
      std::uniform_real_distribution<double>(0, 1)(rng) < tumbleChance) {
    landingTumble.cancel();
    // tumble() checks its own conditions when it runs.
    landingTumble = animation_clock::scheduler().after(0.45, [this] { tumble(); });
  }
  if (still) return;
  const double f = amplitude();
  auto squash =
      motion::additive(motion::keyframes("transform.scale.y", {0, -0.05 * f, 0.03 * f, 0},
                                         {0, 0.3, 0.65, 1}, 0.5, TimingFunction::linear()));
  breathLayer->addAnimation(squash, "land");
}

}  // namespace pimble
