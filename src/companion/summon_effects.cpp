#include "companion/summon_effects.h"

#include <algorithm>
#include <cmath>

#include "companion/behavior_player.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/shape_layer.h"
#include "companion/layers/transaction.h"
#include "companion/motion_builders.h"

namespace pimble {

using namespace motion;

namespace {

constexpr double kPi = 3.14159265358979323846;

double clamp01(double x) {
  return std::clamp(x, 0.0, 1.0);
}
double smoothstep(double v) {
  return v * v * (3 - 2 * v);
}

QColor calibrated(double r, double g, double b, double a = 1) {
  return srgb(r, g, b, a);
}

// An ellipse arc from angle a0 to a1 (radians, y up) about the origin.
QPainterPath arc(double rx, double ry, double a0, double a1) {
  QPainterPath path;
  const int steps = 24;
  for (int i = 0; i <= steps; ++i) {
    const double a = a0 + (a1 - a0) * i / steps;
    const QPointF p(rx * std::cos(a), ry * std::sin(a));
    if (i == 0) {
      path.moveTo(p);
    } else {
      path.lineTo(p);
    }
  }
  return path;
}

}  // namespace

SummonEffects::Frame SummonEffects::summonFrame(double t, Style style) {
  Frame f;
  if (style == Style::surprise) {
    const double u = clamp01(t - 0.25);
    f.angle = 4 * kPi * smoothstep(u);
    f.lift = 12 * std::sin(kPi * u);
    f.scale = 1 - 0.06 * std::sin(kPi * u);
    f.alpha = 1;
    return f;
  }
  const double a = (t - 0.6) / 0.6;
  const double b = (t - 0.45) / 0.9;
  if (t <= 1.2) {
    const double g = 1 - clamp01(a);
    f.scale = 0.22 + 0.82 * (1 - g * g * g);
  } else {
    f.scale = 1.04 - 0.04 * std::min((t - 1.2) * 4, 1.0);
  }
  const double e = 1 - clamp01(b);
  f.angle = 6 * kPi * (1 - e * e);
  f.lift = 12 * std::sin(kPi * clamp01((t - 0.8) / 0.6));
  f.alpha = smoothstep(clamp01((t - 0.6) / 0.18));
  if (style == Style::summoned && t < 0.5) {
    const double w = 2 * t;
    f.angle = 4 * kPi * w * w;
    f.scale = 1 - 0.78 * w * w;
    f.alpha = 1 - smoothstep(clamp01((t - 0.28) / 0.2));
  }
  return f;
}

LayerTransform SummonEffects::spinTransform(const Frame& frame) {
  double c = std::cos(frame.angle);
  if (std::abs(c) < 0.04) c = c < 0 ? -0.04 : 0.04;
  return LayerTransform{0, frame.lift, 0, c * frame.scale, frame.scale};
}

double SummonEffects::summon(Style style) {
  if (!rig_.active() || rig_.intensity() == AnimationIntensity::off ||
      rig_.state() != GlimmetState::idle || rig_.cape.isSimulating()) {
    return 0;
  }
  if (rig_.performing() == IdleBehavior::whirlwind) return 0;
  rig_.cancelBehavior(style != Style::shown);
  rig_.setPerforming(IdleBehavior::whirlwind);
  const double length = whirlwind(style);
  if (length > 0) {
    rig_.later(length, [this] { rig_.finishBehavior(); });
    return length;
  }
  rig_.setPerforming(std::nullopt);
  return 0;
}

double SummonEffects::whirlwind(Style style) {
  if (rig_.intensity() != AnimationIntensity::normal) return gentleArrival(style);
  const double start = animation_clock::now();
  const bool surprise = style == Style::surprise;
  buildTornado(surprise, start);

  std::vector<LayerValue> transforms;
  std::vector<double> alphas;
  for (int i = 0; i <= 60; ++i) {
    const Frame f = summonFrame(1.5 * i / 60, style);
    transforms.emplace_back(spinTransform(f));
    alphas.push_back(f.alpha);
  }
  auto spin = keyframeValues("transform", transforms, {}, 1.5, TimingFunction::linear());
  spin->beginTime = start;
  spin->fillMode = FillMode::backwards;
  rig_.hopLayer->addAnimation(spin, "behavior");
  if (!surprise) {
    auto fade = keyframes("opacity", alphas, {}, 1.5, TimingFunction::linear());
    fade->beginTime = start;
    fade->fillMode = FillMode::backwards;
    rig_.hopLayer->addAnimation(fade, "behavior2");
  }
  rig_.shadowLayer->addAnimation(
      additive(keyframes("transform.scale", {0, 0.45, 0.45, 0}, {0, 0.3, 0.75, 1}, 1.4)),
      "behavior");

  GlimmetPose face = BehaviorPlayer::neutral(0, 1.0);
  face.eyes = EyeStyle::calm;
  if (style == Style::shown) {
    rig_.setPose(face, 0);
  } else {
    rig_.later(0.15, [this, face] { rig_.setPose(face, 0.2); });
  }

  const std::vector<std::pair<double, QPointF>> gusts =
      surprise ? std::vector<std::pair<double, QPointF>>{{0.45, {6, -2}}, {0.85, {-4, 1}}}
               : std::vector<std::pair<double, QPointF>>{{0.75, {7, -2.5}}, {1.05, {-5, 1}}};
  for (const auto& [delay, g] : gusts) {
    rig_.later(delay, [this, g = g] { rig_.cape.gust(g.x(), g.y()); });
  }
  rig_.later(surprise ? 1.15 : 1.2,
             [this] { rig_.setPose(BehaviorPlayer::neutral(1, 1.15), 0.2); });
  if (surprise) {
    rig_.later(1.25, [this] { rig_.burst(); });
    rig_.later(2.0, [this] { rig_.setPose(BehaviorPlayer::neutral(0, 1.0), 0.35); });
    return 2.4;
  }
  rig_.later(1.3, [this] { rig_.wave(); });
  rig_.later(2.85, [this] { rig_.setPose(BehaviorPlayer::neutral(0, 1.0), 0.35); });
  return 3.2;
}

double SummonEffects::gentleArrival(Style style) {
  GlimmetPose hello = BehaviorPlayer::neutral(1, 1.12);
  hello.handR = {40, -66};
  hello.handStyle = HandStyle::open;
  switch (style) {
    case Style::surprise:
      return 0;
    case Style::shown: {
      auto fade = basic("opacity", 0.0, 1.0, 0.6, TimingFunction::easeOut());
      fade->beginTime = animation_clock::now();
      fade->fillMode = FillMode::backwards;
      rig_.hopLayer->addAnimation(fade, "behavior2");
      rig_.later(0.45, [this, hello] { rig_.setPose(hello, 0.4); });
      rig_.later(1.5, [this] { rig_.setPose(BehaviorPlayer::neutral(0, 1.0), 0.45); });
      return 2.0;
    }
    case Style::summoned:
      rig_.later(0, [this, hello] { rig_.setPose(hello, 0.4); });
      rig_.later(1.1, [this] { rig_.setPose(BehaviorPlayer::neutral(0, 1.0), 0.45); });
      return 1.6;
  }
  return 0;
}

void SummonEffects::buildTornado(bool small, double start) {
  removeTornado();
  const double topWidth = small ? 134 : 180;
  const double height = small ? 218 : 248;
  const auto widthAt = [&](double u) { return 16 + std::pow(u, 1.2) * topWidth; };

  LayerPtr containers[2];
  for (int i = 0; i < 2; ++i) {
    ActionsDisabled quiet;
    auto c = Layer::make();
    c->setName("tornado");
    c->setBounds({220, 310});
    c->setAnchorPoint({110.0 / 220, 1 - 292.0 / 310});
    c->setPosition({110, 310 - 292});
    c->disableActions({"transform", "opacity"});
    rig_.root->insertSublayer(c, i == 0 ? rig_.shadowLayer.get() : rig_.floatLayer.get());
    rig_.tornadoLayers.push_back(c);
    containers[i] = c;
  }
  const LayerPtr& back = containers[0];
  const LayerPtr& front = containers[1];
  ActionsDisabled quiet;

  // The funnel.
  QPainterPath funnel;
  for (int k = 0; k <= 10; ++k) {
    const double u = k / 10.0;
    const QPointF p(110 - widthAt(u) / 2, 18 + u * height);
    if (k == 0) {
      funnel.moveTo(p);
    } else {
      funnel.lineTo(p);
    }
  }
  for (int k = 10; k >= 0; --k) {
    const double u = k / 10.0;
    funnel.lineTo(110 + widthAt(u) / 2, 18 + u * height);
  }
  funnel.closeSubpath();
  auto cone = ShapeLayer::make();
  cone->setPath(funnel);
  cone->setFillColor(calibrated(0.84, 0.89, 1.0, 0.3));
  back->addSublayer(cone);

  // Streak rings, split into a far half behind and a near half in front.
  const int rings = small ? 6 : 8;
  for (int k = 0; k < rings; ++k) {
    const double u = (k + 0.6) / rings;
    const double w = widthAt(u);
    const double h = std::max(0.2 * w, 6.0);
    const QPointF centre(110 + 5 * u * std::sin(1.3 * k), 18 + u * height);
    const double length = kPi * (w + h) / 4;
    for (int half = 0; half < 2; ++half) {
      const bool far = half == 0;
      auto ring = ShapeLayer::make();
      ring->setPosition(centre);
      ring->setPath(far ? arc(w / 2, h / 2, 0, kPi) : arc(w / 2, h / 2, kPi, 2 * kPi));
      ring->setFillColor(QColor());
      ring->setStrokeColor(far ? calibrated(0.86, 0.9, 1.0, 0.75) : QColor(Qt::white));
      ring->setLineWidth(far ? 2.6 : 3.4);
      ring->setLineCap(LineCap::round);
      ring->setLineDashPattern({0.34 * length, 0.16 * length});
      ring->setShadowColor(calibrated(0.36, 0.48, 0.94));
      ring->setShadowOffset({0, 0});
      ring->setShadowRadius(far ? 1.6 : 2.2);
      ring->setShadowOpacity(far ? 0.55 : 0.95);
      ring->addAnimation(looping(basic("lineDashPhase", 0.0, length / 2, 0.16 + 0.14 * u,
                                       TimingFunction::linear())),
                         "spin");
      const double a = u * (small ? 4 : 6);
      auto sway = additive(looping(keyframes("position.x", {0, a, 0, -a, 0}, {}, 0.5)));
      sway->timeOffset = 0.07 * k;
      ring->addAnimation(sway, "sway");
      (far ? back : front)->addSublayer(ring);
    }
  }

  // Dots orbiting in front.
  const int dots = small ? 5 : 8;
  for (int j = 0; j < dots; ++j) {
    const double u = 0.25 + 0.7 * j / dots;
    const double orbitW = widthAt(u) + 14;
    const double orbitH = std::max(0.22 * orbitW, 8.0);
    const double size = j % 3 == 0 ? 7 : 5;
    auto dot = Layer::make();
    dot->setBounds({size, size});
    dot->setCornerRadius(size / 2);
    dot->setBackgroundColor(Qt::white);
    dot->setShadowOpacity(0.95);
    dot->setShadowRadius(1.5);
    dot->setShadowOffset({0, 0});
    std::vector<LayerValue> orbit;
    for (int i = 0; i <= 32; ++i) {
      const double a = 2 * kPi * i / 32;
      orbit.emplace_back(
          QPointF(110 + orbitW / 2 * std::cos(a), 18 + u * height + orbitH / 2 * std::sin(a)));
    }
    const double d = 0.42 + 0.05 * j;
    auto path = looping(keyframeValues("position", orbit, {}, d, TimingFunction::linear()));
    path->calculationMode = CalculationMode::paced;
    path->timeOffset = j * d / 3;
    dot->addAnimation(path, "orbit");
    auto depth = looping(keyframes("opacity", {0.7, 0.25, 0.7, 1, 0.7}, {}, d));
    depth->timeOffset = j * d / 3;
    dot->addAnimation(depth, "depth");
    front->addSublayer(dot);
  }

  // Both containers grow in and vanish.
  const std::vector<double> growValues = small ? std::vector<double>{0.2, 0.75, 1, 1, 1.2}
                                               : std::vector<double>{0.15, 0.55, 1, 1, 1.25};
  const std::vector<double> growTimes = small ? std::vector<double>{0, 0.2, 0.42, 0.72, 0.92}
                                              : std::vector<double>{0, 0.19, 0.5, 0.6, 0.82};
  const std::vector<double> fadeTimes = small ? std::vector<double>{0, 0.15, 0.4, 0.72, 0.92}
                                              : std::vector<double>{0, 0.12, 0.5, 0.6, 0.82};
  for (const LayerPtr& c : containers) {
    auto grow = keyframes("transform.scale", growValues, growTimes, 1.6);
    auto fade = keyframes("opacity", {0, 0.9, 1, 1, 0}, fadeTimes, 1.6);
    for (const auto& a : {grow, fade}) {
      a->beginTime = start;
      a->fillMode = FillMode::both;
      a->removedOnCompletion = false;
    }
    c->addAnimation(grow, "grow");
    c->addAnimation(fade, "fade");
    c->setOpacity(0);
  }
  rig_.later(1.65, [this] { removeTornado(); });
}

void SummonEffects::removeTornado() {
  for (const auto& layer : rig_.tornadoLayers) {
    layer->removeAllAnimations();
    layer->removeFromSuperlayer();
  }
  rig_.tornadoLayers.clear();
}

void SummonEffects::tumble() {
  if (!rig_.active() || rig_.intensity() != AnimationIntensity::normal || !rig_.surprisesEnabled ||
      rig_.state() != GlimmetState::idle) {
    return;
  }
  rig_.cancelBehavior(true);
  rig_.setPerforming(IdleBehavior::twirl);
  GlimmetPose dizzy = BehaviorPlayer::neutral(0, 1.0);
  dizzy.eyes = EyeStyle::sleepy;
  dizzy.mouth = MouthStyle::oval;
  rig_.setPose(dizzy, 0.15);
  rig_.hopLayer->addAnimation(
      additive(keyframes("transform.rotation.z", {0, 0.28, -0.2, 0.12, -0.06, 0},
                         {0, 0.18, 0.4, 0.6, 0.8, 1}, 1.5)),
      "behavior");
  if (rig_.sprites()) {
    const StarStyle styles[3] = {StarStyle::gold, StarStyle::pink, StarStyle::sky};
    const double now = animation_clock::now();
    for (int i = 0; i < 3; ++i) {
      const QImage star = imageFor(rig_.sprites()->stars, styles[i]);
      if (star.isNull()) continue;
      const double a = 2 * kPi * i / 3;
      const QPointF from(110 + 34 * std::cos(a), 310 - 42 - 8 * std::sin(a));
      BehaviorPlayer::spark(rig_, star, {14, 14}, from,
                            from + QPointF(-30 * std::sin(a), 6 * std::cos(a)), 1.4, now);
    }
  }
  rig_.later(1.6, [this] { rig_.setPose(BehaviorPlayer::neutral(0, 1.0), 0.35); });
  rig_.later(2.0, [this] { rig_.finishBehavior(); });
}

}  // namespace pimble
