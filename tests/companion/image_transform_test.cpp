#include <gtest/gtest.h>

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "companion/layers/image_transform.h"

namespace pimble {
namespace {

constexpr auto kPremultiplied = QImage::Format_ARGB32_Premultiplied;

// An antialiased figure with sharp inner edges on a transparent margin, like a pose picture.
QImage figure() {
  QImage image(60, 80, kPremultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(20, 30, 90), 3));
  p.setBrush(QColor(200, 120, 40, 230));
  p.drawEllipse(QRectF(6, 5, 48, 68));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(18, 20, 12, 9));
  return image;
}

QImage backdrop() {
  QImage image(140, 150, kPremultiplied);
  image.fill(qRgba(10, 60, 30, 128));
  return image;
}

QImage painted(QImage target, const QImage& source, const QTransform& t, double opacity) {
  QPainter p(&target);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.setOpacity(opacity);
  p.setTransform(t);
  p.drawImage(0, 0, source);
  return target;
}

// The largest per-channel difference, and the share of pixels differing by more than 2.
struct Difference {
  int worst = 0;
  double shareOver2 = 0;
};

Difference compare(const QImage& a, const QImage& b) {
  Difference d;
  int over = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      const int m = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
      d.worst = std::max(d.worst, m);
      over += m > 2;
    }
  }
  d.shareOver2 = double(over) / (a.width() * a.height());
  return d;
}

// Pixels of `after` outside `clip` equal those of `before`.
bool untouchedOutside(const QImage& before, const QImage& after, const QRect& clip) {
  for (int y = 0; y < before.height(); ++y) {
    for (int x = 0; x < before.width(); ++x) {
      if (!clip.contains(x, y) && before.pixel(x, y) != after.pixel(x, y)) return false;
    }
  }
  return true;
}

TEST(DrawImageBilinear, AgreesWithQPainterOnTheFramesTransforms) {
  const QImage source = figure();
  struct Case {
    const char* name;
    QTransform transform;
    double opacity;
  };
  const QTransform sway = QTransform().translate(40.3, 30.7).rotateRadians(0.022).scale(1.01, 0.99);
  const Case cases[] = {
      {"sway, breathing, fractional offset", sway, 1.0},
      {"other way", QTransform().translate(41.6, 29.2).rotateRadians(-0.022).scale(0.99, 1.01), 1},
      {"half opacity", sway, 0.5},
      {"integer translation", QTransform::fromTranslate(17, -3), 1.0},
      {"fractional translation (snapped like QPainter)", QTransform::fromTranslate(17.5, 3.49), 1},
      {"downscale 0.5", QTransform(0.5, 0, 0, 0.5, 10.3, 20.1), 1.0},
      {"upscale 2", QTransform(2, 0, 0, 2, -30.3, -20.6), 0.8},
  };
  // Rotated pictures QPainter filters with 16 weight levels; where a position falls within a
  // rounding error of a level boundary the two may pick neighbouring levels, which on a hard edge
  // is a sixteenth of the contrast. Everywhere else they agree within 2.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QImage mine = backdrop();
    ASSERT_TRUE(drawImageBilinear(mine, source, c.transform, c.opacity, mine.rect()));
    const Difference d = compare(mine, painted(backdrop(), source, c.transform, c.opacity));
    const bool rotated = c.transform.type() >= QTransform::TxRotate;
    EXPECT_LE(d.worst, rotated ? 16 : 2);
    EXPECT_LE(d.shareOver2, rotated ? 0.002 : 0.0);
  }
}

TEST(DrawImageBilinear, IdentityCopiesAndEdgesFadeWithinAPixel) {
  QImage solid(20, 10, kPremultiplied);
  solid.fill(qRgba(200, 100, 50, 255));
  QImage target(40, 30, kPremultiplied);
  target.fill(Qt::transparent);
  ASSERT_TRUE(drawImageBilinear(target, figure(), QTransform(), 1.0, target.rect()));
  EXPECT_EQ(target.copy(0, 0, 40, 30), figure().copy(0, 0, 40, 30));

  target.fill(Qt::transparent);
  const QTransform shifted = QTransform::fromTranslate(5.5, 4.5).rotateRadians(0.01);
  ASSERT_TRUE(drawImageBilinear(target, solid, shifted, 1.0, target.rect()));
  EXPECT_EQ(qAlpha(target.pixel(15, 9)), 255);  // well inside
  EXPECT_GT(qAlpha(target.pixel(5, 9)), 0);     // the left edge, half covered
  EXPECT_LT(qAlpha(target.pixel(5, 9)), 255);
  for (int y = 0; y < 30; ++y) {  // nothing beyond a pixel of the picture
    for (int x = 0; x < 40; ++x) {
      if (x < 4 || x > 26 || y < 3 || y > 15) {
        EXPECT_EQ(target.pixel(x, y), 0u) << x << "," << y;
      }
    }
  }
}

TEST(DrawImageBilinear, TouchesOnlyTheClip) {
  const QTransform t = QTransform().translate(20.25, 10.5).rotateRadians(0.3).scale(1.4, 1.4);
  const QRect clip(30, 25, 40, 37);
  const QImage before = backdrop();
  QImage clipped = before;
  QImage whole = before;
  ASSERT_TRUE(drawImageBilinear(clipped, figure(), t, 1.0, clip));
  ASSERT_TRUE(drawImageBilinear(whole, figure(), t, 1.0, whole.rect()));
  EXPECT_TRUE(untouchedOutside(before, clipped, clip));
  EXPECT_EQ(clipped.copy(clip), whole.copy(clip));
  EXPECT_NE(clipped.copy(clip), before.copy(clip));
  // A clip off the target, or reaching past it, is cut to the target's rect.
  QImage off = before;
  EXPECT_TRUE(drawImageBilinear(off, figure(), t, 1.0, QRect(-500, -500, 100, 100)));
  EXPECT_EQ(off, before);
  EXPECT_TRUE(drawImageBilinear(off, figure(), t, 1.0, QRect(-9, -9, 1000, 1000)));
  EXPECT_EQ(off, whole);
}

TEST(DrawImageBilinear, RefusesWhatItCannotDrawExactlyAndLeavesTheTargetAlone) {
  const QImage before = backdrop();
  const QImage source = figure();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  QImage target = before;
  EXPECT_FALSE(drawImageBilinear(target, source.convertToFormat(QImage::Format_ARGB32),
                                 QTransform(), 1, target.rect()));
  QImage rgb = before.convertToFormat(QImage::Format_RGB32);
  const QImage rgbBefore = rgb;
  EXPECT_FALSE(drawImageBilinear(rgb, source, QTransform(), 1, rgb.rect()));
  EXPECT_EQ(rgb, rgbBefore);
  EXPECT_FALSE(drawImageBilinear(target, QImage(), QTransform(), 1, target.rect()));
  QImage null;
  EXPECT_FALSE(drawImageBilinear(null, source, QTransform(), 1, QRect(0, 0, 10, 10)));
  EXPECT_FALSE(drawImageBilinear(target, source, QTransform(0, 0, 0, 1, 5, 5), 1, target.rect()));
  EXPECT_FALSE(drawImageBilinear(target, source, QTransform(1, 2, 2, 4, 0, 0), 1, target.rect()));
  EXPECT_FALSE(drawImageBilinear(target, source, QTransform(nan, 0, 0, 1, 0, 0), 1, target.rect()));
  EXPECT_FALSE(
      drawImageBilinear(target, source, QTransform::fromTranslate(inf, 0), 1, target.rect()));
  EXPECT_FALSE(drawImageBilinear(target, source, QTransform(1, 0, 0.001, 0, 1, 0, 0, 0, 1), 1,
                                 target.rect()));  // perspective
  EXPECT_FALSE(drawImageBilinear(target, source, QTransform(1e200, 0, 0, 1e200, 0, 0), 1,
                                 target.rect()));  // the determinant overflows
  EXPECT_EQ(target, before);
}

TEST(DrawImageBilinear, HostileValuesDrawSafelyInsideTheClip) {
  const QImage before = backdrop();
  const QRect clip(10, 20, 50, 60);
  const QTransform hostile[] = {
      QTransform::fromTranslate(1e12, -1e12),
      QTransform(1e-12, 0, 0, 1e-12, 30, 40),
      QTransform(1e9, 0, 0, 1e9, -3e10, -4e10),
      QTransform(1e9, 3, -2, 1e-9, 7.5, 1e15),
      QTransform().translate(1e7, 0).rotate(45).scale(1e-5, 1e6),
      QTransform(-1, 0, 0, -1, 2e9, -2e9),
  };
  for (const QTransform& t : hostile) {
    QImage target = before;
    EXPECT_TRUE(drawImageBilinear(target, figure(), t, 1.0, clip));
    EXPECT_TRUE(untouchedOutside(before, target, clip));
  }
  // A huge magnification fills the clip with one colour of the picture.
  QImage target = before;
  ASSERT_TRUE(
      drawImageBilinear(target, figure(), QTransform(1e9, 0, 0, 1e9, -3e10, -4e10), 1.0, clip));
  EXPECT_EQ(target.pixel(clip.topLeft()), target.pixel(clip.bottomRight()));

  // Opacity is clamped, NaN draws nothing.
  QImage nanOpacity = before;
  EXPECT_TRUE(drawImageBilinear(nanOpacity, figure(), QTransform(), std::nan(""), clip));
  EXPECT_EQ(nanOpacity, before);
  QImage over = before;
  QImage full = before;
  drawImageBilinear(over, figure(), QTransform(), 7.0, clip);
  drawImageBilinear(full, figure(), QTransform(), 1.0, clip);
  EXPECT_EQ(over, full);
}

TEST(DrawImageBilinear, DrawingAnImageOntoItselfReadsTheOriginal) {
  QImage image = figure();
  const QImage original = image.copy();
  QImage expected = original.copy();
  const QTransform t = QTransform().translate(3.5, 2.25).rotateRadians(0.1);
  drawImageBilinear(expected, original, t, 1.0, expected.rect());
  ASSERT_TRUE(drawImageBilinear(image, image, t, 1.0, image.rect()));
  EXPECT_EQ(image, expected);
}

}  // namespace
}  // namespace pimble
