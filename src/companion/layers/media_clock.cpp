#include "companion/layers/media_clock.h"

#include "companion/layers/scheduler.h"

namespace pimble {

SteadyMediaClock::SteadyMediaClock() {
  timer_.start();
}

double SteadyMediaClock::now() const {
  // Start one second in, so that no live time is ever 0 ("when added").
  return 1.0 + static_cast<double>(timer_.nsecsElapsed()) / 1e9;
}

namespace animation_clock {
namespace {

const MediaClock* installedClock = nullptr;
Scheduler* installedScheduler = nullptr;

const MediaClock& defaultClock() {
  static const SteadyMediaClock clock;
  return clock;
}

Scheduler& defaultScheduler() {
  static QtScheduler scheduler;
  return scheduler;
}

}  // namespace

double now() {
  return clock().now();
}

const MediaClock& clock() {
  return installedClock != nullptr ? *installedClock : defaultClock();
}

Scheduler& scheduler() {
  return installedScheduler != nullptr ? *installedScheduler : defaultScheduler();
}

void install(const MediaClock* clock, Scheduler* scheduler) {
  installedClock = clock;
  installedScheduler = scheduler;
}

}  // namespace animation_clock
}  // namespace pimble
