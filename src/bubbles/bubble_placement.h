#pragma once

#include <QRectF>

namespace pimble {

// Where the speech bubble goes beside the character, in y-up screen points:
// right of the character's art when there is room on the screen, else left,
// else right again pulled back on screen; its top edge at a fixed height
// beside the head whatever its height.
struct BubblePlacement {
  static constexpr double panelWidth = 320;
  static constexpr double minimumHeight = 90;
  static constexpr double fallbackScreenWidth = 1440;
  static constexpr double fallbackScreenHeight = 900;

  QRectF frame;
  bool tailOnLeading = true;

  // `companion` is the character window's frame, `visible` the usable area
  // of its screen (the 1440 x 900 rectangle at the origin when there is
  // none), `fittingHeight` the height the content needs.
  static BubblePlacement place(const QRectF& companion, const QRectF& visible,
                               double fittingHeight);
  // The strip of the window the 220 x 310 canvas of the character fills.
  static QRectF artRect(const QRectF& companion);
};

}  // namespace pimble
