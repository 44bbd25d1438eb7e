#include "bubbles/bubble_shape.h"

#include <QTransform>

namespace pimble {

QPainterPath BubbleShape::path(const QRectF& rect) const {
  const double r = cornerRadius, w = tailWidth, h = tailHeight;
  const double right = rect.right() - w;  // the body's right edge
  const double top = rect.top() + tailTop;
  QPainterPath p;
  // Drawn with the tail on the right; corners are quadratic curves through
  // the sharp corner.
  p.moveTo(rect.left() + r, rect.top());
  p.lineTo(right - r, rect.top());
  p.quadTo(right, rect.top(), right, rect.top() + r);
  p.lineTo(right, top);
  p.quadTo(right + 0.35 * w, top + 1, rect.right(), top + 0.55 * h);
  p.quadTo(right + 0.2 * w, top + 0.85 * h, right, top + h);
  p.lineTo(right, rect.bottom() - r);
  p.quadTo(right, rect.bottom(), right - r, rect.bottom());
  p.lineTo(rect.left() + r, rect.bottom());
  p.quadTo(rect.left(), rect.bottom(), rect.left(), rect.bottom() - r);
  p.lineTo(rect.left(), rect.top() + r);
  p.quadTo(rect.left(), rect.top(), rect.left() + r, rect.top());
  p.closeSubpath();
  if (!tailOnLeading) return p;
  // Mirrored about the vertical centre line.
  return QTransform(-1, 0, 0, 1, rect.left() + rect.right(), 0).map(p);
}

}  // namespace pimble
