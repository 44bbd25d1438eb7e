#include "companion/state_motions.h"

#include <cmath>

#include "companion/glimmet_rig.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/transaction.h"
#include "companion/motion_builders.h"

namespace pimble {

using namespace motion;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Squash {
  std::vector<double> x;
  std::vector<double> y;
  std::vector<double> times;
  double duration;
  bool repeat;
};

std::optional<Squash> squashFor(GlimmetState state) {
  switch (state) {
    case GlimmetState::happy:
      return Squash{{1, 1.08, 0.95, 1.07, 0.96, 1},
                    {1, 0.92, 1.06, 0.93, 1.04, 1},
                    {0, 0.12, 0.45, 0.62, 0.95, 1},
                    0.84,
                    false};
    case GlimmetState::wakeUp:
      return Squash{{1, 0.95, 1.03, 1}, {1, 1.08, 0.97, 1}, {0, 0.4, 0.7, 1}, 1.0, false};
    case GlimmetState::celebration:
      return Squash{{1, 1.1, 0.94, 1.08, 0.96, 1},
                    {1, 0.9, 1.08, 0.92, 1.05, 1},
                    {0, 0.1, 0.4, 0.5, 0.8, 1},
                    1.2,
                    false};
    case GlimmetState::posture:
      return Squash{{1, 1, 1.02, 0.96, 1, 1},
                    {1, 0.97, 0.96, 1.07, 1, 1},
                    {0, 0.3, 0.5, 0.65, 0.8, 1},
                    2.8,
                    true};
    case GlimmetState::petted:
      return Squash{{1, 1.04, 0.99, 1}, {1, 0.96, 1.01, 1}, {0, 0.3, 0.6, 1}, 1.6, false};
    default:
      return std::nullopt;
  }
}

}  // namespace

const std::optional<GlimmetSprites>& StateMotions::sprites() const {
  return rig_.sprites();
}

double StateMotions::k() const {
  return rig_.amplitude();
}

void StateMotions::startFloat() {
  if (rig_.intensity() == AnimationIntensity::off) return;
  const bool sleeping = rig_.state() == GlimmetState::sleeping;
  rig_.floatIsSlow_ = sleeping;
  const double d = sleeping ? 4.6 : 2.8;
  const double a = (sleeping ? 2.5 : 5.5) * k();
  rig_.floatLayer->addAnimation(slow(additive(looping(basic("position.y", -a, a, d), true))),
                                "float");
  if (rig_.intensity() == AnimationIntensity::normal) {
    rig_.floatLayer->addAnimation(
        slow(additive(looping(basic("transform.rotation.z", -0.022, 0.022, 1.38 * d), true))),
        "sway");
  } else {
    rig_.floatLayer->removeAnimation("sway");
  }
  rig_.shadowLayer->addAnimation(slow(looping(basic("transform.scale.x", 1.04, 0.88, d), true)),
                                 "shadow");
  rig_.shadowLayer->addAnimation(slow(looping(basic("opacity", 1.0, 0.7, d), true)),
                                 "shadowOpacity");
}

void StateMotions::breathe(double depth, double period) {
  const double a = depth * k();
  if (a <= 0) return;
  rig_.breathLayer->addAnimation(
      slow(looping(basic("transform.scale.y", 1.0, 1 + a, period), true)), "state");
  rig_.breathLayer->addAnimation(
      slow(looping(basic("transform.scale.x", 1.0, 1 - a / 2, period), true)), "state2");
}

std::pair<std::vector<double>, std::vector<double>> StateMotions::hopFrames(
    double height, int count, double period, double pause, double peakAt) {
  count = std::max(count, 1);
  const double total = count * period + std::max(pause, 0.0);
  std::vector<double> values;
  std::vector<double> times;
  for (int i = 0; i < count; ++i) {
    values.insert(values.end(), {0, height, 0});
    times.insert(times.end(), {i * period / total, (i * period + peakAt * period) / total,
                               (i * period + period) / total});
  }
  if (pause > 0) {
    values.push_back(0);
    times.push_back(1);
  }
  times.back() = 1;
  return {times, values};
}

void StateMotions::hop(double height, int count, double period, double pause, bool repeatForever) {
  const double a = height * k();
  if (a <= 0) return;
  auto [times, values] = hopFrames(a, count, period, pause, 0.45);
  auto anim = additive(
      keyframes("position.y", values, times, std::max(count, 1) * period + std::max(pause, 0.0)));
  if (repeatForever) looping(anim);
  rig_.hopLayer->addAnimation(anim, "state");
}

void StateMotions::wiggleHands(double amount, double period, int count, double pause,
                               bool repeatForever) {
  const double a = amount * k();
  if (a <= 0) return;
  auto [times, values] = hopFrames(a, count, period, pause, 0.5);
  auto anim = additive(
      keyframes("position.y", values, times, std::max(count, 1) * period + std::max(pause, 0.0)));
  if (repeatForever) looping(anim);
  rig_.handL->addAnimation(anim, "state");
  rig_.handR->addAnimation(anim, "state");
}

void StateMotions::sip() {
  if (rig_.intensity() == AnimationIntensity::off) return;
  const double kk = k();
  const std::vector<double> times = {0, 0.12, 0.28, 0.52, 0.66, 1};
  std::vector<LayerValue> lift = {
      QPointF(0, 0), QPointF(0, 0), QPointF(15 * kk, 30 * kk), QPointF(15 * kk, 30 * kk),
      QPointF(0, 0), QPointF(0, 0)};
  auto raise = looping(additive(keyframeValues("position", lift, times, 4.6)));
  for (const auto& l : {rig_.bottleLayer, rig_.handL, rig_.handR}) l->addAnimation(raise, "state");
  rig_.bottleLayer->addAnimation(
      looping(keyframes("transform.rotation.z", {0, 0, 0.5 * kk, 0.42 * kk, 0.5 * kk, 0, 0},
                        {0, 0.12, 0.28, 0.4, 0.52, 0.66, 1}, 4.6)),
      "state2");
  if (!sprites()) return;
  const QImage open = imageFor(sprites()->eyes, EyeStyle::open);
  const QImage happy = imageFor(sprites()->eyes, EyeStyle::happy);
  if (open.isNull() || happy.isNull()) return;
  auto eyes =
      looping(keyframeValues("contents", {open, open, happy, happy, open, open}, times, 4.6));
  eyes->calculationMode = CalculationMode::discrete;
  eyes->frameRate = 5;  // the image only steps
  rig_.eyeL->addAnimation(eyes, "sip");
  rig_.eyeR->addAnimation(eyes, "sip");
}

void StateMotions::twinkle(StarStyle style, QPointF at, double size, double period, double delay) {
  if (!sprites() || rig_.intensity() == AnimationIntensity::off) return;
  const QImage star = imageFor(sprites()->stars, style);
  if (star.isNull()) return;
  auto layer = glyph(rig_.fxLayer, "fx", star, {size, size}, GlimmetRig::layerPoint(at),
                     rig_.bodyLayer->contentsScale());
  const std::vector<double> times = {0, 0.3, 0.7, 1};
  auto group = AnimationGroup::make(
      {keyframes("opacity", {0, 1, 0.2, 0}, times, 0, TimingFunction::linear()),
       keyframes("transform.scale", {0.4, 1.15, 0.8, 0.4}, times, 0, TimingFunction::linear()),
       basic("transform.rotation.z", 0.0, kPi / 2, 0, TimingFunction::linear())},
      period);
  looping(group);
  group->beginTime = animation_clock::now() + delay;
  group->fillMode = FillMode::backwards;
  group->frameRate = kGlyphFrameRate;
  layer->addAnimation(group, "twinkle");
}

void StateMotions::startMoon() {
  if (!sprites()) return;
  auto moon = glyph(rig_.fxLayer, "fx", sprites()->moon, {30, 30}, {176, 248},
                    rig_.bodyLayer->contentsScale(), 1);
  moon->addAnimation(slow(looping(basic("position.y", 245.0, 251.0, 2.4), true)), "state");
  twinkle(StarStyle::gold, {150, 44}, 12, 1.9, 0.3);
  twinkle(StarStyle::sky, {194, 90}, 10, 2.3, 1.1);
}

void StateMotions::startZeds() {
  if (!sprites()) return;
  for (int i = 0; i < 3; ++i) {
    const double x = 150 + 4 * i;
    auto zee = glyph(rig_.fxLayer, "fx", sprites()->zee, {20.0 + 5 * i, 20.0 + 5 * i}, {x, 240},
                     rig_.bodyLayer->contentsScale());
    auto group = AnimationGroup::make(
        {keyframeValues("position", {QPointF(x, 240), QPointF(x + 18, 266), QPointF(x + 36, 292)},
                        {0, 0.5, 1}, 0, TimingFunction::linear()),
         keyframes("opacity", {0, 1, 1, 0}, {0, 0.2, 0.7, 1}, 0, TimingFunction::linear()),
         basic("transform.scale", 0.6, 1.15, 0, TimingFunction::linear())},
        3.6);
    looping(group);
    group->beginTime = animation_clock::now() + 1.2 * i;
    group->fillMode = FillMode::backwards;
    group->timingFunction = TimingFunction::easeOut();
    group->frameRate = kSlowFrameRate;
    zee->addAnimation(group, "zzz");
  }
}

void StateMotions::pulseAlert() {
  rig_.alertLayer->addAnimation(
      looping(keyframes("opacity", {0, 1, 1, 0, 0}, {0, 0.05, 0.38, 0.5, 1}, 3.0,
                        TimingFunction::linear())),
      "state");
  rig_.alertLayer->addAnimation(
      looping(keyframes("transform.scale", {0.6, 1.1, 1, 1, 1}, {0, 0.1, 0.38, 0.5, 1}, 3.0,
                        TimingFunction::linear())),
      "state2");
}

void StateMotions::burst() {
  if (!sprites()) return;
  const auto star = [&](StarStyle s) { return imageFor(sprites()->stars, s); };
  const QImage images[10] = {star(StarStyle::gold), star(StarStyle::pink), sprites()->heart,
                             star(StarStyle::sky),  star(StarStyle::gold), sprites()->heart,
                             star(StarStyle::pink), star(StarStyle::sky),  star(StarStyle::gold),
                             sprites()->heart};
  Transaction::begin();
  // The particles leave once all of them have flown.
  auto shared = std::make_shared<std::vector<std::weak_ptr<Layer>>>();
  Transaction::setCompletion([shared] {
    for (const auto& weak : *shared) {
      if (auto l = weak.lock()) l->removeFromSuperlayer();
    }
  });
  const QPointF from(110, 172);
  for (int i = 0; i < 10; ++i) {
    auto layer =
        glyph(rig_.fxLayer, "fx", images[i], {22, 22}, from, rig_.bodyLayer->contentsScale());
    shared->push_back(layer);
    const double theta = 2 * kPi * i / 10 + 0.3;
    const double r = 70 + (37 * i) % 30;
    const QPointF end(110 + r * std::cos(theta), 172 + 0.9 * r * std::sin(theta) + 10);
    auto group = AnimationGroup::make(
        {basic("position", from, end, 0, TimingFunction::easeOut()),
         keyframes("opacity", {0, 1, 1, 0}, {0, 0.15, 0.65, 1}, 0, TimingFunction::linear()),
         basic("transform.rotation.z", 0.0, i % 2 == 0 ? kPi : -kPi, 0, TimingFunction::linear()),
         keyframes("transform.scale", {0.3, 1.1, 0.8}, {0, 0.4, 1}, 0, TimingFunction::linear())},
        1.25);
    layer->addAnimation(group, "burst");
  }
  Transaction::commit();
}

void StateMotions::startSteam() {
  for (int i = 0; i < 2; ++i) {
    const LayerPtr& l = i == 0 ? rig_.steamA : rig_.steamB;
    const double y = l->position().y();
    auto group = AnimationGroup::make(
        {keyframes("opacity", {0, 0.9, 0}, {0, 0.4, 1}, 0, TimingFunction::linear()),
         basic("position.y", y, y + 14, 0, TimingFunction::linear())},
        2.6);
    looping(group);
    group->beginTime = animation_clock::now() + 1.1 * i;
    group->fillMode = FillMode::backwards;
    group->frameRate = kSlowFrameRate;
    l->addAnimation(group, "state");
  }
}

void StateMotions::floaters(const QImage& image, QSizeF size, const std::vector<QPointF>& starts,
                            QPointF drift, double duration, double stagger) {
  if (image.isNull() || rig_.intensity() == AnimationIntensity::off || starts.empty()) return;
  for (size_t i = 0; i < starts.size(); ++i) {
    const QPointF p = starts[i];
    auto layer = glyph(rig_.fxLayer, "fx", image, size, p, rig_.bodyLayer->contentsScale());
    auto group = AnimationGroup::make(
        {basic("position", p, p + drift, 0, TimingFunction::linear()),
         keyframes("opacity", {0, 1, 1, 0}, {0, 0.25, 0.7, 1}, 0, TimingFunction::linear()),
         basic("transform.scale", 0.6, 1.1, 0, TimingFunction::linear())},
        duration);
    looping(group);
    group->beginTime = animation_clock::now() + static_cast<double>(i) * stagger;
    group->fillMode = FillMode::backwards;
    group->timingFunction = TimingFunction::easeOut();
    group->frameRate = kGlyphFrameRate;
    layer->addAnimation(group, "float");
  }
}

void StateMotions::squash(GlimmetState state) {
  const auto s = squashFor(state);
  if (!s) return;
  auto x = keyframes("transform.scale.x", s->x, s->times, s->duration);
  auto y = keyframes("transform.scale.y", s->y, s->times, s->duration);
  if (s->repeat) {
    looping(x);
    looping(y);
  }
  rig_.breathLayer->addAnimation(x, "state");
  rig_.breathLayer->addAnimation(y, "state2");
}

void StateMotions::sway(const std::vector<double>& values, std::vector<double> keyTimes,
                        double duration, bool autoreverses, bool repeat) {
  auto a = additive(keyframes("transform.rotation.z", values, std::move(keyTimes), duration));
  if (repeat) looping(a, autoreverses);
  rig_.poseLayer->addAnimation(a, "state");
}

void StateMotions::startStateMotion(GlimmetState state) {
  const double kk = k();
  const bool hasSprites = sprites().has_value();
  switch (state) {
    case GlimmetState::idle:
      breathe(0.008, 3.4);
      break;
    case GlimmetState::happy:
      hop(20, 2, 0.42, 0, false);
      squash(state);
      wiggleHands(3, 0.42, 2, 0, false);
      break;
    case GlimmetState::water:
      breathe(0.006, 3.0);
      sip();
      if (hasSprites) {
        floaters(sprites()->droplet, {12, 16}, {{78, 134}, {144, 140}, {150, 110}}, {0, 34}, 2.8,
                 0.9);
      }
      twinkle(StarStyle::sky, {134, 160}, 14, 1.8, 0.2);
      twinkle(StarStyle::gold, {86, 152}, 12, 2.2, 1.0);
      break;
    case GlimmetState::stretch:
      rig_.breathLayer->addAnimation(
          slow(looping(basic("transform.scale.y", 1.0,
                             rig_.intensity() == AnimationIntensity::normal ? 1.05 : 1.04, 1.4),
                       true)),
          "state");
      sway({-0.05, 0.05}, {}, 1.4, true, true);
      twinkle(StarStyle::gold, {40, 36}, 20, 1.5, 0);
      twinkle(StarStyle::sky, {182, 50}, 16, 1.5, 0.6);
      break;
    case GlimmetState::eyeRest:
      breathe(0.016, 3.6);
      startMoon();
      break;
    case GlimmetState::sleeping:
      breathe(0.022, 4.2);
      startZeds();
      break;
    case GlimmetState::wakeUp:
      hop(10, 1, 0.5, 0, false);
      squash(state);
      break;
    case GlimmetState::reminder:
      hop(15, 3, 0.36, 1.92, true);
      sway({0, 0.07, -0.07, 0.05, 0, 0}, {0, 0.09, 0.18, 0.27, 0.36, 1}, 3.0, false, true);
      pulseAlert();
      wiggleHands(5, 0.36, 3, 1.92, true);
      break;
    case GlimmetState::celebration:
      hop(26, 3, 0.4, 0, false);
      squash(state);
      burst();
      break;
    case GlimmetState::posture:
      if (hasSprites) {
        floaters(sprites()->chevron, {22, 18}, {{34, 140}, {186, 140}, {34, 114}, {186, 114}},
                 {0, 30}, 1.9, 0.45);
      }
      sway({0, 0, 0.1, 0.1, 0, 0}, {0, 0.25, 0.5, 0.6, 0.75, 1}, 2.8, false, true);
      squash(state);
      break;
    case GlimmetState::walk: {
      hop(9, 2, 0.55, 0, true);
      sway({-0.06, 0.06}, {}, 1.1, true, true);
      auto face = additive(looping(keyframes("position.x", {-3, 3}, {}, 1.1), true));
      rig_.faceLayer->addAnimation(face, "state");
      break;
    }
    case GlimmetState::rest:
      breathe(0.014, 3.8);
      startSteam();
      break;
    case GlimmetState::checkIn:
      breathe(0.01, 3.2);
      sway({0, 0.06, 0.06, 0, 0}, {0, 0.15, 0.55, 0.7, 1}, 3.6, false, true);
      rig_.clockLayer->addAnimation(
          looping(keyframes("transform.rotation.z",
                            {0, 0.16 * kk, -0.16 * kk, 0.13 * kk, -0.13 * kk, 0.08 * kk, 0, 0},
                            {0, 0.04, 0.08, 0.12, 0.16, 0.2, 0.24, 1}, 2.8,
                            TimingFunction::linear())),
          "state");
      pulseAlert();
      break;
    case GlimmetState::petted:
      sway({0, 0.07 * kk, -0.07 * kk, 0.05 * kk, -0.04 * kk, 0}, {0, 0.18, 0.4, 0.6, 0.8, 1}, 1.6,
           false, false);
      squash(state);
      if (hasSprites) floaters(sprites()->heart, {22, 20}, {{150, 240}}, {10, 34}, 1.5, 0);
      break;
  }
}

void StateMotions::stopStateMotion() {
  for (const auto& l :
       {rig_.hopLayer, rig_.breathLayer, rig_.handL, rig_.handR, rig_.bottleLayer, rig_.clockLayer,
        rig_.steamA, rig_.steamB, rig_.alertLayer, rig_.poseLayer, rig_.faceLayer}) {
    l->removeAnimation("state");
    l->removeAnimation("state2");
  }
  rig_.eyeL->removeAnimation("sip");
  rig_.eyeR->removeAnimation("sip");
  const auto subs = rig_.fxLayer->sublayers();
  for (const auto& l : subs) {
    if (l->name() == "fx") l->removeFromSuperlayer();
  }
  rig_.alertLayer->removeAllAnimations();
  ActionsDisabled quiet;
  rig_.alertLayer->setOpacity(0);
}

void StateMotions::removeAllMotion() {
  for (const auto& l :
       {rig_.floatLayer, rig_.hopLayer, rig_.breathLayer, rig_.shadowLayer, rig_.faceLayer,
        rig_.handL, rig_.handR, rig_.propLayer, rig_.bottleLayer, rig_.clockLayer, rig_.steamA,
        rig_.steamB, rig_.alertLayer, rig_.eyeL, rig_.eyeR}) {
    l->removeAllAnimations();
  }
  rig_.poseLayer->removeAnimation("state");
  rig_.poseLayer->removeAnimation("state2");
  const auto subs = rig_.fxLayer->sublayers();
  for (const auto& l : subs) {
    if (l != rig_.alertLayer) l->removeFromSuperlayer();
  }
  ActionsDisabled quiet;
  rig_.alertLayer->setOpacity(0);
}

}  // namespace pimble
