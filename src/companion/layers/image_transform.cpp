#include "companion/layers/image_transform.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace pimble {
namespace {

// Sample positions are stepped along a row in 16.16 fixed point, the precision QPainter uses, so
// the filtered result rounds the same way.
constexpr int kShift = 16;
constexpr double kOne = 65536.0;
// Past a million source pixels per target pixel (an absurdly shrunken picture) stepping buys
// nothing and the products could outgrow 64 bits; such rows are sampled one pixel at a time.
constexpr double kMaxStep = 1 << 20;
// Fixed-point positions kept well inside int64 even after a whole row of steps.
constexpr double kMaxPosition = 1099511627776.0;  // 2^40

// The source as the sampler sees it.
struct Picture {
  const uchar* bits = nullptr;
  qsizetype bytesPerLine = 0;
  int64_t width = 0;
  int64_t height = 0;
};

// Pixels are mixed and composed two at a time in 16-bit lanes with the compiler's portable vector
// types (plain SSE2 on x86-64, no intrinsics). Their source neighbours are read straight from the
// source rows where that is safe and simple, and otherwise gathered a chunk at a time.
constexpr int kChunk = 64;
constexpr int kGroup = 4;  // pixels checked for transparency at once

using U8x8 = uint8_t __attribute__((vector_size(8)));
using U16x8 = uint16_t __attribute__((vector_size(16)));
using U32x4 = uint32_t __attribute__((vector_size(16)));

struct Gathered {
  alignas(16) uint32_t tl[kChunk];
  alignas(16) uint32_t tr[kChunk];
  alignas(16) uint32_t bl[kChunk];
  alignas(16) uint32_t br[kChunk];
};

// Index of the alpha byte within a pixel in memory.
constexpr int kAlphaByte = std::endian::native == std::endian::little ? 3 : 0;

inline U16x8 widen(const void* pixels) {
  U8x8 bytes;
  std::memcpy(&bytes, pixels, sizeof bytes);
  return __builtin_convertvector(bytes, U16x8);
}

inline U32x4 load4(const uint32_t* pixels) {
  U32x4 v;
  std::memcpy(&v, pixels, sizeof v);
  return v;
}

inline U16x8 splat(unsigned value) {
  const auto v = static_cast<uint16_t>(value);
  return U16x8{v, v, v, v, v, v, v, v};
}

// t / 255 rounded as QPainter rounds it, for t up to 255 · 255.
inline U16x8 div255(U16x8 t) {
  return (t + (t >> 8) + splat(0x80)) >> 8;
}

// Where a stretch of target pixels finds its four neighbours (pixel i of each array): either
// gathered copies or, along a run that steps one source pixel at a time, the source's own rows.
// Weights come from the low 16 bits of the positions, which step evenly along a row; computing
// them in registers keeps the loop free of stores it would read back at once.
struct Quad {
  const uint32_t* tl;
  const uint32_t* tr;
  const uint32_t* bl;
  const uint32_t* br;
  uint16_t fx, dfx;  // position of pixel 0 and step, low 16 bits
  uint16_t fy, dfy;
};

inline uint16_t low16(int64_t v) {
  return static_cast<uint16_t>(v & 0xffff);
}

// Weights out of kLevels from the low 16 bits of positions: 256 levels truncated, or 16 rounded to
// the nearest (which can reach 16), the two precisions QPainter's filters use.
template <unsigned kLevels>
inline U16x8 weights(U16x8 f) {
  if constexpr (kLevels == 256) {
    return f >> 8;
  } else {
    return (f >> 12) + ((f >> 11) & splat(1));  // (f + 0x800) >> 12 without leaving 16 bits
  }
}

// Positions of pixels i and i + 1, each in four lanes.
inline U16x8 pairPositions(uint16_t f, uint16_t step, int i) {
  const auto at = static_cast<uint16_t>(f + i * step);
  return splat(at) + U16x8{0, 0, 0, 0, step, step, step, step};
}

// Mixes pixels i and i + 1 and composes them source-over onto `dst` (8 bytes).
template <bool kFullAlpha, unsigned kLevels>
inline void composePair(const Quad& g, int i, uint8_t* dst, unsigned alpha) {
  const U16x8 x = weights<kLevels>(pairPositions(g.fx, g.dfx, i));
  const U16x8 y = weights<kLevels>(pairPositions(g.fy, g.dfy, i));
  const U16x8 ix = splat(kLevels) - x;
  const U16x8 iy = splat(kLevels) - y;
  // Every sum of products stays below 2^16: the weights add up to kLevels.
  U16x8 top = widen(g.tl + i) * ix + widen(g.tr + i) * x;
  U16x8 bottom = widen(g.bl + i) * ix + widen(g.br + i) * x;
  if constexpr (kLevels == 256) {
    top >>= 8;
    bottom >>= 8;
  }
  U16x8 s = (top * iy + bottom * y) >> 8;
  if constexpr (!kFullAlpha) s = div255(s * splat(alpha));
  constexpr int a = kAlphaByte;
  const U16x8 ia =
      splat(255) - __builtin_shufflevector(s, s, a, a, a, a, a + 4, a + 4, a + 4, a + 4);
  const U16x8 out = s + div255(widen(dst) * ia);
  const U8x8 bytes = __builtin_convertvector(out, U8x8);
  std::memcpy(dst, &bytes, sizeof bytes);
}

inline uint32_t pixelAt(const Picture& p, int64_t x, int64_t y) {
  if (x < 0 || y < 0 || x >= p.width || y >= p.height) return 0;
  return reinterpret_cast<const uint32_t*>(p.bits + y * p.bytesPerLine)[x];
}

// Any position: neighbours outside the source read as transparent.
inline void gatherChecked(const Picture& p, Gathered& g, int i, int64_t fx, int64_t fy) {
  const int64_t x = fx >> kShift;
  const int64_t y = fy >> kShift;
  g.tl[i] = pixelAt(p, x, y);
  g.tr[i] = pixelAt(p, x + 1, y);
  g.bl[i] = pixelAt(p, x, y + 1);
  g.br[i] = pixelAt(p, x + 1, y + 1);
}

inline int64_t floorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}

inline int64_t ceilDiv(int64_t a, int64_t b) {
  return -floorDiv(-a, b);
}

// Steps k (first ≤ k ≤ last) with lo ≤ start + k·step ≤ hi, computed exactly, so the unchecked
// loop can never read past the source whatever the rounding.
struct Steps {
  int64_t first = 0;
  int64_t last = -1;
};

Steps within(Steps s, int64_t start, int64_t step, int64_t lo, int64_t hi) {
  if (step == 0) return (start >= lo && start <= hi) ? s : Steps{0, -1};
  const int64_t a = step > 0 ? ceilDiv(lo - start, step) : ceilDiv(hi - start, step);
  const int64_t b = step > 0 ? floorDiv(hi - start, step) : floorDiv(lo - start, step);
  return {std::max(s.first, a), std::min(s.last, b)};
}

// Narrows [lo, hi] to the x where lo' < p + q·x < hi' (bounds given as open limits); NaN
// from absurd magnitudes leaves the range as it was, which is safe because every pixel is
// checked again in fixed point.
void narrow(double& lo, double& hi, double p, double q, double openLo, double openHi) {
  if (q == 0) {
    if (!(p > openLo && p < openHi)) hi = lo - 1;
    return;
  }
  const double t1 = (openLo - p) / q;
  const double t2 = (openHi - p) / q;
  const double a = std::min(t1, t2);
  const double b = std::max(t1, t2);
  if (a > lo) lo = std::floor(a);
  if (b < hi) hi = std::ceil(b);
}

// Clamps a double range to [min, max] and converts it; false when empty.
bool toInts(double lo, double hi, int min, int max, int& first, int& last) {
  if (!(lo <= hi)) {
    if (std::isnan(lo) || std::isnan(hi)) {
      lo = min;
      hi = max;
    } else {
      return false;
    }
  }
  lo = std::isnan(lo) ? min : std::clamp(lo, double(min), double(max));
  hi = std::isnan(hi) ? max : std::clamp(hi, double(min), double(max));
  if (lo > hi) return false;
  first = static_cast<int>(lo);
  last = static_cast<int>(hi);
  return first <= last;
}

// The inverse map from a target pixel's centre to the sample position in source pixel indices
// (QPainter's convention: a pixel's colour sits at its centre, so half a pixel comes off).
struct InverseMap {
  double ux = 0, uy = 0, u0 = 0;  // u = ux·x + uy·y + u0 for target pixel (x, y)
  double vx = 0, vy = 0, v0 = 0;
};

// What every row of one call shares.
struct Job {
  Picture picture;
  InverseMap map;
  unsigned alpha = 255;
  int rowEnd = 0;       // the target's last column
  bool coarse = false;  // 16 weight levels instead of 256
};

inline void gatherInside(const Picture& p, Gathered& g, int i, int64_t fx, int64_t fy) {
  const auto* top =
      reinterpret_cast<const uint32_t*>(p.bits + (fy >> kShift) * p.bytesPerLine) + (fx >> kShift);
  const auto* bottom =
      reinterpret_cast<const uint32_t*>(reinterpret_cast<const uchar*>(top) + p.bytesPerLine);
  g.tl[i] = top[0];
  g.tr[i] = top[1];
  g.bl[i] = bottom[0];
  g.br[i] = bottom[1];
}

// Whether all sixteen neighbours of a group of four pixels from `i` are one colour, `colour`.
inline bool uniform(const Quad& q, int i, uint32_t& colour) {
  colour = q.tl[i];
  const U32x4 c = {colour, colour, colour, colour};
  const U32x4 differ =
      (load4(q.tl + i) ^ c) | (load4(q.tr + i) ^ c) | (load4(q.bl + i) ^ c) | (load4(q.br + i) ^ c);
  uint64_t halves[2];
  std::memcpy(halves, &differ, sizeof halves);
  return (halves[0] | halves[1]) == 0;
}

// Four pixels whose neighbours are all `colour`: the filter gives that colour exactly, so only
// the composing remains.
template <bool kFullAlpha>
inline void composeUniform(uint32_t colour, uint32_t* dst, unsigned alpha) {
  uint32_t pixels[2] = {colour, colour};
  U16x8 s = widen(pixels);
  if constexpr (!kFullAlpha) s = div255(s * splat(alpha));
  constexpr int a = kAlphaByte;
  if (s[a] == 255) {
    const U8x8 bytes = __builtin_convertvector(s, U8x8);
    std::memcpy(dst, &bytes, sizeof bytes);
    std::memcpy(dst + 2, &bytes, sizeof bytes);
    return;
  }
  const U16x8 ia = splat(255u - s[a]);
  for (int k = 0; k < kGroup; k += 2) {
    const U8x8 bytes = __builtin_convertvector(s + div255(widen(dst + k) * ia), U8x8);
    std::memcpy(dst + k, &bytes, sizeof bytes);
  }
}

// Composes `count` pixels of `q` onto `dst`.
template <bool kFullAlpha, unsigned kLevels>
void composeStretch(const Quad& q, int count, uint32_t* dst, unsigned alpha) {
  for (int i = 0; i < count; i += kGroup) {
    const int end = std::min(i + kGroup, count);
    // Groups whose neighbourhoods are one colour (a frame's empty margin, a flat fill) need no
    // filtering, and transparent ones no drawing at all.
    uint32_t colour = 0;
    if (end - i == kGroup && uniform(q, i, colour)) {
      if (colour != 0) composeUniform<kFullAlpha>(colour, dst + i, alpha);
      continue;
    }
    int k = i;
    for (; k + 2 <= end; k += 2) {
      composePair<kFullAlpha, kLevels>(q, k, reinterpret_cast<uint8_t*>(dst + k), alpha);
    }
    if (k < end) {
      // A lone last pixel: work on copies so nothing past the stretch is read or written.
      const uint32_t tl[2] = {q.tl[k], 0}, tr[2] = {q.tr[k], 0};
      const uint32_t bl[2] = {q.bl[k], 0}, br[2] = {q.br[k], 0};
      const Quad one{tl,
                     tr,
                     bl,
                     br,
                     static_cast<uint16_t>(q.fx + k * q.dfx),
                     0,
                     static_cast<uint16_t>(q.fy + k * q.dfy),
                     0};
      uint32_t spare[2] = {dst[k], 0};
      composePair<kFullAlpha, kLevels>(one, 0, reinterpret_cast<uint8_t*>(spare), alpha);
      dst[k] = spare[0];
    }
  }
}

template <bool kFullAlpha, unsigned kLevels>
void composeGathered(const Gathered& g, int count, int64_t fx, int64_t dfx, int64_t fy, int64_t dfy,
                     uint32_t* dst, unsigned alpha) {
  const Quad q{g.tl, g.tr, g.bl, g.br, low16(fx), low16(dfx), low16(fy), low16(dfy)};
  composeStretch<kFullAlpha, kLevels>(q, count, dst, alpha);
}

// Steps j ≥ 0 for which (start + j·step) >> 16 stays what it is at j = 0, at most `limit`.
int64_t stepsInCell(int64_t start, int64_t step, int64_t limit) {
  const int64_t cell = start >> kShift;
  if (step > 0) return std::min(limit, ceilDiv(((cell + 1) << kShift) - start, step));
  if (step < 0) return std::min(limit, floorDiv(start - (cell << kShift), -step) + 1);
  return limit;
}

// Draws `count` steps that all lie inside the source. Where the map moves about one source pixel
// per target pixel (the character's gentle sway and breathing), it splits them into runs with a
// fixed source row and a source column advancing by exactly one, and filters straight from the
// source rows; elsewhere it gathers.
template <bool kFullAlpha, unsigned kLevels>
void drawInside(const Picture& p, Gathered& g, int64_t& fx, int64_t& fy, int64_t dfx, int64_t dfy,
                int64_t count, uint32_t* dst, unsigned alpha) {
  const bool unitSteps = std::abs(dfx - (int64_t{1} << kShift)) < (int64_t{1} << (kShift - 2)) &&
                         std::abs(dfy) < (int64_t{1} << (kShift - 2));
  int64_t k = 0;
  while (k < count) {
    int64_t run = 0;
    if (unitSteps) {
      run = stepsInCell(fy, dfy, count - k);
      run = stepsInCell(fx, dfx - (int64_t{1} << kShift), run);
    }
    if (run >= 2) {
      const auto* top =
          reinterpret_cast<const uint32_t*>(p.bits + (fy >> kShift) * p.bytesPerLine) +
          (fx >> kShift);
      const auto* bottom =
          reinterpret_cast<const uint32_t*>(reinterpret_cast<const uchar*>(top) + p.bytesPerLine);
      const Quad q{top, top + 1, bottom, bottom + 1, low16(fx), low16(dfx), low16(fy), low16(dfy)};
      composeStretch<kFullAlpha, kLevels>(q, static_cast<int>(run), dst + k, alpha);
    } else {
      run = std::min<int64_t>(count - k, unitSteps ? 1 : kChunk);
      for (int j = 0; j < run; ++j) gatherInside(p, g, j, fx + j * dfx, fy + j * dfy);
      composeGathered<kFullAlpha, kLevels>(g, static_cast<int>(run), fx, dfx, fy, dfy, dst + k,
                                           alpha);
    }
    fx += run * dfx;
    fy += run * dfy;
    k += run;
  }
}

template <bool kFullAlpha, unsigned kLevels>
void drawRow(const Job& job, int y, int xFirst, int xLast, uint32_t* row) {
  const Picture& p = job.picture;
  const InverseMap& m = job.map;
  const double pu = m.uy * y + m.u0;
  const double pv = m.vy * y + m.v0;
  if (!std::isfinite(pu) || !std::isfinite(pv)) return;
  // Only the columns whose sample lies within a pixel of the source. Positions are stepped from
  // where that span starts on the whole target row, so a clip changes which pixels are drawn,
  // never their values.
  double lo = 0;
  double hi = job.rowEnd;
  narrow(lo, hi, pu, m.ux, -1.0, static_cast<double>(p.width));
  narrow(lo, hi, pv, m.vx, -1.0, static_cast<double>(p.height));
  int origin = 0;
  int end = 0;
  if (!toInts(lo, hi, 0, job.rowEnd, origin, end)) return;
  const int first = std::max(origin, xFirst);
  const int last = std::min(end, xLast);
  if (first > last) return;

  Gathered g;
  const double u = m.ux * origin + pu;
  const double v = m.vx * origin + pv;
  const double count = static_cast<double>(end) - origin + 1;
  const bool steppable = std::abs(m.ux) <= kMaxStep && std::abs(m.vx) <= kMaxStep &&
                         std::abs(u) <= kMaxPosition && std::abs(v) <= kMaxPosition &&
                         count * (std::abs(m.ux) + std::abs(m.vx)) <= kMaxPosition;
  if (!steppable) {
    for (int x = first; x <= last; ++x) {
      const double su = m.ux * x + pu;
      const double sv = m.vx * x + pv;
      if (!(su > -1 && su < p.width && sv > -1 && sv < p.height)) continue;
      const auto fx = static_cast<int64_t>(std::floor(su * kOne));
      const auto fy = static_cast<int64_t>(std::floor(sv * kOne));
      gatherChecked(p, g, 0, fx, fy);
      composeGathered<kFullAlpha, kLevels>(g, 1, fx, 0, fy, 0, row + x, job.alpha);
    }
    return;
  }

  // Start and step truncated to 16.16 as QPainter does, so both land on the same weights.
  const auto dfx = static_cast<int64_t>(m.ux * kOne);
  const auto dfy = static_cast<int64_t>(m.vx * kOne);
  int64_t fx = static_cast<int64_t>(std::floor(u * kOne)) + int64_t{first - origin} * dfx;
  int64_t fy = static_cast<int64_t>(std::floor(v * kOne)) + int64_t{first - origin} * dfy;
  const int64_t n = static_cast<int64_t>(last) - first + 1;

  // Steps whose four neighbours all lie inside the source need no checks.
  Steps inside{0, -1};
  if (p.width >= 2 && p.height >= 2) {
    inside = within({0, n - 1}, fx, dfx, 0, ((p.width - 1) << kShift) - 1);
    inside = within(inside, fy, dfy, 0, ((p.height - 1) << kShift) - 1);
  }
  if (inside.first > inside.last) inside = {n, n - 1};

  // Checked steps (the fading border) are gathered a chunk at a time.
  const auto drawChecked = [&](int64_t from, int64_t to) {
    for (int64_t base = from; base < to; base += kChunk) {
      const int chunk = static_cast<int>(std::min<int64_t>(kChunk, to - base));
      const int64_t fx0 = fx, fy0 = fy;
      for (int i = 0; i < chunk; ++i, fx += dfx, fy += dfy) gatherChecked(p, g, i, fx, fy);
      composeGathered<kFullAlpha, kLevels>(g, chunk, fx0, dfx, fy0, dfy, row + first + base,
                                           job.alpha);
    }
  };
  drawChecked(0, inside.first);
  drawInside<kFullAlpha, kLevels>(p, g, fx, fy, dfx, dfy, inside.last - inside.first + 1,
                                  row + first + inside.first, job.alpha);
  drawChecked(inside.last + 1, n);
}

}  // namespace

bool drawImageBilinear(QImage& target, const QImage& source, const QTransform& transform,
                       double opacity, const QRect& clip) {
  constexpr auto kFormat = QImage::Format_ARGB32_Premultiplied;
  if (target.isNull() || source.isNull() || target.format() != kFormat ||
      source.format() != kFormat) {
    return false;
  }
  if (transform.m13() != 0 || transform.m23() != 0 || transform.m33() != 1) return false;
  double m11 = transform.m11(), m12 = transform.m12(), m21 = transform.m21();
  double m22 = transform.m22(), dx = transform.dx(), dy = transform.dy();
  if (!std::isfinite(m11) || !std::isfinite(m12) || !std::isfinite(m21) || !std::isfinite(m22) ||
      !std::isfinite(dx) || !std::isfinite(dy)) {
    return false;
  }
  const QTransform::TransformationType type = transform.type();
  if (type <= QTransform::TxTranslate) {
    // QPainter draws a plain translation unfiltered, at the nearest whole pixel.
    m11 = m22 = 1;
    m12 = m21 = 0;
    dx = std::floor(dx + 0.5);
    dy = std::floor(dy + 0.5);
  }
  const double det = m11 * m22 - m12 * m21;
  if (!std::isfinite(det) || det == 0) return false;
  const double i11 = m22 / det, i12 = -m12 / det, i21 = -m21 / det, i22 = m11 / det;
  const double idx = (m21 * dy - m22 * dx) / det, idy = (m12 * dx - m11 * dy) / det;
  if (!std::isfinite(i11) || !std::isfinite(i12) || !std::isfinite(i21) || !std::isfinite(i22) ||
      !std::isfinite(idx) || !std::isfinite(idy)) {
    return false;
  }

  // QPainter turns opacity into a 0…256 level and scales coverage 255 by it.
  const double level = std::isnan(opacity) ? 0.0 : std::clamp(opacity, 0.0, 1.0);
  const auto alpha = static_cast<unsigned>((255 * std::lround(level * 256)) >> 8);
  const QRect area = clip.intersected(target.rect());
  if (alpha == 0 || area.isEmpty()) return true;

  // Keeps the source's pixels alive and unchanged even if it shares them with the target: taking
  // the target's bits below then copies the target first.
  const QImage held = source;
  Job job;
  job.picture = {held.constBits(), held.bytesPerLine(), held.width(), held.height()};
  job.alpha = alpha;
  job.rowEnd = target.width() - 1;
  // Sample for target pixel (x, y): inverse(x + ½, y + ½) − ½.
  job.map = {i11, i21, 0.5 * (i11 + i21) + idx - 0.5, i12, i22, 0.5 * (i12 + i22) + idy - 0.5};
  // Rotated pictures QPainter filters with 16 weight levels unless magnified more than eight times;
  // matching it keeps both paths looking the same.
  job.coarse = type >= QTransform::TxRotate && (std::abs(i11) >= 0.125 || std::abs(i12) >= 0.125);

  // Rows the picture can reach: its rect grown by the half-pixel fade, mapped forward.
  double top = std::numeric_limits<double>::infinity();
  double bottom = -top;
  const double w = static_cast<double>(job.picture.width);
  const double h = static_cast<double>(job.picture.height);
  const double corners[4][2] = {{-0.5, -0.5}, {w + 0.5, -0.5}, {-0.5, h + 0.5}, {w + 0.5, h + 0.5}};
  for (const auto& corner : corners) {
    const double ty = m12 * corner[0] + m22 * corner[1] + dy;
    top = std::min(top, ty);
    bottom = std::max(bottom, ty);
  }
  int yFirst = 0;
  int yLast = 0;
  if (!toInts(std::floor(top), std::ceil(bottom), area.top(), area.bottom(), yFirst, yLast)) {
    return true;
  }

  uchar* bits = target.bits();
  const qsizetype bpl = target.bytesPerLine();
  for (int y = yFirst; y <= yLast; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bits + y * bpl);
    if (job.coarse) {
      alpha == 255 ? drawRow<true, 16>(job, y, area.left(), area.right(), row)
                   : drawRow<false, 16>(job, y, area.left(), area.right(), row);
    } else {
      alpha == 255 ? drawRow<true, 256>(job, y, area.left(), area.right(), row)
                   : drawRow<false, 256>(job, y, area.left(), area.right(), row);
    }
  }
  return true;
}

}  // namespace pimble
