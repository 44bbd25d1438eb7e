#pragma once

#include "companion/layers/animation.h"

namespace pimble {

// From one value to another. An empty from or to stands for the value the
// layer would show without this animation.
class BasicAnimation : public PropertyAnimation {
 public:
  explicit BasicAnimation(std::string keyPath, LayerValue from = {}, LayerValue to = {})
      : PropertyAnimation(std::move(keyPath)), from(std::move(from)), to(std::move(to)) {}

  static std::shared_ptr<BasicAnimation> make(std::string keyPath, LayerValue from, LayerValue to,
                                              double duration) {
    auto a = std::make_shared<BasicAnimation>(std::move(keyPath), std::move(from), std::move(to));
    a->duration = duration;
    return a;
  }

  LayerValue from;
  LayerValue to;

 protected:
  LayerValue valueAt(double p, const LayerValue& current) const override;
};

}  // namespace pimble
