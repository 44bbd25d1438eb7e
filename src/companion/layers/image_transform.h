#pragma once

#include <QImage>
#include <QRect>
#include <QTransform>

namespace pimble {

// Draws `source` into `target` through `transform` (source pixel coordinates to target pixel
// coordinates, as QPainter maps them: pixel (x, y) covers [x, x+1) × [y, y+1)), bilinear-filtered
// the way QPainter's SmoothPixmapTransform filters, composed source-over, times `opacity` (clamped
// to 0…1; NaN counts as 0), touching only target pixels inside `clip` intersected with the
// target's rect. Samples outside the source are transparent, so the picture's edges fade over
// about a pixel. Device pixel ratios are ignored: everything is in pixels.
//
// It exists because QPainter spends several times longer on the character's small, gently
// swaying frames and hands such fills to its thread pool; this stays on the calling thread.
//
// Both images must be QImage::Format_ARGB32_Premultiplied. Returns false, drawing nothing, when it
// cannot draw exactly that (another format, a null image, a non-affine, singular or non-finite
// transform); the caller then falls back to QPainter. Returns true when drawn, also when nothing
// was visible.
bool drawImageBilinear(QImage& target, const QImage& source, const QTransform& transform,
                       double opacity, const QRect& clip);

}  // namespace pimble
