#include "companion/layers/gradient_layer.h"

#include <algorithm>
#include <cmath>

namespace pimble {

GradientLayer::GradientLayer() {
  setValue("colors", ColorList{});
  setValue("locations", NumberList{});
  setValue("startPoint", QPointF(0.5, 0));
  setValue("endPoint", QPointF(0.5, 1));
}

QGradientStops GradientLayer::stops(const ColorList& colors, const NumberList& locations) {
  QGradientStops result;
  const size_t n = colors.size();
  const bool given = locations.size() == n;
  double previous = 0;
  for (size_t i = 0; i < n; ++i) {
    double at = given ? locations[i] : (n == 1 ? 0.0 : static_cast<double>(i) / (n - 1));
    if (!std::isfinite(at)) at = previous;
    at = std::clamp(at, previous, 1.0);
    // Qt keeps one stop per position; nudge equal ones apart.
    if (!result.isEmpty() && at <= result.last().first) at = std::min(1.0, at + 1e-6);
    result.append({at, colors[i]});
    previous = at;
  }
  return result;
}

QRectF GradientLayer::ownContentBounds(const LayerValues& values) const {
  if (values.get<ColorList>(*this, "colors", {}).empty()) return {};
  return QRectF(QPointF(), values.get<QSizeF>(*this, "bounds", {}));
}

void GradientLayer::drawOwnContent(QPainter& painter, const LayerValues& values) const {
  const QSizeF size = values.get<QSizeF>(*this, "bounds", {});
  const ColorList colors = values.get<ColorList>(*this, "colors", {});
  if (size.isEmpty() || colors.empty()) return;
  const QRectF rect(QPointF(), size);
  const QPointF start = values.get<QPointF>(*this, "startPoint", QPointF(0.5, 0));
  const QPointF end = values.get<QPointF>(*this, "endPoint", QPointF(0.5, 1));
  const QPointF a(start.x() * size.width(), start.y() * size.height());
  const QPointF b(end.x() * size.width(), end.y() * size.height());
  const bool finite =
      std::isfinite(a.x()) && std::isfinite(a.y()) && std::isfinite(b.x()) && std::isfinite(b.y());
  if (colors.size() == 1 || !finite || a == b) {
    painter.fillRect(rect, colors.back());
    return;
  }
  QLinearGradient gradient(a, b);
  gradient.setStops(stops(colors, values.get<NumberList>(*this, "locations", {})));
  gradient.setSpread(QGradient::PadSpread);
  painter.fillRect(rect, gradient);
}

}  // namespace pimble
