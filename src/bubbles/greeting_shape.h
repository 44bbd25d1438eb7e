#pragma once

#include <QPainterPath>
#include <QRectF>

namespace pimble {

// The greeting bubble's outline: a rounded body with a small tail centred on
// its bottom edge, or on its top edge when the bubble hangs below the
// character. Coordinates are the widget's (y down).
struct GreetingShape {
  bool tailDown = true;
  double tailWidth = 14;
  double tailHeight = 7;

  QPainterPath path(const QRectF& rect) const;
  // The corner radius used for a body of this height.
  static double cornerRadius(double bodyHeight);
};

}  // namespace pimble
