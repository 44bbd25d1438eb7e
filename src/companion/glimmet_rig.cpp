#include "companion/glimmet_rig.h"

#include <cmath>

#include "companion/behavior_player.h"
#include "companion/layers/fade_transition.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/transaction.h"
#include "companion/state_motions.h"
#include "companion/summon_effects.h"

namespace pimble {
namespace {

LayerPtr canvasLayer(const char* name) {
  auto l = Layer::make();
  l->setName(name);
  l->setBounds({GlimmetRig::W, GlimmetRig::H});
  l->setAnchorPoint({0, 0});
  l->setPosition({0, 0});
  return l;
}

// A layer that turns and scales about the foot point.
LayerPtr motionLayer(const char* name) {
  auto l = Layer::make();
  l->setName(name);
  l->setBounds({GlimmetRig::W, GlimmetRig::H});
  l->setAnchorPoint({0.5, GlimmetRig::footPoint.y() / GlimmetRig::H});
  l->setPosition(GlimmetRig::footPoint);
  return l;
}

LayerPtr placed(const char* name, QSizeF size, QPointF at) {
  auto l = Layer::make();
  l->setName(name);
  l->setBounds(size);
  l->setPosition(GlimmetRig::layerPoint(at));
  l->disableActions({"contents"});
  return l;
}

QImage imageOr(const std::map<EyeStyle, QImage>& m, EyeStyle k) {
  auto it = m.find(k);
  return it == m.end() ? QImage() : it->second;
}
QImage imageOr(const std::map<MouthStyle, QImage>& m, MouthStyle k) {
  auto it = m.find(k);
  return it == m.end() ? QImage() : it->second;
}
QImage imageOr(const std::map<HandKey, QImage>& m, HandKey k) {
  auto it = m.find(k);
  return it == m.end() ? QImage() : it->second;
}

}  // namespace

GlimmetRig::GlimmetRig()
    : root(canvasLayer("root")),
      shadowLayer(placed("shadow", {110, 24}, {112, 296})),
      floatLayer(motionLayer("float")),
      flightLayer(motionLayer("flight")),
      hopLayer(motionLayer("hop")),
      breathLayer(motionLayer("breath")),
      poseLayer(motionLayer("pose")),
      bodyLayer(canvasLayer("body")),
      faceLayer(canvasLayer("face")),
      eyeL(placed("eyeL", {28, 34}, {83, 128})),
      eyeR(placed("eyeR", {28, 34}, {137, 128})),
      cheekL(placed("cheekL", {40, 28}, {67, 143})),
      cheekR(placed("cheekR", {40, 28}, {153, 143})),
      mouthLayer(placed("mouth", {36, 28}, {110, 141})),
      propLayer(canvasLayer("props")),
      bottleLayer(placed("bottle", {44, 76}, {110, 188})),
      cupLayer(placed("cup", {62, 51}, {110, 186})),
      clockLayer(placed("clock", {56, 60}, {110, 184})),
      steamA(placed("steamA", {20, 34}, {101, 152})),
      steamB(placed("steamB", {20, 34}, {119, 148})),
      handL(placed("handL", {52, 52}, handBase[0])),
      handR(placed("handR", {52, 52}, handBase[1])),
      armL(ArmLayer::make()),
      armR(ArmLayer::make()),
      fxLayer(canvasLayer("fx")),
      alertLayer(placed("alert", {44, 36}, {168, 62})) {
  root->addSublayer(shadowLayer);
  root->addSublayer(floatLayer);
  flightLayer->disableActions({"transform"});
  floatLayer->addSublayer(flightLayer);
  flightLayer->addSublayer(hopLayer);
  hopLayer->addSublayer(breathLayer);
  breathLayer->addSublayer(poseLayer);
  // The figure is composed into one picture, moved, turned and scaled as a
  // whole by the float, hop and breath above it: one resampling per frame
  // instead of one per part. The cape's back, at the bottom, keeps pictures
  // of its own and is drawn beneath, so the figure's changes only with what
  // moves on it (the tails' swing, a blink).
  poseLayer->setShouldRasterize(true);
  fitFigurePictures();

  poseLayer->addSublayer(cape.back);
  poseLayer->addSublayer(bodyLayer);
  poseLayer->addSublayer(cape.front);
  armL->setName("armL");
  armR->setName("armR");
  poseLayer->addSublayer(armL);
  poseLayer->addSublayer(armR);
  poseLayer->addSublayer(faceLayer);
  for (const auto& l : {cheekL, cheekR, eyeL, eyeR, mouthLayer}) faceLayer->addSublayer(l);
  poseLayer->addSublayer(propLayer);
  for (const auto& l : {bottleLayer, cupLayer, clockLayer, steamA, steamB}) {
    l->setOpacity(0);
    propLayer->addSublayer(l);
  }
  poseLayer->addSublayer(handL);
  poseLayer->addSublayer(handR);

  root->addSublayer(fxLayer);
  alertLayer->setOpacity(0);
  fxLayer->addSublayer(alertLayer);

  motions_ = std::make_unique<StateMotions>(*this);
  behaviors_ = std::make_unique<BehaviorPlayer>(*this);
  summons_ = std::make_unique<SummonEffects>(*this);
  // The cape leans the figure while it is simulated; the rig outlives it.
  cape.onLean = [layer = std::weak_ptr<Layer>(flightLayer)](double angle) {
    if (auto l = layer.lock()) l->setTransform(LayerTransform::rotated(angle));
  };
  // The cape belongs to this rig and goes with it.
  cape.onFlightPose = [this](std::optional<HandSide> side) { flightPose(side); };
}

GlimmetRig::~GlimmetRig() {
  // Pending steps hold this rig: none may run once it is gone.
  for (auto& work : behaviorWork) work.cancel();
  landingTumble.cancel();
  // The cape outlives this body; its last report must not reach a rig
  // whose layers are going.
  cape.onFlightPose = nullptr;
}

double GlimmetRig::amplitude() const {
  switch (intensity_) {
    case AnimationIntensity::normal:
      return 1.0;
    case AnimationIntensity::reduced:
      return 0.5;
    case AnimationIntensity::off:
      return 0.0;
  }
  return 0.0;
}

void GlimmetRig::installSprites(const GlimmetSprites& sprites, double scale) {
  sprites_ = sprites;
  bodyLayer->setContents(sprites.body);
  for (const auto& l :
       {bodyLayer, cheekL, cheekR, eyeL, eyeR, mouthLayer, handL, handR, bottleLayer, cupLayer,
        clockLayer, steamA, steamB, shadowLayer, alertLayer}) {
    l->setContentsScale(scale);
  }
  cheekL->setContents(sprites.cheek);
  cheekR->setContents(sprites.cheek);
  showHands();
  bottleLayer->setContents(sprites.bottle);
  cupLayer->setContents(sprites.cup);
  clockLayer->setContents(sprites.clock);
  steamA->setContents(sprites.steam);
  steamB->setContents(sprites.steam);
  shadowLayer->setContents(sprites.shadow);
  alertLayer->setContents(sprites.alert);
  cape.installSprites(sprites.scarf, sprites.scarfTails, scale);
  // The figure's pictures are drawn at the sprites' scale, so the sprites
  // land on them pixel for pixel.
  poseLayer->setRasterizationScale(scale);
  cape.back->setRasterizationScale(scale);
  applyFaceContents();
}

void GlimmetRig::apply(GlimmetState state) {
  cancelBehavior(false);
  state_ = state;
  flying = false;
  const bool sleeping = state == GlimmetState::sleeping;
  if (cape.sleeping() != sleeping) {
    cape.setSleeping(sleeping);
    fitFigurePictures();
  }
  motions_->stopStateMotion();
  setPose(GlimmetPose::forState(state), intensity_ == AnimationIntensity::off ? 0 : 0.35);
  if (active_ && intensity_ != AnimationIntensity::off) {
    // The first state shown starts the float too.
    if (floatIsSlow_ != sleeping || !floatLayer->animationForKey("float")) motions_->startFloat();
    motions_->startStateMotion(state);
  }
  // The first state shown also starts the cape's idle loop.
  cape.ensureIdle();
}

QPainterPath GlimmetRig::armPath(QPointF shoulder, QPointF hand, double bulge, HandSide side) {
  const double outward = side == HandSide::left ? -bulge : bulge;
  QPainterPath path;
  path.moveTo(shoulder);
  path.quadTo(QPointF((hand.x() + shoulder.x()) / 2 + outward, (hand.y() + shoulder.y()) / 2),
              hand);
  return path;
}

bool GlimmetRig::armVisible(const GlimmetPose& pose, HandSide side) {
  if (pose.showArms || pose.raisedArm == side) return true;
  const QPointF offset = side == HandSide::left ? pose.handL : pose.handR;
  return std::hypot(offset.x(), offset.y()) > 22;
}

void GlimmetRig::setPose(const GlimmetPose& pose, double duration) {
  pose_ = pose;
  const bool animated = duration > 0 && std::isfinite(duration);
  {
    TransactionScope transaction(animated ? duration : 0, TimingFunction::easeInEaseOut(),
                                 !animated);
    LayerTransform t = LayerTransform::rotated(pose.tilt);
    t.sx = pose.scaleX;
    t.sy = pose.scaleY;
    poseLayer->setTransform(t);
    poseLayer->setPosition({footPoint.x(), footPoint.y() - pose.drop});

    handL->setPosition(layerPoint(handBase[0] + pose.handL));
    handR->setPosition(layerPoint(handBase[1] + pose.handR));
    armL->setArmPath(armPath({38, 160}, handL->position(), pose.armBulge, HandSide::left));
    armR->setArmPath(armPath({182, 160}, handR->position(), pose.armBulge, HandSide::right));
    armL->setOpacity(armVisible(pose, HandSide::left) ? 1 : 0);
    armR->setOpacity(armVisible(pose, HandSide::right) ? 1 : 0);

    cheekL->setTransform(LayerTransform::scaled(pose.cheekScale, pose.cheekScale));
    cheekR->setTransform(LayerTransform::scaled(pose.cheekScale, pose.cheekScale));

    bottleLayer->setOpacity(pose.prop == GlimmetProp::bottle ? 1 : 0);
    cupLayer->setOpacity(pose.prop == GlimmetProp::cup ? 1 : 0);
    clockLayer->setOpacity(pose.prop == GlimmetProp::clock ? 1 : 0);
    steamA->setOpacity(0);
    steamB->setOpacity(0);
  }
  if (!sprites_) return;
  const double handFade = animated ? 0.15 : 0;
  const double faceFade = animated ? 0.12 : 0;
  swapContents(handL, imageOr(sprites_->hands, {pose_.handStyle, HandSide::left}), handFade);
  swapContents(handR, imageOr(sprites_->hands, {pose_.handStyle, HandSide::right}), handFade);
  const QImage eye = imageOr(sprites_->eyes, pose_.eyes);
  swapContents(eyeL, eye, faceFade);
  swapContents(eyeR, eye, faceFade);
  swapContents(mouthLayer, imageOr(sprites_->mouths, pose_.mouth), faceFade);
}

void GlimmetRig::swapContents(const LayerPtr& layer, const QImage& image, double fade) {
  // An unchanged image needs no fade (and no frames).
  if (layer->contents().cacheKey() == image.cacheKey()) return;
  if (fade > 0) layer->addAnimation(FadeTransition::make(fade), "swap");
  ActionsDisabled quiet;
  layer->setContents(image);
}

void GlimmetRig::setCapeColor(CapeColor color, bool animated) {
  cape.setColor(color, animated);
}

void GlimmetRig::setIntensity(AnimationIntensity intensity) {
  if (intensity == intensity_) return;
  cancelBehavior(true);
  intensity_ = intensity;
  cape.setIntensity(intensity);
  fitFigurePictures();
  restartMotion();
}

void GlimmetRig::fitFigurePictures() {
  // One picture for each step of the scarf tails' swing (the cape's back,
  // beneath, keeps its own), and a little room for the looks a blink or a
  // glance passes through: those are let go first, never the swing's.
  poseLayer->setRasterCacheEntries(cape.tailsSwingSteps() + 6);
}

void GlimmetRig::setActive(bool active) {
  if (active == active_) return;
  active_ = active;
  cape.setActive(active);
  restartMotion();
}

void GlimmetRig::restartMotion() {
  motions_->removeAllMotion();
  if (active_ && intensity_ != AnimationIntensity::off) {
    motions_->startFloat();
    motions_->startStateMotion(state_);
  }
}

void GlimmetRig::look(std::optional<QPointF> offset) {
  if (!active_ || intensity_ == AnimationIntensity::off) return;
  const QPointF d = offset.value_or(QPointF());
  TransactionScope transaction(offset ? 0.18 : 0.5, TimingFunction::easeOut());
  eyeL->setPosition({83 + d.x(), 182 + d.y()});
  eyeR->setPosition({137 + d.x(), 182 + d.y()});
  faceLayer->setPosition({0.45 * d.x(), 0.45 * d.y()});
}

double GlimmetRig::perform(IdleBehavior behavior) {
  return behaviors_->perform(behavior);
}
void GlimmetRig::blink() {
  behaviors_->blink();
}
void GlimmetRig::lookAround() {
  behaviors_->lookAround();
}
void GlimmetRig::wave() {
  behaviors_->wave();
}
void GlimmetRig::sleepyEyes(bool on) {
  behaviors_->sleepyEyes(on);
}
double GlimmetRig::summon(SummonStyle style) {
  return summons_->summon(style);
}
void GlimmetRig::tumble() {
  summons_->tumble();
}
void GlimmetRig::removeTornado() {
  summons_->removeTornado();
}
void GlimmetRig::burst() {
  motions_->burst();
}

void GlimmetRig::later(double delay, std::function<void()> step) {
  behaviorWork.push_back(animation_clock::scheduler().after(delay, std::move(step)));
}

void GlimmetRig::cancelBehavior(bool restorePose) {
  for (auto& work : behaviorWork) work.cancel();
  behaviorWork.clear();
  for (const auto& l : {hopLayer, breathLayer, poseLayer, faceLayer, cheekR, shadowLayer}) {
    l->removeAnimations("behavior");
  }
  BehaviorPlayer::removeGlyphs(*this);
  removeTornado();
  if (performing_) {
    performing_.reset();
    if (restorePose) setPose(GlimmetPose::forState(state_), 0.2);
  }
}

void GlimmetRig::finishBehavior() {
  behaviorWork.clear();
  BehaviorPlayer::removeGlyphs(*this);
  removeTornado();
  performing_.reset();
}

void GlimmetRig::showHands() {
  if (!sprites_) return;
  handL->setContents(imageOr(sprites_->hands, {pose_.handStyle, HandSide::left}));
  handR->setContents(imageOr(sprites_->hands, {pose_.handStyle, HandSide::right}));
}

void GlimmetRig::applyFaceContents() {
  if (!sprites_) return;
  const QImage eye = imageOr(sprites_->eyes, pose_.eyes);
  eyeL->setContents(eye);
  eyeR->setContents(eye);
  mouthLayer->setContents(imageOr(sprites_->mouths, pose_.mouth));
}

}  // namespace pimble
