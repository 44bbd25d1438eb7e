#pragma once

#include <QPen>
#include <optional>

#include "companion/layers/layer.h"

namespace pimble {

enum class LineCap { butt, round, square };
enum class FillRule { nonZero, evenOdd };

// A layer that fills and strokes a path given in its own y-up coordinates.
// Keys: "path", "fillColor" (opaque black by default; an invalid colour
// fills nothing), "strokeColor" (none by default), "lineWidth",
// "lineDashPattern" (lengths in units), "lineDashPhase".
class ShapeLayer : public Layer {
 public:
  ShapeLayer();
  static std::shared_ptr<ShapeLayer> make() { return std::make_shared<ShapeLayer>(); }

  QPainterPath path() const { return valueAs<QPainterPath>(modelValue("path"), {}); }
  void setPath(const QPainterPath& path) { setValue("path", path); }
  QColor fillColor() const { return valueAs<QColor>(modelValue("fillColor"), {}); }
  void setFillColor(const QColor& c) { setValue("fillColor", c); }
  QColor strokeColor() const { return valueAs<QColor>(modelValue("strokeColor"), {}); }
  void setStrokeColor(const QColor& c) { setValue("strokeColor", c); }
  double lineWidth() const { return valueAs<double>(modelValue("lineWidth"), 1); }
  void setLineWidth(double w) { setValue("lineWidth", w); }
  void setLineDashPattern(const NumberList& lengths) { setValue("lineDashPattern", lengths); }
  void setLineDashPhase(double phase) { setValue("lineDashPhase", phase); }

  LineCap lineCap() const { return lineCap_; }
  void setLineCap(LineCap cap) {
    lineCap_ = cap;
    settingsChanged();
  }
  FillRule fillRule() const { return fillRule_; }
  void setFillRule(FillRule rule) {
    fillRule_ = rule;
    settingsChanged();
  }

  // The pen Qt needs for a stroke of this width and dash pattern in units
  // (Qt counts dashes in line widths). Null when nothing should be stroked.
  static std::optional<QPen> strokePen(const QColor& color, double width, LineCap cap,
                                       const NumberList& dashes, double dashPhase);

 protected:
  void drawOwnContent(QPainter& painter, const LayerValues& values) const override;
  QRectF ownContentBounds(const LayerValues& values) const override;
  bool opaqueFillShape(const LayerValues& values, QPainterPath& shape) const override;

 private:
  LineCap lineCap_ = LineCap::butt;
  FillRule fillRule_ = FillRule::nonZero;
};

}  // namespace pimble
