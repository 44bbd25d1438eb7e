#pragma once

#include <functional>

namespace pimble {

// Recognises petting: quick side-to-side strokes over the upper body. Four
// direction changes (the first stroke and three reversals) of strokes longer
// than 1.5 canvas units per sample, the last at most 1.8 s after the first,
// make one pet; then petting rests for 3 s.
class PetRecognizer {
 public:
  explicit PetRecognizer(std::function<double()> uptime) : uptime_(std::move(uptime)) {}

  // A pointer sample over the character at canvas x; `counts` is false when
  // it is off the upper body (or petting is off), which ends the series.
  // True when this sample completes a pet.
  bool sample(double canvasX, bool counts);
  // The pointer left the character.
  void reset();

  int reversals() const { return reversals_; }

 private:
  std::function<double()> uptime_;
  double direction_ = 0;
  int reversals_ = 0;
  double started_ = 0;
  double lastX_ = 0;
  double cooldownUntil_ = 0;
};

}  // namespace pimble
