#include "companion/alpha_mask.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace pimble {
namespace {

// Alpha is a pixel's top byte: at least half opaque is the top bit set.
constexpr quint32 halfOpaque = 0x80000000u;

// The first column from `x` on whose pixel is (or is not, by `opaque`) at
// least half opaque; four pixels a step through long runs.
int runEnd(const quint32* row, int x, int width, bool opaque) {
  constexpr quint64 both = 0x8000000080000000ull;
  const quint64 same = opaque ? both : 0;
  while (x + 4 <= width) {
    quint64 a = 0;
    quint64 b = 0;
    std::memcpy(&a, row + x, sizeof a);
    std::memcpy(&b, row + x + 2, sizeof b);
    if ((a & both) != same || (b & both) != same) break;
    x += 4;
  }
  while (x < width && (row[x] >= halfOpaque) == opaque) ++x;
  return x;
}

}  // namespace

AlphaMask::AlphaMask(const QImage& image) {
  read(image);
}

void AlphaMask::read(const QImage& source) {
  bands_.clear();
  if (source.isNull()) return;
  const bool direct = source.format() == QImage::Format_ARGB32_Premultiplied ||
                      source.format() == QImage::Format_ARGB32;
  const QImage image =
      direct ? source : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int w = image.width();
  size_t band = 0;  // where the last band starts in bands_
  bool haveBand = false;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
    // The row is written as a band of its own, then merged into the band
    // before when its runs are the same.
    const size_t start = bands_.size();
    bands_.push_back(y);
    bands_.push_back(1);
    bands_.push_back(0);
    int x = runEnd(row, 0, w, false);
    while (x < w) {
      const int begin = x;
      x = runEnd(row, x, w, true);
      bands_.push_back(begin);
      bands_.push_back(x);
      x = runEnd(row, x, w, false);
    }
    const size_t runValues = bands_.size() - start - 3;
    if (runValues == 0) {
      bands_.resize(start);
      continue;
    }
    bands_[start + 2] = int(runValues / 2);
    if (haveBand) {
      const int top = bands_[band];
      const int height = bands_[band + 1];
      const auto count = size_t(bands_[band + 2]);
      if (top + height == y && count * 2 == runValues &&
          std::equal(bands_.begin() + std::ptrdiff_t(start + 3), bands_.end(),
                     bands_.begin() + std::ptrdiff_t(band + 3))) {
        ++bands_[band + 1];
        bands_.resize(start);
        continue;
      }
    }
    band = start;
    haveBand = true;
  }
}

AlphaMask AlphaMask::ofOutline(const QPainterPath& outline, QSize size, double pixelRatio,
                               double strokeWidth) {
  if (size.isEmpty() || !(pixelRatio > 0)) return {};
  const QSize pixels(int(std::ceil(size.width() * pixelRatio)),
                     int(std::ceil(size.height() * pixelRatio)));
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixelRatio, pixelRatio);
    p.fillPath(outline, Qt::black);
    if (strokeWidth > 0) p.strokePath(outline, QPen(Qt::black, strokeWidth));
  }
  return AlphaMask(image);
}

QRegion AlphaMask::region() const {
  std::vector<QRect> rects;
  for (size_t i = 0; i < bands_.size();) {
    const int top = bands_[i];
    const int height = bands_[i + 1];
    const int count = bands_[i + 2];
    i += 3;
    for (int r = 0; r < count; ++r, i += 2) {
      rects.emplace_back(QPoint(bands_[i], top), QSize(bands_[i + 1] - bands_[i], height));
    }
  }
  QRegion region;
  // Already in the banded order a region keeps: no unions needed.
  if (!rects.empty()) region.setRects(rects.data(), int(rects.size()));
  return region;
}

}  // namespace pimble
