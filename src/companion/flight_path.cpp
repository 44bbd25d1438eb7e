#include "companion/flight_path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pimble {

FlightPath::FlightPath(QPointF start, QPointF target, double duration)
    : start_(start), target_(target) {
  distance_ = std::hypot(target.x() - start.x(), target.y() - start.y());
  if (!std::isfinite(distance_)) distance_ = 0;
  const double scaled = std::isfinite(duration) ? duration * distance_ / 900.0 : 0.5;
  totalTime_ = std::min(std::max(scaled, 0.5), 1.6);
  arcHeight_ = std::min(0.12 * distance_, 60.0);
}

double FlightPath::progress(double elapsed) const {
  if (!(elapsed > 0)) return 0;
  return std::min(elapsed / totalTime_, 1.0);
}

QPointF FlightPath::at(double t) const {
  t = std::clamp(t, 0.0, 1.0);
  if (t >= 1) return target_;
  const double e = t * t * (3 - 2 * t);
  return {
      start_.x() + (target_.x() - start_.x()) * e,
      start_.y() + (target_.y() - start_.y()) * e + std::sin(std::numbers::pi * t) * arcHeight_};
}

}  // namespace pimble
