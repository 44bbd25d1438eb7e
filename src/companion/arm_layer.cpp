#include "companion/arm_layer.h"

namespace pimble {

ArmLayer::ArmLayer() : outline(ShapeLayer::make()), fill(ShapeLayer::make()) {
  for (const auto& stroke : {outline, fill}) {
    stroke->setFillColor(QColor());
    stroke->setLineCap(LineCap::round);
    addSublayer(stroke);
  }
  outline->setStrokeColor(srgb(0.62, 0.67, 0.84, 0.55));
  outline->setLineWidth(11);
  fill->setStrokeColor(srgb(0.97, 0.975, 1.0, 1.0));
  fill->setLineWidth(9);
  setOpacity(0);
}

void ArmLayer::setArmPath(const QPainterPath& path) {
  outline->setPath(path);
  fill->setPath(path);
}

}  // namespace pimble
