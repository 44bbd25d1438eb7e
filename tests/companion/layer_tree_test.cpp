#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "companion/layers/gradient_layer.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/layer.h"
#include "companion/layers/shape_layer.h"
#include "companion/layers/transaction.h"

namespace pimble {
namespace {

LayerPtr root(double w = 100, double h = 100) {
  auto r = Layer::make();
  r->setBounds({w, h});
  r->setAnchorPoint({0, 0});
  return r;
}

LayerPtr box(QPointF origin, QSizeF size, QColor color) {
  auto l = Layer::make();
  l->setBounds(size);
  l->setAnchorPoint({0, 0});
  l->setPosition(origin);
  l->setBackgroundColor(color);
  return l;
}

int alphaAt(const QImage& image, int x, int y) {
  return qAlpha(image.pixel(x, y));
}

QImage painted(const Layer& tree, QSize pixels, double scale, double time) {
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  p.scale(scale, scale);
  tree.paint(p, time);
  return image;
}

// The mean difference per channel, over the pixels either image covers.
double meanChannelGap(const QImage& a, const QImage& b) {
  double sum = 0;
  int covered = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      if (qAlpha(p) == 0 && qAlpha(q) == 0) continue;
      ++covered;
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
    }
  }
  return covered > 0 ? sum / (4.0 * covered) : 0;
}

TEST(LayerTree, SublayersInsertRemoveAndNeverFormACycle) {
  auto parent = root();
  auto a = Layer::make();
  auto b = Layer::make();
  auto c = Layer::make();
  a->setName("a");
  b->setName("b");
  c->setName("c");
  parent->addSublayer(a);
  parent->addSublayer(b);
  parent->insertSublayer(c, a.get());
  ASSERT_EQ(parent->sublayers().size(), 3u);
  EXPECT_EQ(parent->sublayers()[1], c);
  EXPECT_EQ(parent->sublayerNamed("b"), b);
  EXPECT_EQ(parent->sublayerNamed("zz"), nullptr);

  a->addSublayer(b);  // moving a layer takes it from its old parent
  EXPECT_EQ(parent->sublayers().size(), 2u);
  EXPECT_EQ(b->superlayer(), a.get());
  b->addSublayer(parent);  // would make the root its own descendant
  EXPECT_EQ(parent->superlayer(), nullptr);
  EXPECT_TRUE(b->sublayers().empty());
  c->removeFromSuperlayer();
  EXPECT_EQ(c->superlayer(), nullptr);
  EXPECT_EQ(parent->sublayers().size(), 1u);
}

TEST(LayerTree, KeyPathsReadAndWriteSingleComponents) {
  auto l = Layer::make();
  l->setValue("transform.rotation.z", 0.5);
  l->setValue("transform.scale", 2.0);
  l->setValue("transform.scale.x", -1.0);
  l->setValue("position.y", 7.0);
  EXPECT_EQ(l->transform(), (LayerTransform{0, 0, 0.5, -1, 2}));
  EXPECT_EQ(l->position(), QPointF(0, 7));
  EXPECT_EQ(valueAs<double>(l->modelValue("transform.scale.y"), 0), 2.0);
  EXPECT_EQ(valueAs<double>(l->modelValue("position.x"), -1), 0.0);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(l->modelValue("position.z")));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(l->modelValue("nothing.x")));
  l->setValue("position.x", QColor(Qt::red));  // wrong type: ignored
  EXPECT_EQ(l->position(), QPointF(0, 7));
  l->disableActions({"contents", "position"});
  EXPECT_TRUE(l->actionsDisabled("contents"));
  EXPECT_FALSE(l->actionsDisabled("opacity"));
}

TEST(LayerPainting, LayerSpaceIsYUpAndContentsStandUpright) {
  auto r = root();
  r->addSublayer(box({10, 10}, {20, 20}, Qt::red));
  QImage art(2, 2, QImage::Format_ARGB32_Premultiplied);
  art.setPixel(0, 0, qRgb(0, 0, 255));  // top row blue
  art.setPixel(1, 0, qRgb(0, 0, 255));
  art.setPixel(0, 1, qRgb(0, 255, 0));  // bottom row green
  art.setPixel(1, 1, qRgb(0, 255, 0));
  auto picture = box({50, 50}, {40, 40}, QColor());
  picture->setContents(art);
  r->addSublayer(picture);
  const QImage image = r->renderModelImage({100, 100}, 1);
  EXPECT_EQ(image.pixel(15, 85), qRgb(255, 0, 0));  // near the bottom edge on screen
  EXPECT_EQ(alphaAt(image, 15, 15), 0);
  EXPECT_EQ(qBlue(image.pixel(70, 15)), 255);  // the image's top is up
  EXPECT_EQ(qGreen(image.pixel(70, 45)), 255);
}

TEST(LayerPainting, TransformTurnsAndMirrorsAboutTheAnchorPoint) {
  auto r = root();
  auto bar = box({50, 50}, {40, 10}, Qt::red);
  bar->setAnchorPoint({0.5, 0.5});
  bar->setTransform(LayerTransform::rotated(M_PI / 2));
  r->addSublayer(bar);
  QImage image = r->renderModelImage({100, 100}, 1);
  EXPECT_EQ(alphaAt(image, 50, 32), 255);  // vertical now, through the centre
  EXPECT_EQ(alphaAt(image, 30, 50), 0);

  // A mirrored child keeps its mirror: its left part lands on the right.
  auto r2 = root();
  auto holder = box({0, 0}, {100, 100}, QColor());
  holder->setAnchorPoint({0.5, 0.5});
  holder->setPosition({50, 50});
  holder->setTransform(LayerTransform::scaled(-1, 1));
  holder->addSublayer(box({0, 0}, {20, 100}, Qt::blue));
  r2->addSublayer(holder);
  image = r2->renderModelImage({100, 100}, 1);
  EXPECT_EQ(alphaAt(image, 90, 50), 255);
  EXPECT_EQ(alphaAt(image, 10, 50), 0);
}

TEST(LayerPainting, GroupOpacityFadesTheSubtreeAsOne) {
  auto r = root();
  auto group = box({0, 0}, {100, 100}, QColor());
  group->setOpacity(0.5);
  group->addSublayer(box({10, 10}, {50, 50}, Qt::red));
  group->addSublayer(box({30, 30}, {50, 50}, Qt::red));
  r->addSublayer(group);
  const QImage image = r->renderModelImage({100, 100}, 1);
  // The overlap is no denser than a single square.
  EXPECT_NEAR(alphaAt(image, 45, 55), 128, 2);
  EXPECT_NEAR(alphaAt(image, 15, 85), 128, 2);
}

TEST(LayerPainting, MaskClipsTheSubtreeWithSoftEdges) {
  auto r = root();
  auto filled = box({0, 0}, {100, 100}, Qt::red);
  auto mask = ShapeLayer::make();
  mask->setBounds({100, 100});
  mask->setAnchorPoint({0, 0});
  QPainterPath circle;
  circle.addEllipse(QPointF(50, 50), 30.3, 30.3);
  mask->setPath(circle);
  filled->setMask(mask);
  r->addSublayer(filled);
  const QImage image = r->renderModelImage({100, 100}, 1);
  EXPECT_EQ(alphaAt(image, 50, 50), 255);
  EXPECT_EQ(alphaAt(image, 5, 5), 0);
  const int edge = alphaAt(image, 80, 50);  // the rim crosses this pixel
  EXPECT_GT(edge, 10);
  EXPECT_LT(edge, 245);
}

TEST(LayerPainting, APathMaskDrawsAsTheRenderedMaskDoes) {
  // A plain filled path masks while compositing; anything more (here an
  // empty sublayer) goes through a rendered mask image. Both must agree,
  // with the mask moved, turned and scaled, at a fractional pixel scale.
  const auto render = [](bool plain) {
    auto r = root();
    auto filled = box({10, 5}, {80, 90}, Qt::blue);
    auto stripe = box({0, 40}, {80, 10}, QColor(255, 255, 0, 200));
    filled->addSublayer(stripe);
    auto mask = ShapeLayer::make();
    mask->setBounds({60, 60});
    mask->setPosition({40, 45});
    mask->setTransform({0, 0, 0.3, 1.2, 0.9});
    QPainterPath shape;
    shape.addEllipse(QPointF(30, 30), 28.4, 20.2);
    mask->setPath(shape);
    if (!plain) mask->addSublayer(Layer::make());
    filled->setMask(mask);
    r->addSublayer(filled);
    return r->renderModelImage({150, 150}, 1.5);
  };
  const QImage a = render(true);
  const QImage b = render(false);
  int worst = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
    }
  }
  EXPECT_LE(worst, 3);
  EXPECT_EQ(alphaAt(a, 75, 75), 255);
  EXPECT_EQ(alphaAt(a, 2, 2), 0);
  EXPECT_EQ(alphaAt(a, 147, 147), 0);
}

TEST(LayerPainting, ShadowOffsetIsYUpAndFollowsTheScale) {
  auto r = root();
  auto square = box({40, 60}, {20, 20}, Qt::white);
  square->setShadowOpacity(1);
  square->setShadowRadius(0);
  square->setShadowOffset({0, -30});  // below the square on screen
  r->addSublayer(square);
  QImage image = r->renderModelImage({200, 200}, 2);
  EXPECT_EQ(image.pixel(100, 60), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(100, 125), qRgb(0, 0, 0));  // 30 units = 60 pixels lower
  EXPECT_EQ(alphaAt(image, 100, 30), 0);
  EXPECT_EQ(alphaAt(image, 100, 145), 0);
}

TEST(LayerPainting, DashesCountInUnitsAndGradientsRunYUp) {
  auto r = root();
  auto line = ShapeLayer::make();
  line->setBounds({100, 100});
  line->setAnchorPoint({0, 0});
  QPainterPath path;
  path.moveTo(0, 50);
  path.lineTo(100, 50);
  line->setPath(path);
  line->setFillColor(QColor());
  line->setStrokeColor(Qt::black);
  line->setLineWidth(4);
  line->setLineDashPattern({10, 10});
  r->addSublayer(line);
  auto gradient = GradientLayer::make();
  gradient->setBounds({20, 40});
  gradient->setAnchorPoint({0, 0});
  gradient->setColors({Qt::red, Qt::blue});  // from bottom to top by default
  r->addSublayer(gradient);
  const QImage image = r->renderModelImage({100, 100}, 1);
  EXPECT_EQ(alphaAt(image, 5, 50), 255);
  EXPECT_EQ(alphaAt(image, 15, 50), 0);
  EXPECT_EQ(alphaAt(image, 25, 50), 255);
  EXPECT_GT(qRed(image.pixel(10, 98)), 240);
  EXPECT_GT(qBlue(image.pixel(10, 61)), 235);
}

class FadedLayer : public Layer {
 public:
  LayerValue presentationValue(std::string_view key, double time) const override {
    if (key == "opacity") return time > 1 ? 0.0 : 1.0;
    return Layer::presentationValue(key, time);
  }
};

TEST(LayerPainting, PaintReadsPresentationValuesAndRenderModelTheModel) {
  auto r = root();
  auto faded = std::make_shared<FadedLayer>();
  faded->setBounds({100, 100});
  faded->setAnchorPoint({0, 0});
  faded->setBackgroundColor(Qt::red);
  r->addSublayer(faded);
  QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    r->paint(p, 2.0);
  }
  EXPECT_EQ(alphaAt(image, 50, 50), 0);
  EXPECT_EQ(alphaAt(r->renderModelImage({100, 100}, 1), 50, 50), 255);
}

TEST(LayerPainting, BrokenGeometryDrawsNothing) {
  auto r = root();
  auto bad = box({std::numeric_limits<double>::quiet_NaN(), 0}, {10, 10}, Qt::red);
  auto huge = box({0, 0}, {10, 10}, Qt::red);
  huge->setTransform(LayerTransform::scaled(std::numeric_limits<double>::infinity(), 1));
  auto shadowed = box({5, 5}, {std::numeric_limits<double>::infinity(), 10}, Qt::red);
  auto farShadow = box({5, 5}, {4, 4}, Qt::red);
  farShadow->setShadowOpacity(1);
  farShadow->setShadowOffset({1e300, std::numeric_limits<double>::quiet_NaN()});
  farShadow->setShadowRadius(1e300);
  farShadow->setPosition({1e12, 1e12});
  r->addSublayer(bad);
  r->addSublayer(huge);
  r->addSublayer(shadowed);
  r->addSublayer(farShadow);
  const QImage image = r->renderModelImage({20, 20}, 1);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) ASSERT_EQ(alphaAt(image, x, y), 0);
  }
}

}  // namespace
}  // namespace pimble

namespace pimble {
namespace {

// A group with a filled shape, a gradient and a soft-masked child, placed
// and turned by its own transform.
LayerPtr figureGroup(std::shared_ptr<ShapeLayer>& shape) {
  auto group = Layer::make();
  group->setBounds({80, 80});
  group->setPosition({50, 50});
  group->setTransform({0, 0, 0.05, 1.02, 0.98});
  shape = ShapeLayer::make();
  shape->setBounds({80, 80});
  shape->setAnchorPoint({0, 0});
  QPainterPath blob;
  blob.addEllipse(QPointF(40, 40), 30, 36);
  shape->setPath(blob);
  shape->setFillColor(QColor(200, 40, 60));
  group->addSublayer(shape);
  auto gradient = GradientLayer::make();
  gradient->setBounds({30, 30});
  gradient->setPosition({40, 40});
  gradient->setColors({Qt::yellow, Qt::blue});
  auto mask = ShapeLayer::make();
  mask->setBounds({30, 30});
  mask->setAnchorPoint({0, 0});
  QPainterPath round;
  round.addEllipse(QPointF(15, 15), 14, 14);
  mask->setPath(round);
  gradient->setMask(mask);
  group->addSublayer(gradient);
  return group;
}

TEST(LayerRasterizing, DrawsWhatTheTreeDrawsAndReusesItsPicture) {
  std::shared_ptr<ShapeLayer> shape;
  auto direct = root();
  direct->addSublayer(figureGroup(shape));
  auto cached = root();
  auto group = figureGroup(shape);
  group->setShouldRasterize(true);
  group->setRasterizationScale(2);
  cached->addSublayer(group);
  // One resampling of a picture at the device's scale, instead of drawing
  // each part through the turn.
  const QImage expected = painted(*direct, {200, 200}, 2, 0);
  const QImage got = painted(*cached, {200, 200}, 2, 0);
  EXPECT_LT(meanChannelGap(expected, got), 2.0);
  EXPECT_EQ(qAlpha(got.pixel(100, 100)), 255);
  EXPECT_EQ(group->rasterDraws(), 1);
  painted(*cached, {200, 200}, 2, 1);
  painted(*cached, {200, 200}, 2, 2);
  EXPECT_EQ(group->rasterDraws(), 1);  // nothing changed

  // Moving the group as a whole keeps the picture; a change inside or a
  // different look redraws it.
  group->setPosition({52, 48});
  group->setOpacity(0.5);
  painted(*cached, {200, 200}, 2, 3);
  EXPECT_EQ(group->rasterDraws(), 1);
  shape->setFillColor(Qt::green);
  const QImage green = painted(*cached, {200, 200}, 2, 4);
  EXPECT_EQ(group->rasterDraws(), 2);
  EXPECT_GT(qGreen(green.pixel(100, 60)), 40);
  shape->setHidden(true);
  painted(*cached, {200, 200}, 2, 5);
  EXPECT_EQ(group->rasterDraws(), 3);
  // Still pictures (render tools) never use the cache.
  cached->renderModelImage({100, 100}, 1);
  EXPECT_EQ(group->rasterDraws(), 3);
}

// A rasterized figure group with room for `entries` pictures, in `tree`.
LayerPtr rasterizedFigure(const LayerPtr& tree, std::shared_ptr<ShapeLayer>& shape, int entries) {
  auto group = figureGroup(shape);
  group->setShouldRasterize(true);
  group->setRasterCacheEntries(entries);
  tree->addSublayer(group);
  return group;
}

// Whether `tree` at `t` looks as it does drawn without the pictures of
// `cached` (which are kept again afterwards).
bool matchesDirectDrawing(const LayerPtr& tree, std::initializer_list<LayerPtr> cached, double t) {
  const QImage pictures = painted(*tree, {100, 100}, 1, t);
  for (const auto& l : cached) l->setShouldRasterize(false);
  const QImage direct = painted(*tree, {100, 100}, 1, t);
  for (const auto& l : cached) l->setShouldRasterize(true);
  return meanChannelGap(direct, pictures) < 2.0;
}

// Red, green and blue, a second each, over and over from the start of media
// time.
void loopThroughColors(ShapeLayer& shape) {
  auto loop = KeyframeAnimation::make(
      "fillColor", {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue), QColor(Qt::red)},
      {0, 1.0 / 3, 2.0 / 3, 1}, 3);
  loop->calculationMode = CalculationMode::discrete;
  loop->repeatCount = Animation::kForever;
  loop->beginTime = 1e-9;
  shape.addAnimation(loop, "loop");
}

TEST(LayerRasterizing, ALoopOfStepsIsDrawnOncePerStep) {
  std::shared_ptr<ShapeLayer> shape;
  auto tree = root();
  auto group = rasterizedFigure(tree, shape, 4);
  loopThroughColors(*shape);
  for (int i = 0; i < 40; ++i) painted(*tree, {100, 100}, 1, 0.1 + 0.25 * i);
  EXPECT_EQ(group->rasterDraws(), 3);

  // With fewer entries than steps the oldest pictures go, and are drawn again.
  group->setRasterCacheEntries(2);
  const long before = group->rasterDraws();
  for (int i = 0; i < 12; ++i) painted(*tree, {100, 100}, 1, 30 + 0.5 * i);
  EXPECT_GT(group->rasterDraws(), before + 4);
}

TEST(LayerRasterizing, LooksShownOnceGoBeforeTheLoopsPictures) {
  std::shared_ptr<ShapeLayer> shape;
  auto tree = root();
  // Room for a loop of three steps and two looks more.
  auto group = rasterizedFigure(tree, shape, 5);
  loopThroughColors(*shape);
  const LayerPtr spot = group->sublayers().back();
  double t = 0.1;
  for (int i = 0; i < 12; ++i, t += 0.5) painted(*tree, {100, 100}, 1, t);
  ASSERT_EQ(group->rasterDraws(), 3);

  // A passing reaction: five looks, each shown once, more than the room left.
  auto fade = KeyframeAnimation::numbers("opacity", {0.9, 0.3}, {0, 1}, 0.5);
  fade->frameRate = 10;
  fade->beginTime = t;
  spot->addAnimation(fade, "pass");
  for (int i = 0; i < 5; ++i) painted(*tree, {100, 100}, 1, t + 0.1 * i + 0.01);
  EXPECT_EQ(group->rasterDraws(), 8);
  // The loop goes on with the pictures it had.
  spot->removeAnimation("pass");
  t += 1;
  for (int i = 0; i < 12; ++i, t += 0.5) painted(*tree, {100, 100}, 1, t);
  EXPECT_EQ(group->rasterDraws(), 8);
  EXPECT_TRUE(matchesDirectDrawing(tree, {group}, t));
}

TEST(LayerRasterizing, ALoopThatTakesOverFromAnEndedOneKeepsItsOwnPictures) {
  std::shared_ptr<ShapeLayer> shape;
  auto tree = root();
  // Room for a loop of three steps and two looks more.
  auto group = rasterizedFigure(tree, shape, 5);
  loopThroughColors(*shape);
  double t = 0.1;
  for (int i = 0; i < 12; ++i, t += 0.5) painted(*tree, {100, 100}, 1, t);
  ASSERT_EQ(group->rasterDraws(), 3);

  // The figure holds itself otherwise from now on (a greeting ended): the
  // same loop, three new looks. The old pictures were shown many times, but
  // they must give way, or every new one would go as soon as it was drawn.
  {
    ActionsDisabled quiet;
    group->sublayers().back()->setOpacity(0.5);
  }
  // One frame a step, as the character's tails show: a new picture is not
  // shown twice before the next one is drawn.
  for (int i = 0; i < 30; ++i, t += 1) painted(*tree, {100, 100}, 1, t);
  const long settled = group->rasterDraws();
  for (int i = 0; i < 12; ++i, t += 1) painted(*tree, {100, 100}, 1, t);
  EXPECT_EQ(group->rasterDraws(), settled);
  EXPECT_TRUE(matchesDirectDrawing(tree, {group}, t));
}

TEST(LayerRasterizing, SteppingMotionsAreToldApartByTheirStep) {
  std::shared_ptr<ShapeLayer> shape;
  auto tree = root();
  auto group = rasterizedFigure(tree, shape, 8);
  auto loop = KeyframeAnimation::make(
      "fillColor", {QColor(Qt::red), QColor(Qt::blue), QColor(Qt::red)}, {0, 0.5, 1}, 0.4);
  loop->repeatCount = Animation::kForever;
  loop->frameRate = 10;
  loop->beginTime = 1e-9;
  shape->addAnimation(loop, "loop");
  for (int i = 0; i < 20; ++i) painted(*tree, {100, 100}, 1, 0.15 + 0.1 * i);
  EXPECT_EQ(group->rasterDraws(), 4);  // one per step of the loop

  // Changes to the model inside still show while the steps run, settings of
  // a layer type included.
  shape->setStrokeColor(Qt::black);
  shape->setLineWidth(8);
  EXPECT_TRUE(matchesDirectDrawing(tree, {group}, 2.05));
  const long before = group->rasterDraws();
  shape->setFillRule(FillRule::evenOdd);
  painted(*tree, {100, 100}, 1, 2.06);
  EXPECT_EQ(group->rasterDraws(), before + 1);
  EXPECT_TRUE(matchesDirectDrawing(tree, {group}, 2.07));
}

TEST(LayerRasterizing, AChangingGroupAtTheBottomIsDrawnBeneathTheStillPicture) {
  // A looping backdrop with pictures of its own beneath a still figure.
  auto backdrop = box({0, 0}, {80, 40}, Qt::blue);
  backdrop->setShouldRasterize(true);
  backdrop->setRasterCacheEntries(4);
  auto sway = KeyframeAnimation::numbers("position.x", {40, 44, 40}, {0, 0.5, 1}, 0.4);
  sway->repeatCount = Animation::kForever;
  sway->frameRate = 10;
  sway->beginTime = 1e-9;
  backdrop->addAnimation(sway, "sway");
  std::shared_ptr<ShapeLayer> shape;
  auto group = Layer::make();
  group->setBounds({100, 100});
  group->setPosition({50, 50});
  group->addSublayer(backdrop);
  group->addSublayer(figureGroup(shape));
  auto tree = root();
  group->setShouldRasterize(true);
  tree->addSublayer(group);
  EXPECT_TRUE(matchesDirectDrawing(tree, {group, backdrop}, 0.15));
  painted(*tree, {100, 100}, 1, 0.15);  // pictures again after the direct drawing
  const long groupDraws = group->rasterDraws();
  for (int i = 0; i < 12; ++i) painted(*tree, {100, 100}, 1, 0.25 + 0.1 * i);
  EXPECT_EQ(group->rasterDraws(), groupDraws);  // the figure's picture stays
  EXPECT_LE(backdrop->rasterDraws(), 5);        // one per step of the backdrop
  // Faded as a whole, the backdrop must not show through the figure: then
  // everything goes into one picture.
  group->setOpacity(0.5);
  EXPECT_TRUE(matchesDirectDrawing(tree, {group, backdrop}, 1.55));
}

TEST(LayerRasterizing, AnOversizedOrBrokenGroupIsDrawnDirectly) {
  auto tree = root();
  auto huge = box({0, 0}, {1e6, 50}, Qt::red);
  huge->setShouldRasterize(true);
  tree->addSublayer(huge);
  const QImage image = painted(*tree, {100, 100}, 1, 0);
  EXPECT_EQ(alphaAt(image, 50, 75), 255);  // drawn, without a picture
  EXPECT_EQ(huge->rasterDraws(), 0);
  huge->setRasterizationScale(std::numeric_limits<double>::quiet_NaN());
  huge->setRasterizationScale(-2);
  EXPECT_EQ(huge->rasterizationScale(), 1);
  huge->setRasterizationScale(1e9);
  EXPECT_EQ(huge->rasterizationScale(), 64);
  painted(*tree, {100, 100}, 1, 0);
  EXPECT_EQ(huge->rasterDraws(), 0);
}

// A scaled screen paints through a painter whose device has a pixel ratio:
// Qt scales it by that ratio itself. Every way a layer reaches the device
// (a picture copied pixel for pixel, a tall one drawn in bands, a shadow, a
// rasterized group) must come out as it does through
// a plain painter scaled by the ratio.
TEST(LayerPainting, ADensePainterDrawsWhatAPainterScaledByItsRatioDraws) {
  for (const double ratio : {1.5, 2.0}) {
    SCOPED_TRACE(ratio);
    auto tree = root(120, 120);
    QImage dots(int(20 * ratio), int(20 * ratio), QImage::Format_ARGB32_Premultiplied);
    dots.fill(QColor(30, 90, 200));
    auto still = box({4, 90}, {20, 20}, QColor());
    still->setContents(dots);
    auto tall = box({30, 4}, {14, 110}, QColor());
    tall->setContents(dots.scaled(dots.width(), int(110 * ratio * 1.3)));
    auto shadowed = box({50, 70}, {20, 20}, Qt::white);
    shadowed->setShadowOpacity(0.8);
    shadowed->setShadowRadius(3);
    shadowed->setShadowOffset({2, -4});
    std::shared_ptr<ShapeLayer> shape;
    auto cached = figureGroup(shape);
    cached->setPosition({80, 60});
    cached->setShouldRasterize(true);
    cached->setRasterizationScale(ratio);
    for (const auto& l : {still, tall, shadowed, cached}) tree->addSublayer(l);

    const QSize pixels(int(120 * ratio), int(120 * ratio));
    const QImage scaled = painted(*tree, pixels, ratio, 0);
    QImage dense(pixels, QImage::Format_ARGB32_Premultiplied);
    dense.setDevicePixelRatio(ratio);
    dense.fill(Qt::transparent);
    {
      QPainter p(&dense);
      p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
      tree->paint(p, 0);
    }
    EXPECT_LT(meanChannelGap(scaled, dense), 1.0);
  }
}

}  // namespace
}  // namespace pimble
