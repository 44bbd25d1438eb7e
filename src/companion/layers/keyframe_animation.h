#pragma once

#include <vector>

#include "companion/layers/animation.h"

namespace pimble {

enum class CalculationMode {
  linear,    // interpolate between neighbouring values
  discrete,  // each value holds until the next key time
  paced,     // points at constant speed along their polyline; key times ignored
};

// Through a list of values at key times (fractions of the duration). Key
// times that are missing, of the wrong count, unordered or outside 0...1 are
// replaced by even spacing. One timing function warps the whole duration.
class KeyframeAnimation : public PropertyAnimation {
 public:
  explicit KeyframeAnimation(std::string keyPath, std::vector<LayerValue> values = {},
                             std::vector<double> keyTimes = {})
      : PropertyAnimation(std::move(keyPath)),
        values(std::move(values)),
        keyTimes(std::move(keyTimes)) {}

  static std::shared_ptr<KeyframeAnimation> make(std::string keyPath,
                                                 std::vector<LayerValue> values,
                                                 std::vector<double> keyTimes, double duration) {
    auto a = std::make_shared<KeyframeAnimation>(std::move(keyPath), std::move(values),
                                                 std::move(keyTimes));
    a->duration = duration;
    return a;
  }
  // Numbers as values.
  static std::shared_ptr<KeyframeAnimation> numbers(std::string keyPath,
                                                    const std::vector<double>& values,
                                                    std::vector<double> keyTimes, double duration);

  std::vector<LayerValue> values;
  std::vector<double> keyTimes;
  CalculationMode calculationMode = CalculationMode::linear;

  // The key times in use (after validation and pacing).
  std::vector<double> effectiveKeyTimes() const;
  // Whether `keyTimes` holds one valid, non-decreasing time in 0…1 per value.
  bool keyTimesFit() const;

 protected:
  LayerValue valueAt(double p, const LayerValue& current) const override;
};

}  // namespace pimble
