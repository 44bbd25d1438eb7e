#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QSize>
#include <vector>

namespace pimble {

// The pixels of a picture that are at least half opaque: what a window can
// show where no compositing manager blends its soft edges with what lies
// beneath. Kept as runs of equal rows, so that two masks compare cheaply and
// the same pixels always give the same rectangles.
class AlphaMask {
 public:
  AlphaMask() = default;
  // From a 32-bit picture with alpha (premultiplied or not); other formats
  // are converted first. In the picture's pixels, whatever its pixel ratio.
  explicit AlphaMask(const QImage& image);
  // Makes this the mask of `image`, in the memory it already holds (a mask
  // read every frame allocates nothing once it has grown).
  void read(const QImage& image);
  // An outline filled, and stroked `strokeWidth` wide along its edge as the
  // bubbles draw it, in a window of `size` (logical) at `pixelRatio`.
  static AlphaMask ofOutline(const QPainterPath& outline, QSize size, double pixelRatio,
                             double strokeWidth);

  bool operator==(const AlphaMask& other) const = default;
  bool isEmpty() const { return bands_.empty(); }
  // The mask as rectangles: one band of equal rows after another, top to
  // bottom, runs left to right.
  QRegion region() const;

 private:
  // Per band: its top row, its height, the number of runs, then each run's
  // first and past-the-end column.
  std::vector<int> bands_;
};

}  // namespace pimble
