#include "companion/layers/frame_driver.h"

#include <algorithm>
#include <cmath>

#include "companion/layers/media_clock.h"

namespace pimble {

FrameDriver::FrameDriver(LayerPtr root, std::function<void()> requestPaint, double maxFrameRate)
    : root_(std::move(root)),
      requestPaint_(std::move(requestPaint)),
      minInterval_(1.0 / std::clamp(std::isfinite(maxFrameRate) ? maxFrameRate : 60.0, 1.0, 60.0)) {
  if (root_) root_->setOnNeedsDisplay([this] { setNeedsDisplay(); });
  setNeedsDisplay();
}

FrameDriver::~FrameDriver() {
  pending_.cancel();
  if (root_) root_->setOnNeedsDisplay(nullptr);
}

void FrameDriver::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled_) {
    pending_.cancel();
    return;
  }
  setNeedsDisplay();
}

void FrameDriver::setNeedsDisplay() {
  if (!enabled_) return;
  const double now = animation_clock::now();
  schedule(std::max(now, lastFrame_ + minInterval_));
}

void FrameDriver::schedule(double at) {
  if (pending_.isPending() && pendingAt_ <= at) return;
  pending_.cancel();
  pendingAt_ = at;
  const double now = animation_clock::now();
  pending_ = animation_clock::scheduler().after(at - now, [this] { frame(); });
}

void FrameDriver::frame() {
  if (!enabled_ || !root_) return;
  const double now = animation_clock::now();
  lastFrame_ = now;
  ++frames_;
  if (requestPaint_) requestPaint_();
  double rate = 0;
  const double next = root_->nextPresentationChange(now, rate);
  if (next <= now) {
    const double interval = std::max(minInterval_, rate > 0 ? 1.0 / rate : minInterval_);
    schedule(now + interval);
  } else if (std::isfinite(next)) {
    schedule(next);
  }
}

}  // namespace pimble
