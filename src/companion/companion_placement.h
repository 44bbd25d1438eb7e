#pragma once

// Where the character's window goes on the connected displays. Every
// rectangle here is in y-up screen points with the origin at the bottom left
// of the primary display: a QRectF's x()/y() are its minimum corner and
// x() + width() / y() + height() its maximum (QRectF's top()/bottom() names
// are meaningless in this space and are not used).

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <cstdint>
#include <optional>
#include <vector>

#include "models/companion_corner.h"
#include "models/companion_position.h"
#include "models/companion_size.h"

namespace pimble {

// One connected display.
struct ScreenInfo {
  std::uint32_t id = 0;  // stable display id; 0 when the display reports none
  QRectF frame;          // the whole display
  QRectF visibleFrame;   // without panels and docks
  friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

// The primary display first.
using ScreenList = std::vector<ScreenInfo>;

namespace CompanionPlacement {

// Gap between the window and the edges of a display in the corners.
inline constexpr double cornerMargin = 36;
// Layout version written with every position; positions without one were
// saved when the window was only as wide as the art.
inline constexpr std::int64_t layoutVersion = 2;

// The window size for a size setting, in whole points.
QSizeF windowSize(CompanionSize size);

// The display a window rectangle belongs to: the first whose frame holds its
// centre, else the one it overlaps most (the earliest on ties), else none
// for an empty list.
std::optional<ScreenInfo> screen(const QRectF& window, const ScreenList& screens);

// The window origin for a saved position on the current displays.
QPointF resolve(const std::optional<CompanionPosition>& saved, QSizeF size,
                const ScreenList& screens);

// A position of an older layout moved so that the art stays where it was in
// a window of `size`; current positions come back unchanged.
CompanionPosition migrate(const CompanionPosition& position, QSizeF size);

// `origin` clamped so that at least 60 % of a window of `size` stays inside
// `visible` in each direction (the upper bound wins when both cannot hold).
QPointF keepOnScreen(QPointF origin, QSizeF size, const QRectF& visible);

// The origin of a window of `size` in a corner of `visible`.
QPointF cornerOrigin(CompanionCorner corner, QSizeF size, const QRectF& visible);

// The position to report for a window frame on these displays.
CompanionPosition position(const QRectF& window, const ScreenList& screens);

}  // namespace CompanionPlacement
}  // namespace pimble
