#include "companion/layers/animation_group.h"

namespace pimble {

void AnimationGroup::apply(double local, double d, std::string_view key, LayerValue& value) const {
  const double groupTime = timingFunction(d > 0 ? local / d : 1) * d;
  for (const auto& child : animations) {
    if (!child || !child->touches(key)) continue;
    const double childDuration = child->duration > 0 ? child->duration : d;
    if (auto childLocal = child->localTime(groupTime - child->beginTime, childDuration)) {
      child->apply(*childLocal, childDuration, key, value);
    }
  }
}

bool AnimationGroup::changesLook() const {
  for (const auto& child : animations) {
    if (child && child->changesLook()) return true;
  }
  return false;
}

bool AnimationGroup::touches(std::string_view key) const {
  for (const auto& child : animations) {
    if (child && child->touches(key)) return true;
  }
  return false;
}

}  // namespace pimble
