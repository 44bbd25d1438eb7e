#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <optional>
#include <string_view>

namespace pimble {

// The program's symbol images, named as the rest of the program names them
// ("drop.fill", "xmark.circle.fill", ...) and drawn here in one colour so
// that they look alike on every desktop and icon theme. An unknown name
// draws a plain dot rather than nothing. The desktop's icon theme is never
// asked: its icons (GNOME's Adwaita among them) mix full-colour pictures
// with monochrome ones, cannot take the tint a chosen tab or an orange
// symbol asks for, and exist for some symbols only, so a row of them beside
// the drawings looks patched together.
class SymbolImage {
 public:
  // A square pixmap `points` wide at the given device pixel ratio.
  static QPixmap pixmap(std::string_view name, int points, const QColor& color,
                        qreal devicePixelRatio);
  // Whether the name has a drawing of its own.
  static bool isKnown(std::string_view name);
  // The drawing in `color`, and in `checkedColor` for a checked button when
  // given, for one and two pixels a point.
  static QIcon icon(std::string_view name, int points, const QColor& color,
                    const std::optional<QColor>& checkedColor = std::nullopt);
  // The drawing for an icon shown at `points` only (a menu's entries), for
  // the pixel densities of the screens in use alone.
  static QIcon menuIcon(std::string_view name, int points, const QColor& color);

 private:
  static QIcon drawnIcon(std::string_view name, int points, const QColor& color,
                         const std::optional<QColor>& checkedColor, bool sharp);
};

}  // namespace pimble
