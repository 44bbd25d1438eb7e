#pragma once

#include <vector>

#include "companion/layers/animation.h"

namespace pimble {

// Animations played together in the group's local time: a child's begin
// time counts from the group's start, a child without a duration of its own
// spans the group, and the group's timing function warps the time its
// children see.
class AnimationGroup : public Animation {
 public:
  static std::shared_ptr<AnimationGroup> make(std::vector<AnimationPtr> animations,
                                              double duration) {
    auto g = std::make_shared<AnimationGroup>();
    g->animations = std::move(animations);
    g->duration = duration;
    return g;
  }

  std::vector<AnimationPtr> animations;

  void apply(double local, double d, std::string_view key, LayerValue& value) const override;
  bool touches(std::string_view key) const override;
  bool changesLook() const override;
};

}  // namespace pimble
