#include "companion/layers/basic_animation.h"

#include "companion/layers/value_math.h"

namespace pimble {

LayerValue BasicAnimation::valueAt(double p, const LayerValue& current) const {
  const LayerValue& a = std::holds_alternative<std::monostate>(from) ? current : from;
  const LayerValue& b = std::holds_alternative<std::monostate>(to) ? current : to;
  return value_math::interpolate(a, b, p);
}

}  // namespace pimble
