#pragma once

#include <functional>

#include "companion/layers/layer.h"
#include "companion/layers/scheduler.h"

namespace pimble {

// Asks for repaints of a layer tree only while something in it moves, at
// the frame rate its running animations need (never above `maxFrameRate`),
// and sleeps until the next scheduled change otherwise. Model changes
// anywhere in the tree wake it through the root's display handler.
class FrameDriver {
 public:
  FrameDriver(LayerPtr root, std::function<void()> requestPaint, double maxFrameRate = 60);
  ~FrameDriver();
  FrameDriver(const FrameDriver&) = delete;
  FrameDriver& operator=(const FrameDriver&) = delete;

  // Schedules a frame (coalesced with any pending one).
  void setNeedsDisplay();
  // A disabled driver (hidden window) asks for nothing; enabling repaints.
  void setEnabled(bool enabled);
  bool isEnabled() const { return enabled_; }
  // Whether a frame or a wake-up is scheduled.
  bool isScheduled() const { return pending_.isPending(); }
  // Frames asked for so far.
  long frameCount() const { return frames_; }

 private:
  void schedule(double at);
  void frame();

  LayerPtr root_;
  std::function<void()> requestPaint_;
  double minInterval_;
  bool enabled_ = true;
  double lastFrame_ = -1e9;
  double pendingAt_ = 0;
  ScheduledWork pending_;
  long frames_ = 0;
};

}  // namespace pimble
