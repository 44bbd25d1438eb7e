#include "companion/cloth_simulation.h"

#include <algorithm>
#include <cmath>

#include "companion/cape_rig.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/transaction.h"

namespace pimble {
namespace {

constexpr double kPi = 3.14159265358979323846;

bool moving(const CapeRig& cape) {
  return cape.isVisible() && cape.active() && cape.intensity() != AnimationIntensity::off;
}

}  // namespace

ClothSimulation::~ClothSimulation() {
  timer_.cancel();
}

double ClothSimulation::motionFactor() const {
  switch (cape_.intensity()) {
    case AnimationIntensity::normal:
      return 1.0;
    case AnimationIntensity::reduced:
      return 0.5;
    case AnimationIntensity::off:
      return 0.0001;
  }
  return 1.0;
}

void ClothSimulation::beginDrag() {
  if (!moving(cape_)) return;
  dragging_ = true;
  lastFlightPeakSpeed_ = 0;
  velocity_ = {};
  lastMove_ = animation_clock::now();
  start();
}

void ClothSimulation::dragMoved(double dx, double dy) {
  if (!dragging_ || !std::isfinite(dx) || !std::isfinite(dy)) return;
  const double now = animation_clock::now();
  const double dt = std::max(now - lastMove_, 1.0 / 240);
  lastMove_ = now;
  velocity_.dx += (dx / dt - velocity_.dx) * 0.35;
  velocity_.dy += (dy / dt - velocity_.dy) * 0.35;
}

void ClothSimulation::gust(double dx, double dy) {
  if (!moving(cape_) || !std::isfinite(dx) || !std::isfinite(dy)) return;
  start();
  const double factor = cape_.intensity() == AnimationIntensity::normal ? 1.0 : 0.5;
  windVelocity_.dx += dx * factor;
  windVelocity_.dy += dy * factor;
}

void ClothSimulation::start() {
  if (running()) return;
  const double now = animation_clock::now();
  // Start exactly where the idle loop is.
  const CapeRig::ClothState s = cape_.state(cape_.shownLoopFraction(now));
  phase_ = s.phase;
  wind_ = {s.wind.dx, s.wind.dy};
  windVelocity_ = {};
  cape_.stopIdle();
  lastTick_ = now;
  timer_ = animation_clock::scheduler().every(1.0 / 60, [this] { tick(); });
}

void ClothSimulation::tick() {
  const double now = animation_clock::now();
  const double dt = std::clamp(now - lastTick_, 0.001, 0.05);
  lastTick_ = now;
  const double k = motionFactor();

  double speed = 0;
  if (dragging_) {
    if (now - lastMove_ > 0.05) {
      const double decay = std::exp(-dt / 0.12);
      velocity_.dx *= decay;
      velocity_.dy *= decay;
    }
    speed = std::hypot(velocity_.dx, velocity_.dy);
    lastFlightPeakSpeed_ = std::max(lastFlightPeakSpeed_, speed);
  } else {
    velocity_ = {};
  }

  // At rest the cloth follows the idle loop's own breeze and waves, so
  // that handing back to the loop needs no jump.
  const CapeRig::ClothState rest = cape_.state(0);
  Vector target;
  if (dragging_ && speed > 20) {
    const double strength = std::min(speed / 700, 1.0);
    target = {-velocity_.dx / speed * strength, velocity_.dy / speed * strength};
  } else {
    const double s = std::sin(phase_ / 2);
    const double awake = rest.wind.dx / -0.12;  // the sleep and rest wind factors
    target = {(0.06 * s - 0.12) * awake, 0.02 * s};
  }
  target.dx *= k;
  target.dy *= k;

  const double stiffness = dragging_ ? 90 : 55;
  const double damping = dragging_ ? 14 : 6.5;
  windVelocity_.dx += (stiffness * (target.dx - wind_.dx) - damping * windVelocity_.dx) * dt;
  windVelocity_.dy += (stiffness * (target.dy - wind_.dy) - damping * windVelocity_.dy) * dt;
  wind_.dx += windVelocity_.dx * dt;
  wind_.dy += windVelocity_.dy * dt;

  const double leanTarget = dragging_ ? -0.24 * std::clamp(velocity_.dx / 900, -1.0, 1.0) * k : 0.0;
  leanVelocity_ += (70 * (leanTarget - lean_) - 11 * leanVelocity_) * dt;
  lean_ += leanVelocity_ * dt;
  if (cape_.onLean) cape_.onLean(lean_);

  const double sN = std::min(speed / 650, 1.0);
  phase_ += dt * 2 * kPi * (1 + 2.2 * sN) / 1.8;
  if (phase_ > 256 * kPi) phase_ = std::fmod(phase_, 4 * kPi);

  CapeRig::ClothState cloth;
  cloth.phase = phase_;
  cloth.wind = {wind_.dx, wind_.dy};
  cloth.ripple = rest.ripple + k * 4.5 * sN;
  cloth.flutter = rest.flutter + k * 2.5 * sN;
  cape_.applyPaths(cloth);

  {
    ActionsDisabled quiet;
    cape_.tails->setTransform(LayerTransform::rotated(
        k * (-0.9 * wind_.dx + 0.08 * (sN + 0.4) * std::sin(1.7 * phase_))));
  }

  if (dragging_) {
    if (std::abs(velocity_.dx) > 220) {
      const HandSide side = velocity_.dx > 0 ? HandSide::right : HandSide::left;
      if (raisedSide_ != side) {
        raisedSide_ = side;
        if (cape_.onFlightPose) cape_.onFlightPose(side);
      }
    }
    return;
  }
  if (raisedSide_) {
    raisedSide_.reset();
    if (cape_.onFlightPose) cape_.onFlightPose(std::nullopt);
  }
  if (std::hypot(wind_.dx - target.dx, wind_.dy - target.dy) < 0.01 &&
      std::hypot(windVelocity_.dx, windVelocity_.dy) < 0.04 && std::abs(lean_) < 0.003) {
    settledFor_ += dt;
    if (settledFor_ > 0.25) end(true);
  } else {
    settledFor_ = 0;
  }
}

void ClothSimulation::end(bool resumeIdle) {
  if (!running() && !resumeIdle) return;
  timer_.cancel();
  settledFor_ = 0;
  dragging_ = false;
  if (raisedSide_) {
    raisedSide_.reset();
    if (cape_.onFlightPose) cape_.onFlightPose(std::nullopt);
  }
  lean_ = 0;
  leanVelocity_ = 0;
  if (cape_.onLean) cape_.onLean(0);
  {
    ActionsDisabled quiet;
    cape_.tails->setTransform({});
  }
  if (!resumeIdle) return;
  cape_.applyPaths(cape_.state(0));
  if (moving(cape_)) {
    cape_.startIdle(std::fmod(phase_, 4 * kPi) / (4 * kPi) * cape_.idlePeriod());
  }
}

}  // namespace pimble
