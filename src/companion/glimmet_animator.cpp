#include "companion/glimmet_animator.h"

#include "companion/glimmet_rig.h"
#include "companion/layers/media_clock.h"

namespace pimble {

GlimmetAnimator::GlimmetAnimator(GlimmetRig& rig) : rig_(rig) {}

GlimmetAnimator::~GlimmetAnimator() {
  // Every pending item holds this animator.
  oneShot_.cancel();
  personality_.cancel();
  secondBlink_.cancel();
}

bool GlimmetAnimator::isBaseState(GlimmetState state) {
  switch (state) {
    case GlimmetState::idle:
    case GlimmetState::water:
    case GlimmetState::stretch:
    case GlimmetState::eyeRest:
    case GlimmetState::sleeping:
    case GlimmetState::reminder:
    case GlimmetState::posture:
    case GlimmetState::walk:
    case GlimmetState::rest:
    case GlimmetState::checkIn:
      return true;
    default:
      return false;
  }
}

std::optional<double> GlimmetAnimator::reactionLength(GlimmetState state) {
  switch (state) {
    case GlimmetState::happy:
      return 1.05;
    case GlimmetState::wakeUp:
      return 1.3;
    case GlimmetState::celebration:
      return 1.8;
    case GlimmetState::petted:
      return 1.7;
    default:
      return std::nullopt;
  }
}

double GlimmetAnimator::idleSeconds() const {
  return userIdleSeconds ? userIdleSeconds() : 0;
}

void GlimmetAnimator::setBase(GlimmetState state) {
  if (!isBaseState(state)) return;
  const GlimmetState previous = base_;
  base_ = state;
  if (reacting()) return;
  if (previous == GlimmetState::sleeping && state != GlimmetState::sleeping &&
      intensity_ != AnimationIntensity::off) {
    react(GlimmetState::wakeUp);
    return;
  }
  rig_.apply(state);
  schedulePersonality();
}

void GlimmetAnimator::react(GlimmetState state) {
  const auto length = reactionLength(state);
  if (!length) return;
  oneShot_.cancel();
  sleepyEyesOn_ = false;
  rig_.apply(state);
  const double wait = intensity_ == AnimationIntensity::off ? 0.6 : *length;
  oneShot_ = animation_clock::scheduler().after(wait, [this] {
    oneShot_ = {};
    rig_.apply(base_);
    schedulePersonality();
  });
}

void GlimmetAnimator::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (!visible) {
    rig_.cancelBehavior(true);
    rig_.setActive(false);
    personality_.cancel();
    return;
  }
  rig_.setActive(true);
  schedulePersonality();
}

void GlimmetAnimator::setIntensity(AnimationIntensity intensity) {
  if (intensity == intensity_) return;
  intensity_ = intensity;
  rig_.setIntensity(intensity);
  schedulePersonality();
}

void GlimmetAnimator::schedulePersonality() {
  personality_.cancel();
  if (!visible_ || intensity_ == AnimationIntensity::off || base_ != GlimmetState::idle ||
      reacting()) {
    return;
  }
  const bool normal = intensity_ == AnimationIntensity::normal;
  std::uniform_real_distribution<double> interval(normal ? 3.5 : 7.0, normal ? 8.5 : 14.0);
  personality_ = animation_clock::scheduler().after(interval(rng), [this] { personalityTick(); });
}

void GlimmetAnimator::personalityTick() {
  if (!visible_ || base_ != GlimmetState::idle || reacting() || rig_.performing()) {
    schedulePersonality();
    return;
  }
  const bool sleepy = idleSeconds() > 480;
  if (sleepy != sleepyEyesOn_) {
    sleepyEyesOn_ = sleepy;
    rig_.sleepyEyes(sleepy);
    schedulePersonality();
    return;
  }
  if (intensity_ == AnimationIntensity::normal && !sleepyEyesOn_) {
    IdleDirector::Context context;
    context.now = uptime ? uptime() : animation_clock::now();
    context.idleSeconds = idleSeconds();
    context.liveliness = liveliness;
    context.surprisesEnabled = surprisesEnabled;
    context.nightMode = nightMode;
    if (auto behavior = director.pick(context, rng)) {
      const bool held = *behavior == IdleBehavior::whirlwind && focusing && focusing();
      if (!held && rig_.perform(*behavior) > 0) {
        schedulePersonality();
        return;
      }
    }
  }
  smallGesture();
  schedulePersonality();
}

void GlimmetAnimator::smallGesture() {
  if (intensity_ == AnimationIntensity::reduced) {
    rig_.blink();
    return;
  }
  const double u = std::uniform_real_distribution<double>(0, 1)(rng);
  if (u < 0.62) {
    rig_.blink();
  } else if (u < 0.84) {
    rig_.lookAround();
  } else if (u < 0.88) {
    rig_.wave();
  } else {
    rig_.blink();
    secondBlink_.cancel();
    secondBlink_ = animation_clock::scheduler().after(0.35, [this] { rig_.blink(); });
  }
}

}  // namespace pimble
