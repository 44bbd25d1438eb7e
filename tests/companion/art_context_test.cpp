#include "companion/art_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pimble {
namespace {

int alphaAt(const QImage& image, int x, int y) {
  return qAlpha(image.pixel(x, y));
}

TEST(ArtContext, BitmapSizesRoundUpAndNeverVanish) {
  EXPECT_EQ(ArtContext::pixelSize({220, 310}, 1), QSize(220, 310));
  EXPECT_EQ(ArtContext::pixelSize({220, 310}, 2), QSize(440, 620));
  EXPECT_EQ(ArtContext::pixelSize({220, 310}, 1.25), QSize(275, 388));
  EXPECT_EQ(ArtContext::pixelSize({28, 34}, 1.5), QSize(42, 51));
  EXPECT_EQ(ArtContext::pixelSize({220, 310}, 0.001), QSize(1, 1));
  EXPECT_EQ(ArtContext::pixelSize({220, 310}, 0), QSize(1, 1));
  EXPECT_EQ(ArtContext::pixelSize({220, 310}, std::numeric_limits<double>::quiet_NaN()),
            QSize(1, 1));
  EXPECT_EQ(ArtContext::pixelSize({220, 310}, 1e12), QSize(1, 1));
}

TEST(ArtContext, LeftOverPixelsLieAtTheRightAndBottom) {
  ArtContext ctx({10, 10}, 1.25);  // 12.5 pixels: 13 wide
  ctx.fillRect({0, 0, 10, 10}, Qt::red);
  const QImage image = ctx.takeImage();
  ASSERT_EQ(image.size(), QSize(13, 13));
  EXPECT_EQ(alphaAt(image, 0, 0), 255);
  EXPECT_GT(alphaAt(image, 12, 12), 0);
  EXPECT_LT(alphaAt(image, 12, 12), 255);
}

TEST(ArtContext, ShadowsUseDevicePixelsWithYUp) {
  for (double scale : {1.0, 2.0}) {
    ArtContext ctx({40, 40}, scale);
    ctx.setShadowUnits({0, -5}, 0, Qt::black);  // five units below on screen
    ctx.fillRect({10, 10, 10, 10}, Qt::white);
    const QImage image = ctx.takeImage();
    const auto px = [&](double units) { return static_cast<int>(units * scale); };
    EXPECT_EQ(image.pixel(px(15), px(12)), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(px(15), px(23)), qRgb(0, 0, 0)) << scale;
    EXPECT_EQ(alphaAt(image, px(15), px(8)), 0);
  }
}

TEST(ArtContext, GradientsStopAtTheirEndsUnlessExtended) {
  ArtContext ctx({40, 10}, 1);
  ctx.drawLinearGradient({{0, Qt::red}, {1, Qt::blue}}, {10, 0}, {30, 0}, false, false);
  QImage image = ctx.takeImage();
  EXPECT_EQ(alphaAt(image, 5, 5), 0);
  EXPECT_EQ(alphaAt(image, 20, 5), 255);
  EXPECT_EQ(alphaAt(image, 35, 5), 0);

  ArtContext extended({40, 10}, 1);
  extended.drawLinearGradient({{0, Qt::red}, {1, Qt::blue}}, {10, 0}, {30, 0}, true, true);
  image = extended.takeImage();
  EXPECT_EQ(image.pixel(2, 5), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(38, 5), qRgb(0, 0, 255));

  ArtContext radial({40, 40}, 1);
  radial.drawRadialGradient({{0, Qt::red}, {1, Qt::blue}}, {20, 20}, 0, {20, 20}, 10, false, false);
  image = radial.takeImage();
  EXPECT_GT(qRed(image.pixel(20, 20)), 235);
  EXPECT_EQ(alphaAt(image, 20, 35), 0);
}

TEST(ArtContext, ArcAnglesTurnFromXTowardY) {
  QPainterPath path;
  ArtContext::addArc(path, {0, 0}, 10, 0, M_PI / 2, true);  // through the lower right on screen
  EXPECT_NEAR(path.currentPosition().x(), 0, 1e-9);
  EXPECT_NEAR(path.currentPosition().y(), 10, 1e-9);
  EXPECT_GT(path.pointAtPercent(0.5).y(), 5);

  QPainterPath around;
  ArtContext::addArc(around, {0, 0}, 10, 0, M_PI / 2, false);  // the long way, through the top
  EXPECT_LT(around.pointAtPercent(0.5).x(), -5);
  EXPECT_NEAR(around.length(), 10 * 1.5 * M_PI, 0.1);

  // A second arc joins the first with a straight line.
  QPainterPath joined;
  ArtContext::addArc(joined, {0, 0}, 10, 0, M_PI, true);
  ArtContext::addArc(joined, {0, 0}, 5, M_PI, 0, false);
  EXPECT_NEAR(joined.length(), 10 * M_PI + 5 + 5 * M_PI, 0.2);
}

TEST(ArtContext, DashesCountInLineWidths) {
  EXPECT_EQ(ArtContext::dashPattern({6, 2}, 2), (QList<qreal>{3, 1}));
  EXPECT_EQ(ArtContext::dashPattern({4}, 2), (QList<qreal>{2, 2}));
  EXPECT_TRUE(ArtContext::dashPattern({4, -1}, 2).isEmpty());
  EXPECT_TRUE(ArtContext::dashPattern({4, 1}, 0).isEmpty());
}

TEST(ArtContext, ClipsHaveSoftEdgesAndEndWithTheirState) {
  ArtContext ctx({20, 20}, 1);
  QPainterPath half;
  half.addRect(QRectF(0, 0, 10.5, 20));
  ctx.save();
  ctx.clip(half);
  ctx.fillRect({0, 0, 20, 10}, Qt::red);
  ctx.restore();
  ctx.fillRect({0, 10, 20, 10}, Qt::blue);  // the clip has ended
  const QImage image = ctx.takeImage();
  EXPECT_EQ(alphaAt(image, 5, 5), 255);
  EXPECT_NEAR(alphaAt(image, 10, 5), 128, 3);  // half the pixel is inside
  EXPECT_EQ(alphaAt(image, 15, 5), 0);
  EXPECT_EQ(alphaAt(image, 15, 15), 255);
}

}  // namespace
}  // namespace pimble
