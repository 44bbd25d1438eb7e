#include "companion/layers/animation.h"

#include <cmath>

#include "companion/layers/value_math.h"

namespace pimble {

namespace {
constexpr double kEarlySlack = 0.002;
}

double steppedTime(double time, double rate) {
  if (!(rate > 0) || !std::isfinite(rate) || !std::isfinite(time)) return time;
  return std::floor((time + kEarlySlack) * rate) / rate;
}

double nextStepTime(double time, double rate) {
  if (!(rate > 0) || !std::isfinite(rate) || !std::isfinite(time)) return time;
  return (std::floor((time + kEarlySlack) * rate) + 1) / rate;
}

double Animation::activeDuration(double d) const {
  const double count = repeatCount > 0 && !std::isnan(repeatCount) ? repeatCount : 1;
  return d * count * (autoreverses ? 2 : 1);
}

double Animation::cycleTime(double t, double d) const {
  if (autoreverses) {
    const double u = std::fmod(t, 2 * d);
    return u <= d ? u : 2 * d - u;
  }
  return std::fmod(t, d);
}

std::optional<double> Animation::localTime(double elapsed, double d) const {
  if (!(d > 0) || std::isnan(elapsed)) return std::nullopt;
  const double span = activeDuration(d);
  const bool fillsBackwards = fillMode == FillMode::backwards || fillMode == FillMode::both;
  const bool fillsForwards = fillMode == FillMode::forwards || fillMode == FillMode::both;
  if (elapsed < 0) {
    if (!fillsBackwards) return std::nullopt;
    elapsed = 0;
  }
  if (std::isfinite(span) && elapsed >= span) {
    if (!fillsForwards) return std::nullopt;
    // The final value: where the last (possibly partial) cycle stops.
    const double cycle = autoreverses ? 2 * d : d;
    const double count = span / cycle;
    const double rest = (count - std::floor(count)) * cycle;
    if (rest > 1e-9) return cycleTime(rest, d);
    return autoreverses ? 0.0 : d;
  }
  double t = elapsed + (std::isfinite(timeOffset) ? timeOffset : 0);
  if (std::isfinite(span)) {
    t = std::fmod(t, span);
    if (t < 0) t += span;
  } else if (t < 0) {
    t = std::fmod(t, 2 * d) + 2 * d;
  }
  return cycleTime(t, d);
}

void PropertyAnimation::apply(double local, double d, std::string_view key,
                              LayerValue& value) const {
  if (!touches(key)) return;
  const double p = timingFunction(d > 0 ? local / d : 1);
  const auto [top, component] = splitKeyPath(keyPath);
  if (component.empty()) {
    const LayerValue v = valueAt(p, value);
    value = additive ? value_math::add(value, v) : v;
    return;
  }
  const LayerValue part = componentOf(value, component);
  const LayerValue v = valueAt(p, additive ? LayerValue(0.0) : part);
  if (!additive) {
    setComponent(value, component, v);
  } else if (component == "scale") {
    // Both factors move by the offset, each from its own value.
    setComponent(value, "scale.x", value_math::add(componentOf(value, "scale.x"), v));
    setComponent(value, "scale.y", value_math::add(componentOf(value, "scale.y"), v));
  } else {
    setComponent(value, component, value_math::add(part, v));
  }
}

bool PropertyAnimation::touches(std::string_view key) const {
  return splitKeyPath(keyPath).first == key;
}

bool PropertyAnimation::changesLook() const {
  return !isPlacementKey(splitKeyPath(keyPath).first);
}

}  // namespace pimble
