#include "companion/layers/shape_layer.h"

#include <cmath>

namespace pimble {

ShapeLayer::ShapeLayer() {
  setValue("path", QPainterPath());
  setValue("fillColor", QColor(Qt::black));
  setValue("strokeColor", QColor());
  setValue("lineWidth", 1.0);
  setValue("lineDashPattern", NumberList{});
  setValue("lineDashPhase", 0.0);
}

std::optional<QPen> ShapeLayer::strokePen(const QColor& color, double width, LineCap cap,
                                          const NumberList& dashes, double dashPhase) {
  if (!color.isValid() || color.alpha() == 0 || !(width > 0) || !std::isfinite(width)) {
    return std::nullopt;
  }
  QPen pen(color, width);
  pen.setCapStyle(cap == LineCap::round    ? Qt::RoundCap
                  : cap == LineCap::square ? Qt::SquareCap
                                           : Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  bool usable = !dashes.empty();
  double total = 0;
  for (double d : dashes) {
    if (!std::isfinite(d) || d < 0) usable = false;
    total += d;
  }
  if (usable && total > 0) {
    QList<qreal> pattern;
    // An odd list repeats, so that dashes and gaps alternate.
    const int rounds = dashes.size() % 2 == 0 ? 1 : 2;
    for (int r = 0; r < rounds; ++r) {
      for (double d : dashes) pattern.append(d / width);
    }
    pen.setDashPattern(pattern);
    if (std::isfinite(dashPhase)) pen.setDashOffset(dashPhase / width);
  }
  return pen;
}

void ShapeLayer::drawOwnContent(QPainter& painter, const LayerValues& values) const {
  QPainterPath path = values.get<QPainterPath>(*this, "path", {});
  if (path.isEmpty()) return;
  path.setFillRule(fillRule_ == FillRule::evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor fill = values.get<QColor>(*this, "fillColor", {});
  if (fill.isValid() && fill.alpha() > 0) painter.fillPath(path, fill);
  const auto pen = strokePen(values.get<QColor>(*this, "strokeColor", {}),
                             values.get<double>(*this, "lineWidth", 1), lineCap_,
                             values.get<NumberList>(*this, "lineDashPattern", {}),
                             values.get<double>(*this, "lineDashPhase", 0));
  if (pen) painter.strokePath(path, *pen);
  painter.restore();
}

bool ShapeLayer::opaqueFillShape(const LayerValues& values, QPainterPath& shape) const {
  const QColor fill = values.get<QColor>(*this, "fillColor", {});
  if (!fill.isValid() || fill.alpha() < 255) return false;
  if (strokePen(values.get<QColor>(*this, "strokeColor", {}),
                values.get<double>(*this, "lineWidth", 1), lineCap_,
                values.get<NumberList>(*this, "lineDashPattern", {}),
                values.get<double>(*this, "lineDashPhase", 0))) {
    return false;
  }
  const QColor background = values.get<QColor>(*this, "backgroundColor", {});
  if ((background.isValid() && background.alpha() > 0) ||
      !values.get<QImage>(*this, "contents", {}).isNull()) {
    return false;
  }
  shape = values.get<QPainterPath>(*this, "path", {});
  shape.setFillRule(fillRule_ == FillRule::evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
  return true;
}

QRectF ShapeLayer::ownContentBounds(const LayerValues& values) const {
  const QPainterPath path = values.get<QPainterPath>(*this, "path", {});
  if (path.isEmpty()) return {};
  const double width = values.get<double>(*this, "lineWidth", 1);
  // Miter joins may reach a few widths past the path.
  const double reach = std::isfinite(width) ? std::abs(width) * 3 + 1 : 1;
  return path.controlPointRect().adjusted(-reach, -reach, reach, reach);
}

}  // namespace pimble
