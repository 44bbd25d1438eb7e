#include "companion/behavior_player.h"

#include <cmath>
#include <random>

#include "companion/glimmet_rig.h"
#include "companion/layers/fade_transition.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/transaction.h"
#include "companion/motion_builders.h"
#include "companion/summon_effects.h"

namespace pimble {

using namespace motion;

namespace {

constexpr double kPi = 3.14159265358979323846;

GlimmetPose posed(EyeStyle eyes, MouthStyle mouth) {
  GlimmetPose p = BehaviorPlayer::neutral(0, 1.0);
  p.eyes = eyes;
  p.mouth = mouth;
  return p;
}

}  // namespace

GlimmetPose BehaviorPlayer::neutral(int m, double cheekScale) {
  GlimmetPose p;
  p.eyes = m == 1 ? EyeStyle::happy : EyeStyle::open;
  p.mouth = m == 1 ? MouthStyle::grin : MouthStyle::smile;
  p.cheekScale = cheekScale;
  return p;
}

void BehaviorPlayer::pose(const GlimmetPose& p, double duration) {
  rig_.setPose(p, duration);
}

void BehaviorPlayer::neutralAt(double delay, int m, double cheekScale, double duration) {
  rig_.later(delay, [this, m, cheekScale, duration] { pose(neutral(m, cheekScale), duration); });
}

double BehaviorPlayer::randomSign() {
  return std::bernoulli_distribution(0.5)(rig_.rng) ? 1.0 : -1.0;
}

void BehaviorPlayer::spark(GlimmetRig& rig, const QImage& image, QSizeF size, QPointF from,
                           QPointF to, double duration, double beginTime) {
  auto layer = glyph(rig.fxLayer, "behaviorfx", image, size, from, rig.bodyLayer->contentsScale());
  auto group = AnimationGroup::make(
      {basic("position", from, to, 0, TimingFunction::linear()),
       keyframes("opacity", {0, 1, 1, 0}, {0, 0.2, 0.7, 1}, 0, TimingFunction::linear()),
       basic("transform.scale", 0.5, 1.1, 0, TimingFunction::linear())},
      duration);
  group->beginTime = beginTime;
  group->fillMode = FillMode::both;
  group->removedOnCompletion = false;
  group->timingFunction = TimingFunction::easeOut();
  group->frameRate = kGlyphFrameRate;
  layer->addAnimation(group, "spark");
}

void BehaviorPlayer::removeGlyphs(GlimmetRig& rig) {
  const auto subs = rig.fxLayer->sublayers();
  for (const auto& l : subs) {
    if (l->name() == "behaviorfx") l->removeFromSuperlayer();
  }
}

double BehaviorPlayer::perform(IdleBehavior behavior) {
  if (!rig_.active() || rig_.intensity() == AnimationIntensity::off ||
      rig_.state() != GlimmetState::idle || rig_.flying || rig_.cape.isSimulating()) {
    return 0;
  }
  rig_.cancelBehavior(true);
  rig_.performing_ = behavior;
  const double length = script(behavior, rig_.amplitude());
  if (length <= 0) {
    rig_.performing_.reset();
    return 0;
  }
  rig_.later(length, [this] { rig_.finishBehavior(); });
  return length;
}

void BehaviorPlayer::swapRightEye(EyeStyle eyes) {
  if (!rig_.sprites()) return;
  rig_.eyeR->addAnimation(FadeTransition::make(0.1), "swap");
  ActionsDisabled quiet;
  rig_.eyeR->setContents(imageFor(rig_.sprites()->eyes, eyes));
}

double BehaviorPlayer::script(IdleBehavior behavior, double f) {
  const double now = animation_clock::now();
  const bool glyphs = rig_.sprites().has_value() && rig_.intensity() != AnimationIntensity::off;
  switch (behavior) {
    case IdleBehavior::yawn: {
      GlimmetPose p = posed(EyeStyle::calm, MouthStyle::oval);
      p.handR = {0, -21};
      p.scaleX = 0.98;
      p.scaleY = 1.04;
      pose(p, 0.45);
      rig_.breathLayer->addAnimation(
          additive(
              keyframes("transform.scale.y", {0, 0.03 * f, 0.03 * f, 0}, {0, 0.3, 0.7, 1}, 1.9)),
          "behavior");
      neutralAt(1.7, 0, 1.0, 0.4);
      return 2.3;
    }
    case IdleBehavior::miniStretch: {
      GlimmetPose p = posed(EyeStyle::happy, MouthStyle::oval);
      p.handL = {-36, -100};
      p.handR = {36, -100};
      p.scaleX = 0.97;
      p.scaleY = 1.05;
      p.showArms = true;
      p.handStyle = HandStyle::open;
      p.armBulge = 36;
      pose(p, 0.5);
      auto sway = additive(
          keyframes("transform.rotation.z", {0, 0.05 * f, -0.05 * f, 0}, {0, 0.35, 0.7, 1}, 1.4));
      sway->beginTime = now + 0.4;
      sway->fillMode = FillMode::backwards;
      rig_.poseLayer->addAnimation(sway, "behavior");
      neutralAt(1.6, 0, 1.0, 0.45);
      return 2.1;
    }
    case IdleBehavior::hum: {
      GlimmetPose p = posed(EyeStyle::happy, MouthStyle::smile);
      p.cheekScale = 1.1;
      pose(p, 0.3);
      rig_.poseLayer->addAnimation(
          additive(keyframes("transform.rotation.z",
                             {0, 0.06 * f, -0.06 * f, 0.06 * f, -0.06 * f, 0},
                             {0, 0.2, 0.4, 0.6, 0.8, 1}, 3.2)),
          "behavior");
      if (glyphs && !rig_.sprites()->note.isNull()) {
        const QPointF starts[3] = {{160, 218}, {172, 240}, {150, 234}};
        for (int i = 0; i < 3; ++i) {
          spark(rig_, rig_.sprites()->note, {18, 21}, starts[i], starts[i] + QPointF(16, 36), 1.5,
                now + 0.9 * i);
        }
      }
      neutralAt(3.0, 0, 1.0, 0.35);
      return 3.4;
    }
    case IdleBehavior::wink: {
      swapRightEye(EyeStyle::happy);
      if (glyphs) {
        const QImage gold = imageFor(rig_.sprites()->stars, StarStyle::gold);
        if (!gold.isNull()) spark(rig_, gold, {16, 16}, {160, 202}, {166, 212}, 0.9, now + 0.1);
      }
      rig_.cheekR->addAnimation(
          additive(keyframes("transform.scale", {0, 0.2, 0.2, 0}, {0, 0.2, 0.7, 1}, 1.0)),
          "behavior");
      rig_.later(0.75, [this] { swapRightEye(rig_.pose().eyes); });
      return 1.2;
    }
    case IdleBehavior::peek: {
      const double s = randomSign();
      const std::vector<double> times = {0, 0.25, 0.75, 1};
      rig_.poseLayer->addAnimation(
          additive(
              keyframes("transform.rotation.z", {0, -0.12 * s * f, -0.12 * s * f, 0}, times, 2.0)),
          "behavior");
      rig_.faceLayer->addAnimation(
          additive(keyframes("position.x", {0, 7 * s * f, 7 * s * f, 0}, times, 2.0)), "behavior");
      pose(posed(EyeStyle::open, MouthStyle::oval), 0.3);
      neutralAt(1.5, 0, 1.0, 0.3);
      return 2.2;
    }
    case IdleBehavior::nod: {
      GlimmetPose p = posed(EyeStyle::sleepy, MouthStyle::calm);
      p.tilt = -0.08;
      p.drop = 5;
      pose(p, 0.9);
      rig_.later(1.7, [this, f] {
        pose(posed(EyeStyle::open, MouthStyle::oval), 0.12);
        rig_.hopLayer->addAnimation(
            additive(keyframes("position.y", {0, 8 * f, 0}, {0, 0.4, 1}, 0.35)), "behavior");
      });
      neutralAt(2.4, 0, 1.0, 0.3);
      return 2.8;
    }
    case IdleBehavior::twirl: {
      GlimmetPose p = posed(EyeStyle::happy, MouthStyle::grin);
      p.cheekScale = 1.2;
      pose(p, 0.2);
      const double s = randomSign();
      std::vector<LayerValue> turns;
      for (int i = 0; i <= 12; ++i) {
        // A turn about the point 126 above the anchor point.
        const double angle = i * s * 2 * kPi / 12;
        turns.push_back(
            LayerTransform{126 * std::sin(angle), 126 - 126 * std::cos(angle), angle, 1, 1});
      }
      auto spin = keyframeValues("transform", turns, {}, 1.0);
      spin->beginTime = now + 0.1;
      spin->fillMode = FillMode::backwards;
      rig_.hopLayer->addAnimation(spin, "behavior");
      rig_.hopLayer->addAnimation(
          additive(keyframes("position.y", {0, 26 * f, 26 * f, 0}, {0, 0.3, 0.7, 1}, 1.2)),
          "behavior2");
      rig_.later(1.15, [this] { rig_.burst(); });
      neutralAt(1.7, 0, 1.0, 0.3);
      return 2.0;
    }
    case IdleBehavior::sneeze: {
      GlimmetPose p = posed(EyeStyle::calm, MouthStyle::oval);
      p.tilt = -0.1;
      p.scaleY = 1.05;
      pose(p, 0.6);
      rig_.later(0.85, [this] {
        GlimmetPose achoo = posed(EyeStyle::happy, MouthStyle::grin);
        achoo.tilt = 0.12;
        achoo.scaleX = 1.05;
        achoo.scaleY = 0.94;
        pose(achoo, 0.1);
        if (!rig_.sprites() || rig_.intensity() == AnimationIntensity::off) return;
        const QImage sky = imageFor(rig_.sprites()->stars, StarStyle::sky);
        if (sky.isNull()) return;
        const double t = animation_clock::now();
        for (int i = 0; i < 3; ++i) {
          spark(rig_, sky, {12, 12}, {120.0 + 8 * i, 160}, {146.0 + 16 * i, 150.0 + 10 * i}, 0.7,
                t + 0.05 * i);
        }
      });
      neutralAt(1.4, 0, 1.15, 0.35);
      neutralAt(2.0, 0, 1.0, 0.3);
      return 2.2;
    }
    case IdleBehavior::hiccups: {
      pose(posed(EyeStyle::open, MouthStyle::oval), 0.2);
      for (double at : {0.25, 0.9, 1.55}) {
        rig_.later(at, [this, f] {
          rig_.hopLayer->addAnimation(
              additive(keyframes("position.y", {0, 9 * f, 0}, {0, 0.35, 1}, 0.3)), "behavior");
          rig_.breathLayer->addAnimation(
              additive(keyframes("transform.scale.y", {0, -0.04, 0.02, 0}, {0, 0.3, 0.6, 1}, 0.3)),
              "behavior");
        });
      }
      neutralAt(2.2, 0, 1.0, 0.3);
      return 2.6;
    }
    case IdleBehavior::peekaboo: {
      GlimmetPose hide = posed(EyeStyle::calm, MouthStyle::smile);
      hide.handL = {-18, -40};
      hide.handR = {18, -40};
      pose(hide, 0.35);
      rig_.later(1.25, [this, f] {
        GlimmetPose reveal = posed(EyeStyle::happy, MouthStyle::grin);
        reveal.handL = {-46, -34};
        reveal.handR = {46, -34};
        reveal.cheekScale = 1.22;
        reveal.handStyle = HandStyle::open;
        pose(reveal, 0.18);
        rig_.hopLayer->addAnimation(
            additive(keyframes("position.y", {0, 12 * f, 0}, {0, 0.4, 1}, 0.45)), "behavior");
      });
      neutralAt(2.2, 0, 1.0, 0.4);
      return 2.7;
    }
    case IdleBehavior::whirlwind:
      return rig_.summons_->whirlwind(GlimmetRig::SummonStyle::surprise);
  }
  return 0;
}

void BehaviorPlayer::blink() {
  if (!rig_.active() || rig_.intensity() == AnimationIntensity::off) return;
  const EyeStyle eyes = rig_.pose().eyes;
  if (eyes != EyeStyle::open && eyes != EyeStyle::sleepy) return;
  auto a =
      keyframes("transform.scale.y", {1, 0.08, 1}, {0, 0.5, 1}, 0.16, TimingFunction::linear());
  a->frameRate = kBlinkFrameRate;
  a->beginTime = steppedTime(animation_clock::now(), kBlinkFrameRate);
  rig_.eyeL->addAnimation(a, "blink");
  rig_.eyeR->addAnimation(a, "blink");
}

void BehaviorPlayer::lookAround() {
  if (!rig_.active() || rig_.intensity() == AnimationIntensity::off ||
      rig_.pose().eyes != EyeStyle::open) {
    return;
  }
  const double s = randomSign();
  auto look = additive(keyframes("position.x", {0, 5 * s, 5 * s, -3 * s, -3 * s, 0},
                                 {0, 0.15, 0.4, 0.55, 0.8, 1}, 2.2));
  look->frameRate = kSlowFrameRate;  // a slow glance, a pixel or so a step
  rig_.faceLayer->addAnimation(look, "look");
}

void BehaviorPlayer::wave() {
  if (!rig_.active() || rig_.intensity() == AnimationIntensity::off ||
      rig_.state() != GlimmetState::idle) {
    return;
  }
  const QPointF offsets[] = {{0, 0},   {38, 40}, {46, 44}, {36, 38},
                             {46, 44}, {36, 38}, {46, 44}, {0, 0}};
  std::vector<LayerValue> hand;
  std::vector<LayerValue> paths;
  const QPointF base = rig_.handR->position();
  for (const QPointF& o : offsets) {
    hand.emplace_back(o);
    const QPointF h = base + o;
    QPainterPath path;
    path.moveTo(182, 160);
    path.quadTo(QPointF((h.x() + 182) / 2 + 18, (h.y() + 160) / 2), h);
    paths.emplace_back(path);
  }
  rig_.handR->addAnimation(additive(keyframeValues("position", hand, {}, 1.7)), "wave");
  auto arm = keyframeValues("path", paths, {}, 1.7);
  rig_.armR->outline->addAnimation(arm, "wave");
  rig_.armR->fill->addAnimation(arm, "wave");
  if (rig_.armR->opacity() == 0) {
    rig_.armR->addAnimation(keyframes("opacity", {0, 1, 1, 0}, {0, 0.08, 0.9, 1}, 1.7), "wave");
  }
  auto cheeks = keyframes("transform.scale", {1, 1.18, 1.18, 1}, {0, 0.1, 0.85, 1}, 1.7);
  rig_.cheekL->addAnimation(cheeks, "wave");
  rig_.cheekR->addAnimation(cheeks, "wave");
}

void BehaviorPlayer::sleepyEyes(bool on) {
  if (rig_.state() != GlimmetState::idle || !rig_.sprites()) return;
  rig_.pose_.eyes = on ? EyeStyle::sleepy : EyeStyle::open;
  const QImage eye = imageFor(rig_.sprites()->eyes, rig_.pose_.eyes);
  for (const auto& l : {rig_.eyeL, rig_.eyeR}) {
    l->addAnimation(FadeTransition::make(0.4), "swap");
    ActionsDisabled quiet;
    l->setContents(eye);
  }
}

}  // namespace pimble
