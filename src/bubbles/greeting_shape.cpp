#include "bubbles/greeting_shape.h"

#include <QTransform>
#include <algorithm>

namespace pimble {

double GreetingShape::cornerRadius(double bodyHeight) {
  return std::max(0.0, std::min(16.0, bodyHeight * 0.5));
}

QPainterPath GreetingShape::path(const QRectF& rect) const {
  const QRectF b(rect.left(), rect.top(), rect.width(), rect.height() - tailHeight);
  const double r = cornerRadius(b.height());
  const double cx = rect.center().x(), hw = tailWidth * 0.5;
  QPainterPath p;
  p.moveTo(b.left() + r, b.top());
  p.lineTo(b.right() - r, b.top());
  p.quadTo(b.right(), b.top(), b.right(), b.top() + r);
  p.lineTo(b.right(), b.bottom() - r);
  p.quadTo(b.right(), b.bottom(), b.right() - r, b.bottom());
  p.lineTo(cx + hw, b.bottom());
  p.quadTo(cx + 0.35 * hw, b.bottom() + 1, cx, rect.bottom());
  p.quadTo(cx - 0.35 * hw, b.bottom() + 1, cx - hw, b.bottom());
  p.lineTo(b.left() + r, b.bottom());
  p.quadTo(b.left(), b.bottom(), b.left(), b.bottom() - r);
  p.lineTo(b.left(), b.top() + r);
  p.quadTo(b.left(), b.top(), b.left() + r, b.top());
  p.closeSubpath();
  if (tailDown) return p;
  return QTransform(1, 0, 0, -1, 0, rect.top() + rect.bottom()).map(p);
}

}  // namespace pimble
