#pragma once

#include "companion/layers/shape_layer.h"

namespace pimble {

// An arm from shoulder to hand: a pale 9-unit stroke over an 11-unit
// translucent blue-grey one, so it shows a thin rim on each side. Both
// strokes always carry the same path, in the pose layer's coordinates.
class ArmLayer : public Layer {
 public:
  ArmLayer();
  static std::shared_ptr<ArmLayer> make() { return std::make_shared<ArmLayer>(); }

  void setArmPath(const QPainterPath& path);

  std::shared_ptr<ShapeLayer> outline;
  std::shared_ptr<ShapeLayer> fill;
};

}  // namespace pimble
