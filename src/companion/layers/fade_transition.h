#pragma once

#include "companion/layers/animation.h"

namespace pimble {

// A cross-fade of a layer's contents: added to a layer, it keeps the
// contents shown at that moment and fades them into whatever the layer shows
// afterwards, over its duration.
class FadeTransition : public Animation {
 public:
  static std::shared_ptr<FadeTransition> make(double duration) {
    auto t = std::make_shared<FadeTransition>();
    t->duration = duration;
    return t;
  }

  void apply(double, double, std::string_view, LayerValue&) const override {}
  bool touches(std::string_view) const override { return false; }
  bool isTransition() const override { return true; }
};

}  // namespace pimble
