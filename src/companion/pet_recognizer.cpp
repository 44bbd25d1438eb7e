#include "companion/pet_recognizer.h"

#include <cmath>

namespace pimble {

void PetRecognizer::reset() {
  reversals_ = 0;
  direction_ = 0;
}

bool PetRecognizer::sample(double canvasX, bool counts) {
  if (!counts || !uptime_) {
    reset();
    return false;
  }
  const double now = uptime_();
  if (now < cooldownUntil_) return false;
  const double dx = canvasX - lastX_;
  lastX_ = canvasX;
  if (!(std::abs(dx) > 1.5)) return false;
  const double d = dx > 0 ? 1 : -1;
  if (d == direction_) return false;
  if (reversals_ == 0 || now - started_ > 1.8) {
    reversals_ = 0;
    started_ = now;
  }
  ++reversals_;
  direction_ = d;
  if (reversals_ < 4) return false;
  reset();
  cooldownUntil_ = now + 3.0;
  return true;
}

}  // namespace pimble
