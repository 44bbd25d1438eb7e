#include "companion/layers/timing_function.h"

#include <algorithm>
#include <cmath>

namespace pimble {
namespace {

// One coordinate of the Bézier with end points 0 and 1 at parameter t.
double bezier(double t, double p1, double p2) {
  const double u = 1 - t;
  return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double bezierSlope(double t, double p1, double p2) {
  const double u = 1 - t;
  return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}

}  // namespace

double TimingFunction::operator()(double x) const {
  if (!std::isfinite(x)) return 0;
  x = std::clamp(x, 0.0, 1.0);
  if (isLinear()) return x;
  // Find the curve parameter whose x is the given fraction: Newton steps,
  // with bisection as the fallback where the slope is flat.
  double t = x;
  for (int i = 0; i < 8; ++i) {
    const double error = bezier(t, x1_, x2_) - x;
    if (std::abs(error) < 1e-7) return bezier(t, y1_, y2_);
    const double slope = bezierSlope(t, x1_, x2_);
    if (std::abs(slope) < 1e-6) break;
    t -= error / slope;
    if (t < 0 || t > 1) break;
  }
  double lo = 0;
  double hi = 1;
  t = x;
  for (int i = 0; i < 60; ++i) {
    const double value = bezier(t, x1_, x2_);
    if (std::abs(value - x) < 1e-7) break;
    if (value < x) {
      lo = t;
    } else {
      hi = t;
    }
    t = (lo + hi) / 2;
  }
  return bezier(t, y1_, y2_);
}

}  // namespace pimble
