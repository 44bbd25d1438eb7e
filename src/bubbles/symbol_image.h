#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <optional>
#include <string_view>

namespace pimble {

// The program's symbol images, named as the rest of the program names them
// ("drop.fill", "xmark.circle.fill", ...) and drawn here in one colour so
// that they look alike on every desktop and icon theme. An unknown name
// draws a plain dot rather than nothing. Some also name a freedesktop theme
// icon, which `icon` prefers when the desktop's theme has it.
class SymbolImage {
 public:
  // A square pixmap `points` wide at the given device pixel ratio.
  static QPixmap pixmap(std::string_view name, int points, const QColor& color,
                        qreal devicePixelRatio);
  // Whether the name has a drawing of its own.
  static bool isKnown(std::string_view name);
  // The freedesktop icon-theme name standing for the symbol, or empty when
  // the naming has none that fits.
  static QString themeName(std::string_view name);
  // The desktop icon theme's icon for the symbol when the theme has one,
  // else the drawing in `color`, and in `checkedColor` for a checked button
  // when given (for window chrome such as tab icons, which should look like
  // the rest of the desktop).
  static QIcon icon(std::string_view name, int points, const QColor& color,
                    const std::optional<QColor>& checkedColor = std::nullopt);
  // The drawing alone, for an icon shown at `points` only (a menu's
  // entries), for the pixel densities of the screens in use alone. A theme's
  // icons come in its own colours and sizes, and a theme has icons for some
  // symbols only: a menu mixing them with drawings looks patched together.
  static QIcon menuIcon(std::string_view name, int points, const QColor& color);

 private:
  static QIcon drawnIcon(std::string_view name, int points, const QColor& color,
                         const std::optional<QColor>& checkedColor, bool sharp);
};

}  // namespace pimble
