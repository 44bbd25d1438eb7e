#pragma once

// The one place where the character's y-up screen points meet Qt's y-down
// virtual-desktop coordinates. The y-up space has its origin at the bottom
// left of the primary display; a y-up rectangle keeps its minimum corner in
// x()/y() (see companion_placement.h).

#include <QPointF>
#include <QRect>
#include <QRectF>

#include "companion/companion_placement.h"

namespace pimble {

struct ScreenSpace {
  double primaryLeft = 0;    // Qt x of the primary display's left edge
  double primaryBottom = 0;  // Qt y just below the primary display

  // The space of the running application's displays (all zero without one).
  static ScreenSpace current();
  // The displays of the running application, the primary first.
  static ScreenList screens();

  QPointF fromQt(QPointF qt) const { return {qt.x() - primaryLeft, primaryBottom - qt.y()}; }
  QPointF toQt(QPointF up) const { return {up.x() + primaryLeft, primaryBottom - up.y()}; }
  QRectF fromQt(const QRectF& qt) const {
    return {qt.x() - primaryLeft, primaryBottom - (qt.y() + qt.height()), qt.width(), qt.height()};
  }
  QRectF toQt(const QRectF& up) const {
    return {up.x() + primaryLeft, primaryBottom - (up.y() + up.height()), up.width(), up.height()};
  }
  // An integer Qt rectangle (pixels of the virtual desktop) in y-up points.
  QRectF fromQt(const QRect& qt) const { return fromQt(QRectF(qt)); }
};

}  // namespace pimble
