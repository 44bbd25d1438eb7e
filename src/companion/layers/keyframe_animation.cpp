#include "companion/layers/keyframe_animation.h"

#include <algorithm>
#include <cmath>

#include "companion/layers/value_math.h"

namespace pimble {

std::shared_ptr<KeyframeAnimation> KeyframeAnimation::numbers(std::string keyPath,
                                                              const std::vector<double>& values,
                                                              std::vector<double> keyTimes,
                                                              double duration) {
  std::vector<LayerValue> list(values.begin(), values.end());
  return make(std::move(keyPath), std::move(list), std::move(keyTimes), duration);
}

bool KeyframeAnimation::keyTimesFit() const {
  if (keyTimes.size() != values.size()) return false;
  for (size_t i = 0; i < keyTimes.size(); ++i) {
    const double t = keyTimes[i];
    if (!std::isfinite(t) || t < 0 || t > 1 || (i > 0 && t < keyTimes[i - 1])) return false;
  }
  return true;
}

std::vector<double> KeyframeAnimation::effectiveKeyTimes() const {
  const size_t n = values.size();
  std::vector<double> times;
  if (n == 0) return times;
  const bool discrete = calculationMode == CalculationMode::discrete;
  auto even = [&] {
    times.clear();
    const double steps = discrete ? static_cast<double>(n) : static_cast<double>(n - 1);
    for (size_t i = 0; i < n; ++i) times.push_back(steps > 0 ? static_cast<double>(i) / steps : 0);
  };
  if (calculationMode == CalculationMode::paced) {
    double total = 0;
    times.push_back(0);
    for (size_t i = 1; i < n; ++i) {
      total += value_math::distance(values[i - 1], values[i]);
      times.push_back(total);
    }
    if (!(total > 0) || !std::isfinite(total)) {
      even();
    } else {
      for (double& t : times) t /= total;
    }
    return times;
  }
  if (keyTimesFit()) return keyTimes;
  even();
  return times;
}

LayerValue KeyframeAnimation::valueAt(double p, const LayerValue& current) const {
  const size_t n = values.size();
  if (n == 0) return current;
  if (n == 1) return values[0];
  // Evenly spaced frames (no valid key times given) are found by division:
  // this runs for every value of every frame.
  if (calculationMode != CalculationMode::paced && std::isfinite(p) && !keyTimesFit()) {
    const bool discrete = calculationMode == CalculationMode::discrete;
    const double steps = discrete ? static_cast<double>(n) : static_cast<double>(n - 1);
    const double at = std::clamp(p, 0.0, 1.0) * steps;
    const size_t i = std::min(static_cast<size_t>(at), n - 1);
    if (discrete || p <= 0) return values[i];
    if (i + 1 >= n) return values[n - 1];
    return value_math::interpolate(values[i], values[i + 1], at - static_cast<double>(i));
  }
  const std::vector<double> times = effectiveKeyTimes();
  size_t i = 0;
  while (i + 1 < n && times[i + 1] <= p) ++i;
  if (calculationMode == CalculationMode::discrete || p < times[0]) return values[i];
  if (i + 1 >= n) return values[n - 1];
  const double span = times[i + 1] - times[i];
  if (!(span > 0)) return values[i + 1];
  return value_math::interpolate(values[i], values[i + 1], (p - times[i]) / span);
}

}  // namespace pimble
