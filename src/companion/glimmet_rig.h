#pragma once

#include <array>
#include <optional>

#include "companion/arm_layer.h"
#include "companion/cape_rig.h"
#include "companion/glimmet_pose.h"
#include "companion/glimmet_sprites.h"
#include "models/animation_intensity.h"
#include "models/glimmet_state.h"

namespace pimble {

// The character as a tree of layers on a 220 × 310 canvas. Placement
// coordinates (x from the left, y from the top) are used for fixed parts;
// the layers themselves are y-up, so a placement point (x, y) is the layer
// point (x, 310 − y). The figure turns, scales and sinks about its foot
// point, layer point (110, 34); five nested motion layers share it so that
// each motion composes with the others and with the pose.
class GlimmetRig {
 public:
  static constexpr double W = 220;
  static constexpr double H = 310;
  static constexpr QPointF footPoint{110, 34};

  GlimmetRig();

  LayerPtr root;
  LayerPtr shadowLayer;
  LayerPtr floatLayer;
  LayerPtr flightLayer;
  CapeRig cape;
  LayerPtr hopLayer;
  LayerPtr breathLayer;
  LayerPtr poseLayer;
  LayerPtr bodyLayer;
  LayerPtr faceLayer;
  LayerPtr eyeL, eyeR;
  LayerPtr cheekL, cheekR;
  LayerPtr mouthLayer;
  LayerPtr propLayer;
  LayerPtr bottleLayer, cupLayer, clockLayer;
  LayerPtr steamA, steamB;
  LayerPtr handL, handR;
  std::shared_ptr<ArmLayer> armL, armR;
  LayerPtr fxLayer;
  LayerPtr alertLayer;

  // Base points of the left and right hand (placement coordinates).
  static constexpr std::array<QPointF, 2> handBase{QPointF(101, 168), QPointF(119, 168)};

  const std::optional<GlimmetSprites>& sprites() const { return sprites_; }
  GlimmetState state() const { return state_; }
  const GlimmetPose& pose() const { return pose_; }
  AnimationIntensity intensity() const { return intensity_; }

  // Shows the images of a sprite set drawn at `scale` pixels a unit.
  void installSprites(const GlimmetSprites& sprites, double scale);
  // Shows a state: its pose, and the cape asleep exactly when it sleeps.
  void apply(GlimmetState state);
  // Moves every part to a pose. Without an animation engine every change
  // takes effect at once, whatever the duration.
  void setPose(const GlimmetPose& pose, double duration);
  // Re-tints the cape, the scarf and its tails.
  void setCapeColor(CapeColor color);
  void setIntensity(AnimationIntensity intensity);

  // A placement point as a layer point.
  static QPointF layerPoint(QPointF placement) { return {placement.x(), H - placement.y()}; }
  // The arm from a shoulder (layer coordinates) to a hand, bowed outward by
  // `bulge` units (toward −x for the left arm, +x for the right).
  static QPainterPath armPath(QPointF shoulder, QPointF hand, double bulge, HandSide side);
  // Whether a pose shows an arm.
  static bool armVisible(const GlimmetPose& pose, HandSide side);

 private:
  void applyFaceContents();
  void showHands();

  std::optional<GlimmetSprites> sprites_;
  GlimmetState state_ = GlimmetState::idle;
  GlimmetPose pose_ = GlimmetPose::initial();
  AnimationIntensity intensity_ = AnimationIntensity::normal;
};

}  // namespace pimble
