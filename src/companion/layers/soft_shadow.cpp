#include "companion/layers/soft_shadow.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace pimble {
namespace {

// Three box widths whose repeated application approximates a Gaussian of
// the given standard deviation.
std::array<int, 3> boxRadii(double sigma) {
  constexpr int passes = 3;
  const double ideal = std::sqrt(12 * sigma * sigma / passes + 1);
  int lower = static_cast<int>(std::floor(ideal));
  if (lower % 2 == 0) --lower;
  const int upper = lower + 2;
  const double m = (12 * sigma * sigma - passes * lower * lower - 4 * passes * lower - 3 * passes) /
                   (-4 * lower - 4);
  const int countLower = static_cast<int>(std::lround(m));
  std::array<int, 3> radii{};
  for (int i = 0; i < passes; ++i) radii[i] = ((i < countLower ? lower : upper) - 1) / 2;
  return radii;
}

// One box pass along rows (stride 1) or columns (stride = width), reading
// zeros outside the buffer.
void boxPass(const std::vector<float>& in, std::vector<float>& out, int width, int height,
             int radius, bool horizontal) {
  const int lines = horizontal ? height : width;
  const int length = horizontal ? width : height;
  const int step = horizontal ? 1 : width;
  const float scale = 1.0f / static_cast<float>(2 * radius + 1);
  for (int line = 0; line < lines; ++line) {
    const int base = horizontal ? line * width : line;
    auto at = [&](int i) { return (i < 0 || i >= length) ? 0.0f : in[base + i * step]; };
    float sum = 0;
    for (int i = -radius; i <= radius; ++i) sum += at(i);
    for (int i = 0; i < length; ++i) {
      out[base + i * step] = sum * scale;
      sum += at(i + radius + 1) - at(i - radius);
    }
  }
}

}  // namespace

SoftShadow makeSoftShadow(const QImage& source, const QColor& color, double blurPixels) {
  SoftShadow result;
  if (source.isNull()) return result;
  const double blur = std::isfinite(blurPixels) ? std::clamp(blurPixels, 0.0, 512.0) : 0.0;
  const double sigma = blur / 2;
  result.margin = static_cast<int>(std::ceil(3 * sigma));
  const QImage src = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int w = src.width() + 2 * result.margin;
  const int h = src.height() + 2 * result.margin;
  std::vector<float> alpha(static_cast<size_t>(w) * h, 0.0f);
  for (int y = 0; y < src.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    float* dst = alpha.data() + static_cast<size_t>(y + result.margin) * w + result.margin;
    for (int x = 0; x < src.width(); ++x) dst[x] = static_cast<float>(qAlpha(row[x])) / 255.0f;
  }
  if (sigma > 0.2) {
    std::vector<float> scratch(alpha.size());
    for (int radius : boxRadii(sigma)) {
      if (radius <= 0) continue;
      boxPass(alpha, scratch, w, h, radius, true);
      boxPass(scratch, alpha, w, h, radius, false);
    }
  }
  result.image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
  const float ca = static_cast<float>(color.alphaF());
  const float cr = static_cast<float>(color.redF());
  const float cg = static_cast<float>(color.greenF());
  const float cb = static_cast<float>(color.blueF());
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(result.image.scanLine(y));
    const float* a = alpha.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      const float k = std::clamp(a[x], 0.0f, 1.0f) * ca;
      const auto c = [&](float v) { return static_cast<int>(std::lround(v * k * 255.0f)); };
      row[x] = qRgba(c(cr), c(cg), c(cb), c(1.0f));
    }
  }
  return result;
}

}  // namespace pimble
