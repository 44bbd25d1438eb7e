#include <gtest/gtest.h>

#include "companion/art_context.h"
#include "companion/glimmet_artwork.h"

namespace pimble {
namespace {

int alphaAt(const QImage& image, int x, int y) {
  return qAlpha(image.pixel(x, y));
}

TEST(Artwork, EverySpriteHasItsCanvasSizeAtEachScale) {
  for (double scale : {1.0, 1.25, 2.0}) {
    const GlimmetSprites s = GlimmetArtwork::makeSprites(scale);
    const auto expect = [&](const QImage& image, double w, double h, const char* what) {
      EXPECT_EQ(image.size(), ArtContext::pixelSize({w, h}, scale)) << what << " at " << scale;
    };
    expect(s.body, 220, 310, "body");
    expect(s.cheek, 40, 28, "cheek");
    expect(s.bottle, 52, 90, "bottle");
    expect(s.cup, 56, 46, "cup");
    expect(s.clock, 56, 60, "clock");
    expect(s.scarf, 180, 64, "scarf");
    expect(s.scarfTails, 40, 44, "tails");
    expect(s.steam, 20, 34, "steam");
    expect(s.zee, 24, 24, "zee");
    expect(s.heart, 26, 24, "heart");
    expect(s.note, 22, 26, "note");
    expect(s.droplet, 18, 24, "droplet");
    expect(s.moon, 32, 32, "moon");
    expect(s.chevron, 24, 20, "chevron");
    expect(s.alert, 44, 36, "alert");
    expect(s.shadow, 110, 24, "shadow");
    ASSERT_EQ(s.eyes.size(), 4u);
    ASSERT_EQ(s.mouths.size(), 4u);
    ASSERT_EQ(s.stars.size(), 3u);
    ASSERT_EQ(s.hands.size(), 4u);
    for (const auto& [k, image] : s.eyes) expect(image, 28, 34, "eye");
    for (const auto& [k, image] : s.mouths) expect(image, 36, 28, "mouth");
    for (const auto& [k, image] : s.stars) expect(image, 26, 26, "star");
    for (const auto& [k, image] : s.hands) expect(image, 52, 52, "hand");
  }
  EXPECT_EQ(GlimmetArtwork::makeSprites(2).body.size(), QSize(440, 620));
  EXPECT_EQ(GlimmetArtwork::makeSprites(1.25).body.size(), QSize(275, 388));
  EXPECT_EQ(GlimmetArtwork::eye(EyeStyle::open, 1.5).size(), QSize(42, 51));
  EXPECT_EQ(GlimmetArtwork::makeSprites(0.001).body.size(), QSize(1, 1));
}

TEST(Artwork, BodyPathHoldsHeadWaistAndTailButNotTheNotch) {
  const QPainterPath body = GlimmetArtwork::bodyPath();
  EXPECT_TRUE(body.contains(QPointF(110, 100)));
  EXPECT_TRUE(body.contains(QPointF(110, 200)));
  EXPECT_TRUE(body.contains(QPointF(165, 270)));
  EXPECT_FALSE(body.contains(QPointF(20, 20)));
  EXPECT_FALSE(body.contains(QPointF(160, 250)));
  EXPECT_FALSE(body.contains(QPointF(200, 290)));
  const QRectF box = body.boundingRect();
  EXPECT_NEAR(box.left(), 32, 0.01);
  EXPECT_NEAR(box.right(), 188, 0.01);
  EXPECT_NEAR(box.top(), 46, 0.01);
  EXPECT_NEAR(box.bottom(), 283, 1);
}

TEST(Artwork, BodyIsLitFromTheUpperLeftWithAShadowBelow) {
  const QImage body = GlimmetArtwork::makeSprites(1).body;
  EXPECT_EQ(alphaAt(body, 10, 10), 0);
  EXPECT_EQ(alphaAt(body, 110, 100), 255);
  const QColor upperLeft = body.pixelColor(70, 90);
  const QColor lowerRight = body.pixelColor(160, 180);
  EXPECT_GT(upperLeft.lightnessF(), lowerRight.lightnessF());
  EXPECT_GT(lowerRight.blueF(), lowerRight.redF());  // the shade is blue-grey
  // The drop shadow falls below the tail, the same in units at every scale.
  const int at1 = alphaAt(body, 140, 290);
  const int at2 = alphaAt(GlimmetArtwork::makeSprites(2).body, 281, 581);
  EXPECT_GT(at1, 5);
  EXPECT_NEAR(at1, at2, 12);
}

TEST(Artwork, HandsAreMirrorImages) {
  for (double scale : {1.0, 1.5, 2.0}) {
    for (HandStyle style : allHandStyles) {
      const QImage left = GlimmetArtwork::hand(style, HandSide::left, scale);
      const QImage right = GlimmetArtwork::hand(style, HandSide::right, scale);
      int worst = 0;
      for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
          worst = std::max(worst,
                           std::abs(alphaAt(left, x, y) - alphaAt(right, left.width() - 1 - x, y)));
        }
      }
      EXPECT_LE(worst, 3) << "scale " << scale;
      // Where the thumb overlaps the palm the hand stays pale: the inner
      // shadow's frame must not count the overlap as outside and fill it.
      const QPointF overlap = style == HandStyle::mitten ? QPointF(33, 23) : QPointF(32.5, 27);
      const QColor pale = left.pixelColor(static_cast<int>(overlap.x() * scale),
                                          static_cast<int>(overlap.y() * scale));
      EXPECT_GT(pale.lightnessF(), 0.8) << "scale " << scale;
    }
  }
}

TEST(Artwork, FaceSpritesDrawWhatTheyShould) {
  const QImage open = GlimmetArtwork::eye(EyeStyle::open, 2);
  EXPECT_EQ(open.pixelColor(28, 40).rgb(), QColor::fromRgbF(0.10f, 0.10f, 0.16f).rgb());
  EXPECT_GT(open.pixelColor(24, 26).lightnessF(), 0.9);  // the catchlight
  // The happy eye arches up: ink above the ends' height in the middle.
  const QImage happy = GlimmetArtwork::eye(EyeStyle::happy, 2);
  EXPECT_GT(alphaAt(happy, 28, 29), 200);
  EXPECT_EQ(alphaAt(happy, 28, 41), 0);
  const QImage calm = GlimmetArtwork::eye(EyeStyle::calm, 2);
  EXPECT_GT(alphaAt(calm, 28, 39), 200);
  const QImage cheek = GlimmetArtwork::cheek(2);
  EXPECT_EQ(alphaAt(cheek, 0, 0), 0);
  EXPECT_EQ(alphaAt(cheek, 79, 55), 0);
  EXPECT_GT(alphaAt(cheek, 40, 28), 220);
  // The grin's tongue stays inside the mouth.
  const QImage grin = GlimmetArtwork::mouth(MouthStyle::grin, 2);
  EXPECT_EQ(alphaAt(grin, 36, 52), 0);
}

TEST(Artwork, GlowsSpreadEvenlyAroundTheSparkle) {
  const QImage star = GlimmetArtwork::star(StarStyle::sky, 2);
  EXPECT_NEAR(alphaAt(star, 26, 2), alphaAt(star, 26, 49), 3);
  EXPECT_GT(alphaAt(star, 26, 2), 0);
}

TEST(Artwork, ScarfStaysInsideTheSilhouetteInEveryColour) {
  const QPainterPath body = GlimmetArtwork::bodyPath();
  for (CapeColor c : {CapeColor::red, CapeColor::blue, CapeColor::gold, CapeColor::midnight}) {
    const QImage scarf = GlimmetArtwork::scarf(1, palette(c));
    int stray = 0;
    for (int y = 0; y < scarf.height(); ++y) {
      for (int x = 0; x < scarf.width(); ++x) {
        const QRectF pixel(x + 20 - 1, y + 140 - 1, 3, 3);  // with a pixel of slack
        // The knot's soft shadow may leave a trace of 1% on the flank.
        if (!body.intersects(pixel) && alphaAt(scarf, x, y) > 3) ++stray;
      }
    }
    EXPECT_EQ(stray, 0);
    const QColor mid = scarf.pixelColor(90, 31);  // the band's middle
    const RgbaColor& base = palette(c).base;
    EXPECT_NEAR(mid.redF(), base.red, 0.2);
    EXPECT_NEAR(mid.blueF(), base.blue, 0.2);
  }
}

}  // namespace
}  // namespace pimble

namespace pimble {
namespace {

int alphaOf(const QImage& image, QPointF units, double scale) {
  return qAlpha(
      image.pixel(static_cast<int>(units.x() * scale), static_cast<int>(units.y() * scale)));
}

TEST(Artwork, PropsAndGlyphsFollowTheirAngles) {
  constexpr double s = 4;
  const QImage clock = GlimmetArtwork::clock(s);
  // Both bells' domes point outward and up.
  EXPECT_EQ(alphaOf(clock, {9.4, 9.1}, s), 255);
  EXPECT_EQ(alphaOf(clock, {46.6, 9.1}, s), 255);
  EXPECT_EQ(alphaOf(clock, {13, 4}, s), 0);
  // The quarter-hour dots are the larger ones.
  const QColor quarter = clock.pixelColor(static_cast<int>(28 * s), static_cast<int>(17.2 * s));
  const QColor small = clock.pixelColor(static_cast<int>((28 + 15.5 * 0.5) * s),
                                        static_cast<int>((34 - 15.5 * 0.866 - 1.3) * s));
  EXPECT_LT(quarter.lightnessF(), small.lightnessF() - 0.1);

  // The moon is the thin sliver between the left sides of two circles.
  const QImage moon = GlimmetArtwork::moon(s);
  EXPECT_EQ(alphaOf(moon, {7, 16}, s), 255);
  EXPECT_LT(alphaOf(moon, {16, 16}, s), 128);

  // The alert's rays stand off their common centre and cast no halo.
  const QImage alert = GlimmetArtwork::alert(s);
  EXPECT_EQ(alphaOf(alert, {28.27, 28.94}, s), 255);
  EXPECT_EQ(alphaOf(alert, {8, 32}, s), 0);
  EXPECT_EQ(alphaOf(alert, {28.27, 33}, s), 0);

  // The bottle's shadow falls below the glass, its wavy water inside it.
  const QImage bottle = GlimmetArtwork::bottle(s);
  EXPECT_GT(alphaOf(bottle, {26, 88}, s), 0);
  EXPECT_EQ(alphaOf(bottle, {26, 1}, s), 0);
  const QColor water = bottle.pixelColor(static_cast<int>(20 * s), static_cast<int>(80 * s));
  EXPECT_GT(water.blueF(), water.redF() + 0.3);
  // The droplet's highlight casts no glow of its own: the glow is blue.
  const QImage drop = GlimmetArtwork::droplet(s);
  const QColor glow = drop.pixelColor(static_cast<int>(9 * s), static_cast<int>(0.8 * s));
  EXPECT_GT(glow.blueF(), glow.redF());
}

}  // namespace
}  // namespace pimble
