#pragma once

#include <QPointF>
#include <QSizeF>

namespace pimble {

// The path of the character's window flying on its own: eased along the
// straight line, bulging upward in an arc (y-up points) that is highest at
// mid-flight. Long flights take longer, within 0.5 to 1.6 seconds.
class FlightPath {
 public:
  // A flight of `duration` is meant for 900 points; other distances scale it.
  FlightPath(QPointF start, QPointF target, double duration);

  QPointF start() const { return start_; }
  QPointF target() const { return target_; }
  double distance() const { return distance_; }
  // Seconds from take-off to landing.
  double totalTime() const { return totalTime_; }
  double arcHeight() const { return arcHeight_; }
  // Whether the flight is worth animating at all (more than 4 points).
  bool isWorthAnimating() const { return distance_ > 4; }

  // Progress 0…1 for the seconds since take-off.
  double progress(double elapsed) const;
  // The window origin at a progress; exactly the target at 1.
  QPointF at(double progress) const;

 private:
  QPointF start_;
  QPointF target_;
  double distance_;
  double totalTime_;
  double arcHeight_;
};

}  // namespace pimble
