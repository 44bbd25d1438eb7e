#pragma once

#include <optional>

#include "companion/glimmet_pose.h"
#include "companion/layers/scheduler.h"

namespace pimble {

class CapeRig;

// The cape's cloth while the character is dragged, flown or blown: a 60 Hz
// tick integrates a damped spring pulling the wind toward a target from the
// pointer's velocity, a second spring for the body lean, and advances the
// cloth phase faster at speed. It rebuilds the cape's paths every tick and,
// once everything has rested for a quarter second after the drag, hands
// back to the idle loop at its own phase.
class ClothSimulation {
 public:
  explicit ClothSimulation(CapeRig& cape) : cape_(cape) {}
  ~ClothSimulation();
  ClothSimulation(const ClothSimulation&) = delete;
  ClothSimulation& operator=(const ClothSimulation&) = delete;

  struct Vector {
    double dx = 0;
    double dy = 0;
  };

  void beginDrag();
  // One window displacement in screen points, y up.
  void dragMoved(double dx, double dy);
  void setDragging(bool dragging) { dragging_ = dragging; }
  void gust(double dx, double dy);
  void end(bool resumeIdle);
  void tick();

  bool running() const { return timer_.isPending(); }
  bool dragging() const { return dragging_; }
  double lastFlightPeakSpeed() const { return lastFlightPeakSpeed_; }
  Vector wind() const { return wind_; }
  Vector windVelocity() const { return windVelocity_; }
  Vector velocity() const { return velocity_; }
  double lean() const { return lean_; }
  double phase() const { return phase_; }

 private:
  void start();
  double motionFactor() const;

  CapeRig& cape_;
  ScheduledWork timer_;
  double lastTick_ = 0;
  double lastMove_ = 0;
  bool dragging_ = false;
  Vector velocity_;
  Vector wind_;
  Vector windVelocity_;
  double lean_ = 0;
  double leanVelocity_ = 0;
  double phase_ = 0;
  std::optional<HandSide> raisedSide_;
  double settledFor_ = 0;
  double lastFlightPeakSpeed_ = 0;
};

}  // namespace pimble
