#pragma once

#include "companion/layers/layer_value.h"

namespace pimble {

// Arithmetic on layer values for animation.
namespace value_math {

// The value a fraction p of the way from a to b. Numbers, points, sizes,
// colours (per channel), transforms (per component) and lists of equal
// length interpolate; paths interpolate element by element when both have the
// same structure. Anything else steps from a to b at the halfway point.
LayerValue interpolate(const LayerValue& a, const LayerValue& b, double p);

// a with the offset b added component by component, for additive animation.
// Transforms add translation and rotation and multiply their scales (the
// identity is "no change"). Values that cannot be added give b.
LayerValue add(const LayerValue& a, const LayerValue& b);

// Distance between two points, for paced key frames; 0 for anything else.
double distance(const LayerValue& a, const LayerValue& b);

// Whether both values are equal (images by their cache key).
bool same(const LayerValue& a, const LayerValue& b);

}  // namespace value_math
}  // namespace pimble
