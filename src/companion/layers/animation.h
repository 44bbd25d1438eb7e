#pragma once

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "companion/layers/layer_value.h"
#include "companion/layers/timing_function.h"

namespace pimble {

// The media time whose values a motion stepping `rate` times a second shows
// at `time`, and the time its next step shows. A timer firing a couple of
// milliseconds early still shows the new step.
double steppedTime(double time, double rate);
double nextStepTime(double time, double rate);

enum class FillMode { none, backwards, forwards, both };

// An animation added to a layer under a key. Its fields are set before it is
// added and not changed afterwards (the layer keeps the same object).
//
// Time: on a layer, `beginTime` is a media time (0 = when added); inside a
// group it counts seconds from the group's start. Within its active span
// (duration × repeatCount, doubled when autoreversing) the local time runs
// from `timeOffset` on and wraps around. Outside of it the animation applies
// only where its fill mode says so.
class Animation {
 public:
  static constexpr double kForever = std::numeric_limits<double>::infinity();

  virtual ~Animation() = default;

  double duration = 0;     // 0: 0.25 s on a layer; a group's duration inside a group
  double repeatCount = 1;  // fractional allowed; `kForever` repeats forever
  bool autoreverses = false;
  double beginTime = 0;
  double timeOffset = 0;
  FillMode fillMode = FillMode::none;
  bool removedOnCompletion = true;
  TimingFunction timingFunction = TimingFunction::linear();
  // How often a second the motion's values change. Below `kSmoothRate` they
  // step, all on one grid of media time per rate (see `steppedTime`), so
  // slow motions repaint less and every motion of a rate steps together.
  double frameRate = 60;
  static constexpr double kSmoothRate = 60;
  bool steps() const { return frameRate > 0 && frameRate < kSmoothRate; }
  // Called once when the animation ends (true) or is removed before its end
  // (false). Runs after the layer has let go of it.
  std::function<void(bool finished)> onStop;

  // The span in which the animation is active, for an effective duration d.
  double activeDuration(double d) const;
  // The local time (0...d) at `elapsed` seconds after the begin time, or
  // nothing when the animation does not apply then.
  std::optional<double> localTime(double elapsed, double d) const;

  // Composes this animation's contribution to the layer property `key` at a
  // local time into `value`.
  virtual void apply(double local, double d, std::string_view key, LayerValue& value) const = 0;
  virtual bool touches(std::string_view key) const = 0;
  // Whether it changes more than a layer's placement and opacity.
  virtual bool changesLook() const { return true; }
  // A transition changes how contents are drawn rather than a value.
  virtual bool isTransition() const { return false; }

 private:
  double cycleTime(double t, double d) const;
};

using AnimationPtr = std::shared_ptr<Animation>;

// An animation of one key path ("opacity", "position.y",
// "transform.rotation.z", ...). Additive: its value is added to the value
// composed so far (component-wise) instead of replacing it.
class PropertyAnimation : public Animation {
 public:
  explicit PropertyAnimation(std::string keyPath) : keyPath(std::move(keyPath)) {}

  std::string keyPath;
  bool additive = false;

  void apply(double local, double d, std::string_view key, LayerValue& value) const override;
  bool touches(std::string_view key) const override;
  bool changesLook() const override;

 protected:
  // The animated value at progress p (after the timing function); `current`
  // is what the layer would show without this animation.
  virtual LayerValue valueAt(double p, const LayerValue& current) const = 0;
};

}  // namespace pimble
