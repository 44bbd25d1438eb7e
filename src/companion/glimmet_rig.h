#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "companion/arm_layer.h"
#include "companion/cape_rig.h"
#include "companion/glimmet_pose.h"
#include "companion/glimmet_sprites.h"
#include "companion/idle_behavior.h"
#include "companion/layers/scheduler.h"
#include "models/animation_intensity.h"
#include "models/glimmet_state.h"

namespace pimble {

class StateMotions;
class BehaviorPlayer;
class SummonEffects;

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

  // How the character arrives: shown on the desktop, summoned by the user,
  // or the idle whirlwind surprise.
  enum class SummonStyle { shown, summoned, surprise };

  GlimmetRig();
  ~GlimmetRig();
  GlimmetRig(const GlimmetRig&) = delete;
  GlimmetRig& operator=(const GlimmetRig&) = delete;

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
  bool active() const { return active_; }
  bool floatIsSlow() const { return floatIsSlow_; }
  // The amplitude factor of the intensity: 1, 0.5 or 0.
  double amplitude() const;

  // Shows the images of a sprite set drawn at `scale` pixels a unit.
  void installSprites(const GlimmetSprites& sprites, double scale);
  // Shows a state: cancels a behaviour, animates to the state's pose in
  // 0.35 s (at once when motion is off) and starts the state's motion.
  void apply(GlimmetState state);
  // Moves every part to a pose, animated over `duration` seconds (0 jumps).
  void setPose(const GlimmetPose& pose, double duration);
  // Re-tints the cape, the scarf and its tails; the cloth cross-fades when
  // `animated`, and takes the colour at once otherwise (a look set up before
  // the character is first drawn).
  void setCapeColor(CapeColor color, bool animated = true);
  // Restarts every motion at the new amplitude; `off` stops all motion.
  void setIntensity(AnimationIntensity intensity);
  // Motion runs only while active (the character is on screen).
  void setActive(bool active);
  // Aims the eyes by an offset in canvas units (y up); none recentres.
  void look(std::optional<QPointF> offset);

  // Idle behaviours: the length in seconds, 0 when refused.
  double perform(IdleBehavior behavior);
  void blink();
  void lookAround();
  void wave();
  void sleepyEyes(bool on);
  // Stops the running behaviour at once; its pending steps never run.
  void cancelBehavior(bool restorePose);
  void finishBehavior();
  // A cancellable step of the running behaviour, `delay` seconds from now.
  void later(double delay, std::function<void()> step);
  std::optional<IdleBehavior> performing() const { return performing_; }
  void setPerforming(std::optional<IdleBehavior> b) { performing_ = b; }
  // Arrival effects: the length in seconds, 0 when refused.
  double summon(SummonStyle style);
  // The dizzy spin after a fast flight.
  void tumble();
  void removeTornado();
  void burst();

  // Flights of the window (glimmet_flight.cpp): a drag or an animated flight
  // begins, the window moved by a delta in y-up screen points, and the
  // cape's report of the side the character flies toward (none: landed).
  void beginFlight();
  void flightMoved(QSizeF delta);
  void flightPose(std::optional<HandSide> side);
  // The tumble that may follow a fast landing.
  ScheduledWork landingTumble;

  // Allows the rare arrival variants; set from the settings.
  bool surprisesEnabled = true;
  // True while the window is dragged or flown.
  bool flying = false;
  // The layers of the running whirlwind.
  std::vector<LayerPtr> tornadoLayers;
  // The fair random signs of behaviours.
  std::mt19937 rng{std::random_device{}()};
  std::vector<ScheduledWork> behaviorWork;

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

  friend class StateMotions;
  friend class BehaviorPlayer;
  friend class SummonEffects;
  void restartMotion();
  // Sizes the figure's picture cache to the scarf tails' swing.
  void fitFigurePictures();
  void swapContents(const LayerPtr& layer, const QImage& image, double fade);

  std::optional<GlimmetSprites> sprites_;
  GlimmetState state_ = GlimmetState::idle;
  GlimmetPose pose_ = GlimmetPose::initial();
  AnimationIntensity intensity_ = AnimationIntensity::normal;
  bool active_ = true;
  bool floatIsSlow_ = false;
  std::optional<IdleBehavior> performing_;
  std::unique_ptr<StateMotions> motions_;
  std::unique_ptr<BehaviorPlayer> behaviors_;
  std::unique_ptr<SummonEffects> summons_;
};

}  // namespace pimble
