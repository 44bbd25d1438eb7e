#pragma once

#include <optional>

namespace pimble {

// The pages of the first-run tour in the order they are visited; the raw
// values are the places of the progress dots.
enum class OnboardingStep {
  welcome = 0,
  goals = 1,
  personality = 2,
  awareness = 3,  // visited only when the user asks for time awareness
  day = 4,
  tryIt = 5,
  done = 6,
};

inline constexpr int onboardingStepCount = 7;

inline constexpr int rawValue(OnboardingStep step) {
  return static_cast<int>(step);
}

// The step with that raw value; none outside 0…6.
inline constexpr std::optional<OnboardingStep> onboardingStep(int raw) {
  if (raw < 0 || raw >= onboardingStepCount) return std::nullopt;
  return static_cast<OnboardingStep>(raw);
}

}  // namespace pimble
