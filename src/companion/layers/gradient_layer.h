#pragma once

#include <QLinearGradient>

#include "companion/layers/layer.h"

namespace pimble {

// An axial gradient filling the layer's bounds. Keys: "colors",
// "locations" (evenly spaced when absent or of another count),
// "startPoint" and "endPoint" in unit coordinates of the bounds (y-up).
// Beyond its ends the gradient keeps its end colours.
class GradientLayer : public Layer {
 public:
  GradientLayer();
  static std::shared_ptr<GradientLayer> make() { return std::make_shared<GradientLayer>(); }

  ColorList colors() const { return valueAs<ColorList>(modelValue("colors"), {}); }
  void setColors(const ColorList& colors) { setValue("colors", colors); }
  void setLocations(const NumberList& locations) { setValue("locations", locations); }
  void setStartPoint(QPointF unit) { setValue("startPoint", unit); }
  void setEndPoint(QPointF unit) { setValue("endPoint", unit); }

  // Stops for Qt: ascending positions within 0...1, one per colour.
  static QGradientStops stops(const ColorList& colors, const NumberList& locations);

 protected:
  void drawOwnContent(QPainter& painter, const LayerValues& values) const override;
  QRectF ownContentBounds(const LayerValues& values) const override;
};

}  // namespace pimble
