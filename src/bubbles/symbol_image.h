#pragma once

#include <QColor>
#include <QPixmap>
#include <string_view>

namespace pimble {

// The bubbles' symbol images, named as the rest of the program names them
// ("drop.fill", "xmark.circle.fill", ...) and drawn here in one colour so
// that they look alike on every desktop and icon theme. An unknown name
// draws a plain dot rather than nothing.
class SymbolImage {
 public:
  // A square pixmap `points` wide at the given device pixel ratio.
  static QPixmap pixmap(std::string_view name, int points, const QColor& color,
                        qreal devicePixelRatio);
  // Whether the name has a drawing of its own.
  static bool isKnown(std::string_view name);
};

}  // namespace pimble
