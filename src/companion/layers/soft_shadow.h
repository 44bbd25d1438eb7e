#pragma once

#include <QColor>
#include <QImage>

namespace pimble {

// A blurred, tinted copy of an image's alpha: what both the layer tree and
// the artwork cast as a shadow. The image is larger than the source by
// `margin` pixels on every side.
struct SoftShadow {
  QImage image;
  int margin = 0;
};

// `blurPixels` is a blur radius as drawing libraries give it (about two
// standard deviations of the Gaussian); 0 gives a sharp copy. The result's
// alpha is the source alpha times the colour's alpha.
SoftShadow makeSoftShadow(const QImage& source, const QColor& color, double blurPixels);

}  // namespace pimble
