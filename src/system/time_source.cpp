#include "system/time_source.h"

#include <cmath>

namespace pimble {

std::unique_ptr<ScheduledCall> TimeSource::callAfter(Seconds delay, Seconds tolerance,
                                                     std::function<void()> fire) {
  const double seconds = std::isnan(delay.count()) ? 0.0 : std::max(0.0, delay.count());
  return callAt(addSeconds(now(), seconds), tolerance, std::move(fire));
}

void TimeSource::notifyClockChanged() {
  if (onClockChanged) onClockChanged();
}

}  // namespace pimble
