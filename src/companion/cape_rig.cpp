#include "companion/cape_rig.h"

#include <algorithm>
#include <cmath>

#include "companion/cloth_simulation.h"
#include "companion/glimmet_artwork.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/transaction.h"

namespace pimble {
namespace {

QColor toQColor(const RgbaColor& c) {
  return srgb(c.red, c.green, c.blue, c.alpha);
}

size_t index(AnimationIntensity i) {
  return static_cast<size_t>(i);
}

// By intensity: normal, reduced, off.
constexpr double restWindFactor[] = {1.0, 0.5, 0.4};
constexpr double waveFactor[] = {1.0, 0.5, 0.0};
constexpr double rippleAwake[] = {3.4, 1.7, 0.0};
constexpr double rippleSleeping[] = {1.6, 0.8, 0.0};
constexpr double loopSpeed[] = {1.0, 0.5, 0.5};
constexpr double tailsSwingFactor[] = {1.0, 0.5, 0.0};
// The tails swing in three quarters of the loop's period.
constexpr double tailsSwingShare = 0.75;
// Intervals between the idle loop's precomputed frames.
constexpr int kKeyframeIntervals = 36;

LayerPtr fullCanvasLayer(const LayerPtr& layer) {
  layer->setBounds({220, 310});
  layer->setAnchorPoint({0, 0});
  layer->setPosition({0, 0});
  layer->disableActions({"path", "contents", "position", "transform"});
  return layer;
}

void place(const LayerPtr& layer, QSizeF size, QPointF center) {
  layer->setBounds(size);
  layer->setPosition({center.x(), CapeRig::H - center.y()});
  layer->disableActions({"contents", "transform", "position"});
}

}  // namespace

CapeRig::CapeRig()
    : back(Layer::make()),
      front(Layer::make()),
      lining(ShapeLayer::make()),
      cloth(GradientLayer::make()),
      clothMask(ShapeLayer::make()),
      folds(ShapeLayer::make()),
      shine(ShapeLayer::make()),
      scarf(Layer::make()),
      tails(Layer::make()),
      simulation_(std::make_unique<ClothSimulation>(*this)) {
  for (const LayerPtr& l : {back, front, LayerPtr(lining), LayerPtr(cloth), LayerPtr(clothMask),
                            LayerPtr(folds), LayerPtr(shine)}) {
    fullCanvasLayer(l);
  }
  back->setName("capeBack");
  front->setName("capeFront");
  back->setShouldRasterize(true);
  back->setRasterCacheEntries(maxLoopSteps);
  back->addSublayer(lining);
  back->addSublayer(cloth);
  cloth->setMask(clothMask);
  cloth->addSublayer(folds);
  cloth->addSublayer(shine);
  // Until a colour is chosen the cape wears these reds.
  lining->setFillColor(srgb(0.56, 0.05, 0.10));
  lining->setStrokeColor(QColor());
  cloth->setColors({srgb(0.97, 0.27, 0.26), srgb(0.88, 0.13, 0.17), srgb(0.72, 0.07, 0.13)});
  cloth->setLocations({0, 0.55, 1});
  cloth->setStartPoint({0.35, 0.5});
  cloth->setEndPoint({0.6, 0.08});
  clothMask->setFillColor(Qt::black);
  for (const auto& stroke : {folds, shine}) {
    stroke->setFillColor(QColor());
    stroke->setLineCap(LineCap::round);
  }
  folds->setStrokeColor(srgb(0.42, 0, 0.06, 0.34));
  folds->setLineWidth(4.0);
  shine->setStrokeColor(srgb(1, 0.85, 0.85, 0.32));
  shine->setLineWidth(2.4);

  front->addSublayer(scarf);
  front->addSublayer(tails);
  place(scarf, {180, 64}, {110, 172});
  place(tails, {40, 44}, {40, 182});
  tails->setAnchorPoint({0.78, 0.86});
  tails->setPosition({51, 143});
  applyPaths(state(0));
}

CapeRig::~CapeRig() = default;

void CapeRig::installSprites(const QImage& scarfImage, const QImage& tailsImage, double scale) {
  spriteScale_ = scale;
  if (color_ == CapeColor::red) {
    installScarf(scarfImage, tailsImage, scale);
    return;
  }
  const CapePalette& p = palette(color_);
  installScarf(CapeRig::scarfImage(p, scale), CapeRig::tailsImage(p, scale), scale);
}

void CapeRig::setColor(CapeColor color, bool animated) {
  if (color == color_) return;
  color_ = color;
  applyPalette(animated);
  const CapePalette& p = palette(color_);
  installScarf(scarfImage(p, spriteScale_), tailsImage(p, spriteScale_), spriteScale_);
}

void CapeRig::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  back->setHidden(!visible);
  front->setHidden(!visible);
  restart();
}

void CapeRig::setSleeping(bool sleeping) {
  if (sleeping == sleeping_) return;
  sleeping_ = sleeping;
  restart();
}

void CapeRig::setIntensity(AnimationIntensity intensity) {
  intensity_ = intensity;
  restart();
}

void CapeRig::setActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (!active) simulation_->end(false);
  restart();
}

void CapeRig::restart() {
  if (simulation_->running()) return;
  stopIdle();
  applyPaths(state(0));
  if (visible_ && active_ && intensity_ != AnimationIntensity::off) startIdle(0);
}

void CapeRig::ensureIdle() {
  if (!idleRunning() && !simulation_->running() && visible_ && active_ &&
      intensity_ != AnimationIntensity::off) {
    restart();
  }
}

double CapeRig::idlePeriod() const {
  return (sleeping_ ? 5.4 : 3.6) / loopSpeed[std::min<size_t>(index(intensity_), 2)];
}

int CapeRig::loopSteps() const {
  return static_cast<int>(std::lround(idlePeriod() * loopRate));
}

int CapeRig::tailsSwingSteps() const {
  return static_cast<int>(std::lround(tailsSwingShare * idlePeriod() * loopRate));
}

double CapeRig::shownLoopFraction(double now) const {
  double t = (steppedTime(now, loopRate) - idleOrigin_) / idlePeriod();
  if (!std::isfinite(t) || t < 0) return 0;
  return t - std::floor(t);
}

bool CapeRig::idleRunning() const {
  return lining->animationForKey("cape") != nullptr;
}

void CapeRig::startIdle(double phaseOffset) {
  const size_t k = std::min<size_t>(index(intensity_), 2);
  const std::string key = std::string(enumName(intensity_)) + "-" + (sleeping_ ? "true" : "false");
  if (key != cachedKey_ || cachedFrames_.size() != kKeyframeIntervals + 1) {
    cachedFrames_.clear();
    for (int i = 0; i <= kKeyframeIntervals; ++i) {
      const ClothState c = state(static_cast<double>(i) / kKeyframeIntervals);
      cachedFrames_.push_back({outline(c, 5, 0.55), outline(c, 0, 0),
                               lines(c, {0.2, 0.5, 0.8}, 0.22, 0.97),
                               lines(c, {0.33, 0.66}, 0.3, 0.9)});
    }
    cachedKey_ = key;
  }
  const double period = idlePeriod();
  const double frameRate = loopRate;
  // The loop starts on the step on screen now, `phaseOffset` into itself.
  const double shownAt = steppedTime(animation_clock::now(), frameRate);
  idleOrigin_ = shownAt - phaseOffset;
  const auto loop = [&](QPainterPath Frame::*member) {
    std::vector<LayerValue> values;
    values.reserve(cachedFrames_.size());
    for (const Frame& f : cachedFrames_) values.emplace_back(f.*member);
    auto a = KeyframeAnimation::make("path", std::move(values), {}, period);
    a->repeatCount = Animation::kForever;
    a->beginTime = shownAt;
    a->timeOffset = std::fmod(phaseOffset, period);
    a->frameRate = frameRate;
    return a;
  };
  lining->addAnimation(loop(&Frame::lining), "cape");
  clothMask->addAnimation(loop(&Frame::outline), "cape");
  folds->addAnimation(loop(&Frame::folds), "cape");
  shine->addAnimation(loop(&Frame::shine), "cape");
  const double swing = tailsSwingFactor[k];
  auto tailSwing = KeyframeAnimation::numbers(
      "transform.rotation.z",
      {0.06 * swing, -0.08 * swing, 0.04 * swing, -0.05 * swing, 0.06 * swing},
      {0, 0.3, 0.55, 0.8, 1}, tailsSwingShare * period);
  tailSwing->repeatCount = Animation::kForever;
  tailSwing->timingFunction = TimingFunction::easeInEaseOut();
  tailSwing->beginTime = shownAt;
  tailSwing->frameRate = frameRate;
  tails->addAnimation(tailSwing, "cape");
}

void CapeRig::stopIdle() {
  for (const LayerPtr& l :
       {LayerPtr(lining), LayerPtr(clothMask), LayerPtr(folds), LayerPtr(shine), tails}) {
    l->removeAnimation("cape");
  }
}

void CapeRig::beginDrag() {
  simulation_->beginDrag();
}

void CapeRig::dragMoved(double dx, double dy) {
  simulation_->dragMoved(dx, dy);
}

void CapeRig::endDrag() {
  simulation_->setDragging(false);
}

void CapeRig::gust(double dx, double dy) {
  simulation_->gust(dx, dy);
}

bool CapeRig::isSimulating() const {
  return simulation_->running();
}

double CapeRig::lastFlightPeakSpeed() const {
  return simulation_->lastFlightPeakSpeed();
}

void CapeRig::endSimulation(bool resumeIdle) {
  simulation_->end(resumeIdle);
}

CapeRig::ClothState CapeRig::state(double t) const {
  const size_t k = std::min<size_t>(index(intensity_), 2);
  const double s = std::sin(2 * M_PI * t);
  ClothState c;
  c.phase = 4 * M_PI * t;
  c.wind.dx = (0.06 * s - 0.12) * (sleeping_ ? 0.5 : 1.0) * restWindFactor[k];
  c.wind.dy = 0.02 * s;
  c.ripple = sleeping_ ? rippleSleeping[k] : rippleAwake[k];
  c.flutter = (sleeping_ ? 1.2 : 2.6) * waveFactor[k];
  return c;
}

QPointF CapeRig::surfacePoint(const ClothState& c, double u, double t, double flare, double lag) {
  const double w = std::min(std::hypot(c.wind.dx, c.wind.dy), 1.0);
  const double length = 84 * (1 - 0.15 * w);
  const double halfW = (16 + flare) * (1 - 0.5 * w);
  const double a = 1 - 0.6 * w;
  const double b = 0.25 + 0.75 * w;
  const double v = 2 * u - 1;
  const double d = length * std::pow(t, 1.3);
  const double wave =
      c.ripple * std::pow(t, 1.1) * std::sin(c.phase - lag + 1.9 * u - 2.3 * M_PI * t);
  const double x = 52 + 116 * u + v * halfW * std::pow(t, 1.3) + 1.15 * c.wind.dx * d + a * wave;
  // The flutter turns a whole number of times (three) per idle loop of
  // phase 4π, so the loop's last frame meets its first and the cloth
  // simulation hands back to the loop without a jump at the hem.
  const double y = 164 + 3 * v * v + length * t + 9 * t * t * t * (1 - v * v) +
                   d * (0.45 * c.wind.dy - 0.42 * std::abs(c.wind.dx)) + b * wave +
                   c.flutter * std::pow(t, 4) * std::sin(5 * M_PI * u + 1.5 * c.phase - lag);
  return {x, y};
}

QPainterPath CapeRig::outline(const ClothState& c, double flare, double lag) {
  std::vector<QPointF> points;
  points.reserve(30);
  const auto add = [&](double u, double t) {
    const QPointF p = surfacePoint(c, u, t, flare, lag);
    points.emplace_back(p.x(), H - p.y());
  };
  for (int k = 0; k <= 8; ++k) add(0, k / 9.0);
  for (int k = 0; k <= 11; ++k) add(k / 11.0, 1);
  for (int k = 8; k >= 1; --k) add(1, k / 9.0);
  add(0.5, 0);
  return smoothPath(points, true);
}

QPainterPath CapeRig::lines(const ClothState& c, const std::vector<double>& us, double from,
                            double to) {
  QPainterPath all;
  for (double u : us) {
    std::vector<QPointF> points;
    for (int j = 0; j <= 6; ++j) {
      const QPointF p = surfacePoint(c, u, from + j * (to - from) / 6, 0, 0);
      points.emplace_back(p.x(), H - p.y());
    }
    all.addPath(smoothPath(points, false));
  }
  return all;
}

QPainterPath CapeRig::smoothPath(const std::vector<QPointF>& points, bool closed) {
  QPainterPath path;
  const int n = static_cast<int>(points.size());
  if (n < 2) return path;
  const auto at = [&](int i) {
    if (closed) return points[((i % n) + n) % n];
    return points[std::clamp(i, 0, n - 1)];
  };
  path.moveTo(points[0]);
  const int segments = closed ? n : n - 1;
  for (int i = 0; i < segments; ++i) {
    const QPointF p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
    path.cubicTo(p1 + (p2 - p0) / 6, p2 - (p3 - p1) / 6, p2);
  }
  if (closed) path.closeSubpath();
  return path;
}

void CapeRig::applyPaths(const ClothState& c) {
  ActionsDisabled quiet;
  lining->setPath(outline(c, 5, 0.55));
  clothMask->setPath(outline(c, 0, 0));
  folds->setPath(lines(c, {0.2, 0.5, 0.8}, 0.22, 0.97));
  shine->setPath(lines(c, {0.33, 0.66}, 0.3, 0.9));
}

void CapeRig::applyPalette(bool animated) {
  const CapePalette& p = palette(color_);
  // The colours cross-fade, or jump.
  TransactionScope transaction(animated ? 0.35 : 0, TimingFunction::easeInEaseOut(), !animated);
  cloth->setColors({toQColor(p.highlight), toQColor(p.base), toQColor(p.shade)});
  lining->setFillColor(toQColor(p.lining));
  folds->setStrokeColor(toQColor(p.fold));
  shine->setStrokeColor(toQColor(p.shine));
}

QImage CapeRig::scarfImage(const CapePalette& palette, double scale) {
  return GlimmetArtwork::scarf(scale, palette);
}

QImage CapeRig::tailsImage(const CapePalette& palette, double scale) {
  return GlimmetArtwork::scarfTails(scale, palette);
}

void CapeRig::installScarf(const QImage& scarfImage, const QImage& tailsImage, double scale) {
  ActionsDisabled quiet;
  scarf->setContents(scarfImage);
  tails->setContents(tailsImage);
  for (const LayerPtr& l : {scarf, tails, LayerPtr(lining), LayerPtr(clothMask), LayerPtr(folds),
                            LayerPtr(shine), LayerPtr(cloth)}) {
    l->setContentsScale(scale);
  }
}

}  // namespace pimble
