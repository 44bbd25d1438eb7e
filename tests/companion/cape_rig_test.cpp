#include "companion/cape_rig.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pimble {
namespace {

TEST(CapeRig, RestStateFollowsIntensityAndSleep) {
  CapeRig cape;
  CapeRig::ClothState rest = cape.state(0);
  EXPECT_DOUBLE_EQ(rest.wind.dx, -0.12);
  EXPECT_DOUBLE_EQ(rest.wind.dy, 0);
  EXPECT_DOUBLE_EQ(rest.ripple, 3.4);
  EXPECT_DOUBLE_EQ(rest.flutter, 2.6);
  cape.setIntensity(AnimationIntensity::off);
  rest = cape.state(0);
  EXPECT_DOUBLE_EQ(rest.wind.dx, -0.048);
  EXPECT_DOUBLE_EQ(rest.ripple, 0);
  EXPECT_DOUBLE_EQ(rest.flutter, 0);
  cape.setIntensity(AnimationIntensity::normal);
  cape.setSleeping(true);
  rest = cape.state(0);
  EXPECT_DOUBLE_EQ(rest.wind.dx, -0.06);
  EXPECT_DOUBLE_EQ(rest.ripple, 1.6);
  EXPECT_DOUBLE_EQ(rest.flutter, 1.2);
  const CapeRig::ClothState quarter = cape.state(0.25);
  EXPECT_NEAR(quarter.phase, M_PI, 1e-12);
  EXPECT_NEAR(quarter.wind.dy, 0.02, 1e-12);
}

TEST(CapeRig, SurfaceHangsFromTheShouldersAndOutlineClosesAtTheNeck) {
  const CapeRig::ClothState still{};  // no wind, no waves
  EXPECT_EQ(CapeRig::surfacePoint(still, 0.5, 0, 0, 0), QPointF(110, 164));
  EXPECT_EQ(CapeRig::surfacePoint(still, 0, 0, 0, 0), QPointF(52, 167));
  const QPointF hemMiddle = CapeRig::surfacePoint(still, 0.5, 1, 0, 0);
  const QPointF hemCorner = CapeRig::surfacePoint(still, 0, 1, 0, 0);
  EXPECT_NEAR(hemMiddle.y() - hemCorner.y(), 6, 1e-9);
  EXPECT_NEAR(hemCorner.x(), 52 - 16, 1e-9);

  CapeRig cape;
  const QPainterPath outline = CapeRig::outline(cape.state(0), 0, 0);
  EXPECT_EQ(outline.elementCount(), 1 + 30 * 3);
  // The spline's last point before closing is the neck, flipped into layer space.
  EXPECT_EQ(outline.elementAt(outline.elementCount() - 4), QPointF(110, 310 - 164));
  EXPECT_TRUE(CapeRig::lines(cape.state(0), {}, 0, 1).isEmpty());
  EXPECT_EQ(CapeRig::lines(cape.state(0), {0.2, 0.5}, 0.2, 0.9).elementCount(), 2 * (1 + 6 * 3));
}

TEST(CapeRig, SmoothPathIsACatmullRomSpline) {
  EXPECT_TRUE(CapeRig::smoothPath({{1, 1}}, false).isEmpty());
  const QPainterPath two = CapeRig::smoothPath({{0, 0}, {6, 3}}, false);
  ASSERT_EQ(two.elementCount(), 4);
  for (int i = 1; i < 4; ++i) {
    const QPointF p = two.elementAt(i);
    EXPECT_NEAR(p.y(), p.x() / 2, 1e-12);  // on the line between the points
  }
  EXPECT_EQ(QPointF(two.elementAt(1)), QPointF(1, 0.5));
  const QPainterPath square = CapeRig::smoothPath({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
  EXPECT_EQ(square.elementCount(), 1 + 4 * 3);
  // Controls come from the neighbours: p1 + (p2 − p0) / 6.
  EXPECT_EQ(QPointF(square.elementAt(1)), QPointF(0, 0) + (QPointF(10, 0) - QPointF(0, 10)) / 6);
}

TEST(CapeRig, PaletteCrossOverKeepsTheStartingRedsUntilAColourChange) {
  CapeRig cape;
  const ColorList start = cape.cloth->colors();
  EXPECT_EQ(start.front(), srgb(0.97, 0.27, 0.26));
  cape.setColor(CapeColor::red);  // already red: the starting reds stay
  EXPECT_EQ(cape.cloth->colors(), start);
  cape.setColor(CapeColor::gold);
  EXPECT_EQ(cape.lining->fillColor(), srgb(0.61, 0.37, 0.05));
  EXPECT_EQ(cape.shine->strokeColor(), srgb(1, 0.97, 0.85, 0.45));
  cape.setColor(CapeColor::red);  // back to red takes the palette's reds
  EXPECT_EQ(cape.cloth->colors().front(), srgb(1, 0.42, 0.40));
  EXPECT_EQ(cape.folds->strokeColor(), srgb(0.42, 0, 0.06, 0.34));
}

TEST(CapeRig, HidingTheCapeHidesBothGroups) {
  CapeRig cape;
  cape.setVisible(false);
  EXPECT_TRUE(cape.back->isHidden());
  EXPECT_TRUE(cape.front->isHidden());
  EXPECT_EQ(cape.tails->anchorPoint(), QPointF(0.78, 0.86));
  EXPECT_EQ(cape.tails->position(), QPointF(51, 143));
  EXPECT_EQ(cape.scarf->position(), QPointF(110, 138));
}

}  // namespace
}  // namespace pimble
