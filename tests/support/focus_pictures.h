#pragma once
// Whether a control plainly shows the keyboard: pixels that change enough
// between a picture with the focus and one without it, a ring or a frame
// rather than a faint tint.
#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdlib>

namespace pimble::testing {

// Pixels of `area` (in both pictures' coordinates) whose red, green and
// blue differ by `least` or more in all.
inline int changedPixels(const QImage& a, const QImage& b, const QRect& area, int least) {
  const QRect inBoth = area & a.rect() & b.rect();
  int changed = 0;
  for (int y = inBoth.top(); y <= inBoth.bottom(); ++y) {
    for (int x = inBoth.left(); x <= inBoth.right(); ++x) {
      const QColor c = a.pixelColor(x, y), d = b.pixelColor(x, y);
      changed += std::abs(c.red() - d.red()) + std::abs(c.green() - d.green()) +
                     std::abs(c.blue() - d.blue()) >=
                 least;
    }
  }
  return changed;
}

// Pixels that differ by 96 or more: what a user sees at a glance.
inline int plainlyChangedPixels(const QImage& a, const QImage& b, const QRect& area) {
  return changedPixels(a, b, area, 96);
}

}  // namespace pimble::testing
