#pragma once

#include <QImage>
#include <QPainterPath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "companion/layers/gradient_layer.h"
#include "companion/layers/shape_layer.h"
#include "models/animation_intensity.h"
#include "models/cape_color.h"

namespace pimble {

class ClothSimulation;
enum class HandSide;

// The cape behind the body and the scarf with its tails in front of it. The
// cape's outline, lining, folds and shine all come from one parametric cloth
// surface driven by a small cloth state (phase, wind, two wave amplitudes).
// Coordinates of the surface are the character canvas's (y down); the
// layers get them flipped into their y-up space.
class CapeRig {
 public:
  struct Wind {
    double dx = 0;
    double dy = 0;
  };
  struct ClothState {
    double phase = 0;
    Wind wind;
    double ripple = 0;
    double flutter = 0;
  };

  CapeRig();
  ~CapeRig();
  CapeRig(const CapeRig&) = delete;
  CapeRig& operator=(const CapeRig&) = delete;

  // Behind the body: lining, then the cloth with its folds and shine.
  LayerPtr back;
  // In front of the body: the scarf band, then the tails.
  LayerPtr front;
  std::shared_ptr<ShapeLayer> lining;
  std::shared_ptr<GradientLayer> cloth;
  std::shared_ptr<ShapeLayer> clothMask;
  std::shared_ptr<ShapeLayer> folds;
  std::shared_ptr<ShapeLayer> shine;
  LayerPtr scarf;
  LayerPtr tails;

  static constexpr double H = 310;
  // Steps a second of the idle loop and the tails' swing: the cloth moves
  // slowly, about a pixel a step. Each step's picture is drawn once and
  // reused, and the rate is the float's, so both step together.
  static constexpr double loopRate = 20.0 / 3;
  // The most steps one period holds (asleep, below normal intensity).
  static constexpr int maxLoopSteps = 72;

  CapeColor color() const { return color_; }
  double spriteScale() const { return spriteScale_; }
  bool isVisible() const { return visible_; }
  bool sleeping() const { return sleeping_; }
  AnimationIntensity intensity() const { return intensity_; }
  bool active() const { return active_; }

  // Takes the sprite set's red scarf and tails; redraws them first when the
  // cape wears another colour.
  void installSprites(const QImage& scarfImage, const QImage& tailsImage, double scale);
  // Re-tints cloth, scarf and tails, the cloth cross-fading when `animated`;
  // the same colour again changes nothing.
  void setColor(CapeColor color, bool animated = true);
  void setVisible(bool visible);
  void setSleeping(bool sleeping);
  void setIntensity(AnimationIntensity intensity);
  void setActive(bool active);
  // Shows the rest state and, when the cape is visible, active and not at
  // intensity off, starts the idle loop from its beginning. Does nothing
  // while the cloth is simulated.
  void restart();
  // Starts the idle loop if it should run and does not (first showing).
  void ensureIdle();

  // The idle loop: 37 precomputed path sets (the last one meets the first)
  // played as keyframes in `loopSteps` steps, and the tails' swing. The period is 3.6 s awake, 5.4
  // s asleep, doubled below normal intensity.
  double idlePeriod() const;
  int loopSteps() const;
  // Steps of one swing of the tails (three quarters of the loop's period).
  int tailsSwingSteps() const;
  // The fraction of the loop on screen at media time `now`.
  double shownLoopFraction(double now) const;
  // Starts the loop showing, on the current step, the frame `phaseOffset`
  // seconds into it.
  void startIdle(double phaseOffset);
  void stopIdle();
  bool idleRunning() const;
  // Media time at which the running idle loop was at its start.
  double idleOrigin() const { return idleOrigin_; }

  // The cloth simulation (dragging, flights, gusts).
  void beginDrag();
  void dragMoved(double dx, double dy);
  void endDrag();
  void gust(double dx, double dy);
  bool isSimulating() const;
  double lastFlightPeakSpeed() const;
  void endSimulation(bool resumeIdle);
  ClothSimulation& simulation() { return *simulation_; }

  // The body lean in radians on every simulation tick, and 0 at its end.
  std::function<void(double)> onLean;
  // The side whose arm is raised during a fast horizontal drag, or none.
  std::function<void(std::optional<HandSide>)> onFlightPose;

  // The cloth state at a fraction t of the idle loop; t = 0 is the rest state.
  ClothState state(double t) const;
  // A point of the cape surface: u across (0 left … 1 right), t down (0
  // shoulders … 1 hem), in canvas coordinates (y down).
  static QPointF surfacePoint(const ClothState& state, double u, double t, double flare,
                              double lag);
  // The closed outline through 30 surface points, in layer coordinates.
  static QPainterPath outline(const ClothState& state, double flare, double lag);
  // One open line per fraction u, through 7 points from t = from to t = to.
  static QPainterPath lines(const ClothState& state, const std::vector<double>& us, double from,
                            double to);
  // A Catmull-Rom spline through the points as cubic segments.
  static QPainterPath smoothPath(const std::vector<QPointF>& points, bool closed);
  // Lining, outline (the cloth's mask), folds and shine for a state.
  void applyPaths(const ClothState& state);
  void applyPalette(bool animated = true);
  // The scarf and tails drawn in a palette at a pixel scale.
  static QImage scarfImage(const CapePalette& palette, double scale);
  static QImage tailsImage(const CapePalette& palette, double scale);
  void installScarf(const QImage& scarfImage, const QImage& tailsImage, double scale);

 private:
  CapeColor color_ = CapeColor::red;
  double spriteScale_ = 2.0;
  bool visible_ = true;
  AnimationIntensity intensity_ = AnimationIntensity::normal;
  bool sleeping_ = false;
  bool active_ = true;
  double idleOrigin_ = 0;
  struct Frame {
    QPainterPath lining, outline, folds, shine;
  };
  std::string cachedKey_;
  std::vector<Frame> cachedFrames_;
  std::unique_ptr<ClothSimulation> simulation_;
};

}  // namespace pimble
