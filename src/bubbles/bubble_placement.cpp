#include "bubbles/bubble_placement.h"

#include <algorithm>
#include <cmath>

namespace pimble {
namespace {
constexpr double canvasWidth = 220, canvasHeight = 310;
constexpr double overlap = 6;     // the bubble overlaps the art by this much
constexpr double headRow = 128;   // canvas row the bubble's top is measured from
constexpr double aboveHead = 44;  // the bubble's top edge above that row
constexpr double screenMargin = 4;
}  // namespace

QRectF BubblePlacement::artRect(const QRectF& c) {
  const double dx = std::max(0.0, (c.width() - c.height() * canvasWidth / canvasHeight) / 2);
  return {c.x() + dx, c.y(), c.width() - 2 * dx, c.height()};
}

BubblePlacement BubblePlacement::place(const QRectF& companion, const QRectF& visible,
                                       double fittingHeight) {
  const double h =
      std::isfinite(fittingHeight) ? std::max(minimumHeight, fittingHeight) : minimumHeight;
  const QRectF art = artRect(companion);
  const double visMaxX = visible.x() + visible.width();
  const double visMaxY = visible.y() + visible.height();
  BubblePlacement out;
  double x = art.x() + art.width() - overlap;
  if (x + panelWidth > visMaxX) {
    const double left = art.x() + overlap - panelWidth;
    if (left >= visible.x()) {
      x = left;
      out.tailOnLeading = false;
    }
  }
  const double artMaxY = art.y() + art.height();
  double y = artMaxY - art.height() * headRow / canvasHeight - h + aboveHead;
  // Lower bound first, so the upper bound wins on a screen smaller than the bubble.
  x = std::min(std::max(x, visible.x() + screenMargin), visMaxX - panelWidth - screenMargin);
  y = std::min(std::max(y, visible.y() + screenMargin), visMaxY - h - screenMargin);
  out.frame = QRectF(x, y, panelWidth, h);
  return out;
}

}  // namespace pimble
