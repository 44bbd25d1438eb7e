#include "companion/layers/value_math.h"

#include <algorithm>
#include <cmath>

namespace pimble::value_math {
namespace {

double mix(double a, double b, double p) {
  return a + (b - a) * p;
}

QColor mixColor(const QColor& a, const QColor& b, double p) {
  if (!a.isValid()) return p < 0.5 ? a : b;
  if (!b.isValid()) return p < 0.5 ? a : b;
  const QColor ca = a.toRgb();
  const QColor cb = b.toRgb();
  return srgb(mix(ca.redF(), cb.redF(), p), mix(ca.greenF(), cb.greenF(), p),
              mix(ca.blueF(), cb.blueF(), p), mix(ca.alphaF(), cb.alphaF(), p));
}

bool sameStructure(const QPainterPath& a, const QPainterPath& b) {
  if (a.elementCount() != b.elementCount()) return false;
  for (int i = 0; i < a.elementCount(); ++i) {
    if (a.elementAt(i).type != b.elementAt(i).type) return false;
  }
  return true;
}

QPainterPath mixPath(const QPainterPath& a, const QPainterPath& b, double p) {
  QPainterPath out = a;
  for (int i = 0; i < a.elementCount(); ++i) {
    const auto ea = a.elementAt(i);
    const auto eb = b.elementAt(i);
    out.setElementPositionAt(i, mix(ea.x, eb.x, p), mix(ea.y, eb.y, p));
  }
  return out;
}

}  // namespace

LayerValue interpolate(const LayerValue& a, const LayerValue& b, double p) {
  if (a.index() != b.index()) return p < 0.5 ? a : b;
  if (const auto* x = std::get_if<double>(&a)) return mix(*x, std::get<double>(b), p);
  if (const auto* x = std::get_if<QPointF>(&a)) {
    const QPointF y = std::get<QPointF>(b);
    return QPointF(mix(x->x(), y.x(), p), mix(x->y(), y.y(), p));
  }
  if (const auto* x = std::get_if<QSizeF>(&a)) {
    const QSizeF y = std::get<QSizeF>(b);
    return QSizeF(mix(x->width(), y.width(), p), mix(x->height(), y.height(), p));
  }
  if (const auto* x = std::get_if<QColor>(&a)) return mixColor(*x, std::get<QColor>(b), p);
  if (const auto* x = std::get_if<LayerTransform>(&a)) {
    const auto& y = std::get<LayerTransform>(b);
    return LayerTransform{mix(x->tx, y.tx, p), mix(x->ty, y.ty, p), mix(x->rotation, y.rotation, p),
                          mix(x->sx, y.sx, p), mix(x->sy, y.sy, p)};
  }
  if (const auto* x = std::get_if<QPainterPath>(&a)) {
    const auto& y = std::get<QPainterPath>(b);
    if (sameStructure(*x, y)) return mixPath(*x, y, p);
    return p < 0.5 ? a : b;
  }
  if (const auto* x = std::get_if<ColorList>(&a)) {
    const auto& y = std::get<ColorList>(b);
    if (x->size() != y.size()) return p < 0.5 ? a : b;
    ColorList out;
    for (size_t i = 0; i < x->size(); ++i) out.push_back(mixColor((*x)[i], y[i], p));
    return out;
  }
  if (const auto* x = std::get_if<NumberList>(&a)) {
    const auto& y = std::get<NumberList>(b);
    if (x->size() != y.size()) return p < 0.5 ? a : b;
    NumberList out;
    for (size_t i = 0; i < x->size(); ++i) out.push_back(mix((*x)[i], y[i], p));
    return out;
  }
  return p < 0.5 ? a : b;
}

LayerValue add(const LayerValue& a, const LayerValue& b) {
  if (a.index() != b.index()) return b;
  if (const auto* x = std::get_if<double>(&a)) return *x + std::get<double>(b);
  if (const auto* x = std::get_if<QPointF>(&a)) return *x + std::get<QPointF>(b);
  if (const auto* x = std::get_if<QSizeF>(&a)) return *x + std::get<QSizeF>(b);
  if (const auto* x = std::get_if<LayerTransform>(&a)) {
    const auto& y = std::get<LayerTransform>(b);
    return LayerTransform{x->tx + y.tx, x->ty + y.ty, x->rotation + y.rotation, x->sx * y.sx,
                          x->sy * y.sy};
  }
  if (const auto* x = std::get_if<QColor>(&a)) {
    const QColor ca = x->toRgb();
    const QColor cb = std::get<QColor>(b).toRgb();
    auto channel = [](double v) { return std::clamp(v, 0.0, 1.0); };
    return srgb(channel(ca.redF() + cb.redF()), channel(ca.greenF() + cb.greenF()),
                channel(ca.blueF() + cb.blueF()), channel(ca.alphaF() + cb.alphaF()));
  }
  return b;
}

double distance(const LayerValue& a, const LayerValue& b) {
  const auto* x = std::get_if<QPointF>(&a);
  const auto* y = std::get_if<QPointF>(&b);
  if (x == nullptr || y == nullptr) return 0;
  const double d = std::hypot(x->x() - y->x(), x->y() - y->y());
  return std::isfinite(d) ? d : 0;
}

bool same(const LayerValue& a, const LayerValue& b) {
  if (a.index() != b.index()) return false;
  if (const auto* x = std::get_if<QImage>(&a))
    return x->cacheKey() == std::get<QImage>(b).cacheKey();
  return a == b;
}

}  // namespace pimble::value_math
