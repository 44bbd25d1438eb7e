#pragma once

#include <QPainterPath>
#include <QRectF>

namespace pimble {

// The speech bubble's outline: a rounded body with a small curved tail on
// one side. Coordinates are the widget's (y down).
struct BubbleShape {
  bool tailOnLeading = true;  // tail on the left edge instead of the right
  double cornerRadius = 18;
  double tailWidth = 11;   // how far the tail sticks out of the body
  double tailHeight = 16;  // its base along the body edge
  double tailTop = 32;     // from the top of the rectangle to the top of the tail

  QPainterPath path(const QRectF& rect) const;
};

}  // namespace pimble
