#include "system/wake_timer.h"

#include <algorithm>
#include <cmath>

namespace pimble {

WakeTimer::WakeTimer(TimeSource& source, Limits limits) : source_(source), limits_(limits) {}

void WakeTimer::arm(std::optional<Date> date) {
  call_.reset();
  if (!date) return;
  const Date now = source_.now();
  double interval = (clampDate(*date) - now).count();
  if (std::isnan(interval)) interval = 0;
  interval = std::clamp(interval, limits_.minimumDelay.count(),
                        std::max(limits_.minimumDelay.count(), limits_.longestDelay.count()));
  call_ = source_.callAt(addSeconds(now, interval),
                         toleranceFor(Seconds(interval), limits_.longestTolerance), [this] {
                           call_.reset();
                           if (onFire) onFire();
                         });
}

std::optional<Date> WakeTimer::dueDate() const {
  return dueDateOf(call_);
}

std::optional<Seconds> WakeTimer::tolerance() const {
  if (!call_) return std::nullopt;
  return call_->tolerance();
}

Seconds WakeTimer::toleranceFor(Seconds interval, Seconds longest) {
  const double fivePercent = std::isnan(interval.count()) ? 0.0 : 0.05 * interval.count();
  return Seconds(std::min(longest.count(), std::max(0.5, fivePercent)));
}

}  // namespace pimble
