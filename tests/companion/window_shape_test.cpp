// The character's window outline where no compositor blends its soft edges:
// the mask of what is drawn, and the frames it is taken from.
#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "companion/alpha_mask.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_figure.h"
#include "companion/glimmet_host_view.h"
#include "companion/layers/manual_clock.h"
#include "fake_figure.h"

namespace pimble {
namespace {

QImage transparent(QSize size, QImage::Format format = QImage::Format_ARGB32_Premultiplied) {
  QImage image(size, format);
  image.fill(Qt::transparent);
  return image;
}

// The rectangles of a region, for comparing how it is banded.
std::vector<QRect> rectsOf(const QRegion& region) {
  return {region.begin(), region.end()};
}

TEST(AlphaMask, KeepsPixelsAtLeastHalfOpaqueInFewestBands) {
  QImage image = transparent({8, 6});
  // A 4 × 3 block at (2, 1), plus one pixel just under half and one at half.
  for (int y = 1; y < 4; ++y) {
    for (int x = 2; x < 6; ++x) image.setPixel(x, y, 0xff336699);
  }
  image.setPixel(0, 5, qPremultiply(qRgba(255, 255, 255, 127)));
  image.setPixel(7, 5, qPremultiply(qRgba(255, 255, 255, 128)));
  const QRegion region = AlphaMask(image).region();
  EXPECT_EQ(rectsOf(region), (std::vector<QRect>{QRect(2, 1, 4, 3), QRect(7, 5, 1, 1)}));

  // Unpremultiplied pixels count by their alpha alike; a picture without
  // alpha is opaque throughout; a blank one gives nothing.
  EXPECT_EQ(AlphaMask(image.convertToFormat(QImage::Format_ARGB32)).region(), region);
  QImage opaque(5, 4, QImage::Format_RGB32);
  opaque.fill(Qt::black);
  EXPECT_EQ(rectsOf(AlphaMask(opaque).region()), (std::vector<QRect>{QRect(0, 0, 5, 4)}));
  EXPECT_TRUE(AlphaMask(transparent({5, 4})).isEmpty());
  EXPECT_TRUE(AlphaMask(QImage()).region().isEmpty());
}

TEST(AlphaMask, EqualPixelsGiveEqualMasksAndRegionsMatchQtsOwn) {
  QImage image = transparent({40, 30});
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::red);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(3.3, 2.7, 30, 22));
    p.drawRect(QRectF(30, 20, 8, 9));
  }
  const AlphaMask mask(image);
  EXPECT_EQ(mask, AlphaMask(image.copy()));
  // What Qt makes of the same pixels, one at a time.
  QRegion expected;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) >= 128) expected += QRect(x, y, 1, 1);
    }
  }
  EXPECT_EQ(mask.region(), expected);
  EXPECT_EQ(rectsOf(mask.region()), rectsOf(expected));

  image.setPixel(0, 0, 0xff000000);
  EXPECT_NE(AlphaMask(image), mask);
}

TEST(AlphaMask, OutlineCoversItsFillAndHalfItsStroke) {
  QPainterPath path;
  path.addRoundedRect(QRectF(10, 10, 60, 30), 8, 8);
  const QRegion plain = AlphaMask::ofOutline(path, {80, 50}, 1, 0).region();
  EXPECT_TRUE(plain.contains(QPoint(40, 25)));
  EXPECT_TRUE(plain.contains(QPoint(10, 25)));
  EXPECT_FALSE(plain.contains(QPoint(9, 25)));
  EXPECT_FALSE(plain.contains(QPoint(10, 10)));  // the rounded corner is cut
  EXPECT_EQ(plain.boundingRect(), QRect(10, 10, 60, 30));
  // A two-point stroke reaches one point out, twice as far at twice the pixels.
  EXPECT_EQ(AlphaMask::ofOutline(path, {80, 50}, 1, 2).region().boundingRect(),
            QRect(9, 9, 62, 32));
  EXPECT_EQ(AlphaMask::ofOutline(path, {80, 50}, 2, 2).region().boundingRect(),
            QRect(18, 18, 124, 64));
  EXPECT_TRUE(AlphaMask::ofOutline(path, {}, 1, 1).isEmpty());
}

// A figure of one layer: a translucent disc casting a soft shadow.
struct DiscFigure {
  testing::FigureLog log;
  GlimmetHostView view{std::make_unique<testing::FakeFigure>(&log)};
  LayerPtr disc = Layer::make();
  std::vector<QRegion> reported;

  DiscFigure() {
    view.resize(155, 155);  // half a canvas unit a pixel
    disc->setBounds({100, 100});
    disc->setCornerRadius(50);
    disc->setBackgroundColor(QColor(40, 90, 200, 200));
    disc->setPosition({110, 150});
    disc->setShadowOpacity(0.6);
    disc->setShadowRadius(10);
    view.figure().rootLayer()->addSublayer(disc);
    view.onFrameMask = [this](const QRegion& r) { reported.push_back(r); };
  }
  // Through a pixmap, which the view cannot read back: it paints the frame
  // once more to take its mask.
  QImage painted() { return view.grab().toImage(); }
  QImage paintedDirectly() {
    QImage image = transparent(view.size());
    QPainter p(&image);
    GlimmetHostView::paintFrame(p, *view.figure().rootLayer(), view.size(), 0);
    return image;
  }
};

TEST(GlimmetHostViewFrameMask, ReportsWhatEachFrameDrawsOnlyWhenItChanges) {
  DiscFigure f;
  const QImage direct = f.painted();
  EXPECT_TRUE(f.reported.empty());  // off until asked for

  f.view.setReportsFrameMask(true);
  const QImage shown = f.painted();
  // The window shows the same pixels, cut to the frame's half-opaque ones:
  // the disc (alpha 200) but not its shadow (at most 0.6 of it, faded).
  EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
            direct.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  ASSERT_EQ(f.reported.size(), 1u);
  EXPECT_EQ(f.reported.back(), AlphaMask(shown).region());
  const QRect box = f.reported.back().boundingRect();
  EXPECT_NEAR(box.width(), 50, 1);
  EXPECT_NEAR(box.height(), 50, 1);

  // The same frame again: nothing new to cut.
  f.painted();
  EXPECT_EQ(f.reported.size(), 1u);
  // Moved by two units (one pixel): cut anew, to where it is now.
  f.disc->setPosition({112, 150});
  const QImage moved = f.painted();
  ASSERT_EQ(f.reported.size(), 2u);
  EXPECT_EQ(f.reported.back(), AlphaMask(moved).region());
  EXPECT_EQ(f.reported.back(), f.reported.front().translated(1, 0));

  // Painted where there is no alpha to read (a window without
  // translucency): the mask still comes from what the frame draws.
  f.disc->setPosition({114, 150});
  QImage opaque(f.view.size(), QImage::Format_RGB32);
  f.view.render(&opaque);
  ASSERT_EQ(f.reported.size(), 3u);
  EXPECT_EQ(f.reported.back(), f.reported.front().translated(2, 0));
  f.reported.pop_back();

  // Faded below half: nothing is left to show.
  f.disc->setOpacity(0.3);
  f.painted();
  ASSERT_EQ(f.reported.size(), 3u);
  EXPECT_TRUE(f.reported.back().isEmpty());

  // Off again: painted directly, no reports; on again: the next frame reports.
  f.view.setReportsFrameMask(false);
  f.disc->setOpacity(1);
  EXPECT_EQ(f.painted(), f.paintedDirectly());
  EXPECT_EQ(f.reported.size(), 3u);
  f.view.setReportsFrameMask(true);
  f.painted();
  EXPECT_EQ(f.reported.size(), 4u);
}

TEST(GlimmetHostViewFrameMask, FollowsTheRestingCharacterFrameByFrame) {
  ManualClock clock(100);
  GlimmetHostView view(std::make_unique<GlimmetFigure>());
  view.resize(168, 174);
  view.refreshSpritesIfNeeded();
  GlimmetRig& rig = *view.figure().rig();
  GlimmetAnimator animator(rig);
  animator.setBase(GlimmetState::idle);
  animator.setVisible(true);
  std::optional<QRegion> last;
  int reports = 0;
  view.onFrameMask = [&](const QRegion& r) {
    last = r;
    ++reports;
  };
  view.setReportsFrameMask(true);

  // Five seconds of the cape's loop, the float and the breathing, at the
  // frame rate of a resting character.
  std::set<std::vector<int>> outlines;
  int frames = 0;
  for (double t = 0; t <= 5.0; t += 0.15, ++frames) {
    clock.advance(0.15);
    // Painted onto a picture, as onto the window's backing store.
    QImage shown = transparent(view.size());
    view.render(&shown);
    ASSERT_TRUE(last.has_value());
    // Exactly the pixels at least half opaque of the frame on screen: no
    // part of the figure is cut off, nothing clear is kept.
    ASSERT_EQ(*last, AlphaMask(shown).region()) << "at " << t;
    // The frame is what the view paints without the mask.
    QImage direct = transparent(view.size());
    {
      QPainter p(&direct);
      GlimmetHostView::paintFrame(p, *rig.root, view.size(), clock.now());
    }
    ASSERT_EQ(shown, direct) << "at " << t;
    std::vector<int> key;
    for (const QRect& r : *last) key.insert(key.end(), {r.x(), r.y(), r.width(), r.height()});
    outlines.insert(key);
  }
  EXPECT_GT(outlines.size(), 1u) << "the outline never moved";
  EXPECT_LE(reports, frames);
  // The figure fills only part of its window.
  const QRect box = last->boundingRect();
  EXPECT_LT(box.width() * box.height(), 168 * 174 * 3 / 4);
}

}  // namespace
}  // namespace pimble
