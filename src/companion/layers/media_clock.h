#pragma once

#include <QElapsedTimer>

namespace pimble {

class Scheduler;

// Monotonic seconds that every animation is timed by.
class MediaClock {
 public:
  virtual ~MediaClock() = default;
  virtual double now() const = 0;
};

// The production clock: seconds since the clock was made, never going back.
class SteadyMediaClock : public MediaClock {
 public:
  SteadyMediaClock();
  double now() const override;

 private:
  QElapsedTimer timer_;
};

// The clock and scheduler the layer tree, the rig and the animator use.
// Production installs nothing and gets a steady clock on Qt timers; tests
// install a manual clock for their lifetime (see ManualClock).
namespace animation_clock {
double now();
Scheduler& scheduler();
const MediaClock& clock();
// Both must outlive their installation; null restores the defaults.
void install(const MediaClock* clock, Scheduler* scheduler);
}  // namespace animation_clock

}  // namespace pimble
