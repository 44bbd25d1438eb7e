#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "system/time_source.h"

namespace pimble {

// The owner's one-shot wake-up timer for an engine: the engine names the date
// of its next wake-up (or none) and the timer calls `onFire` then, never
// sooner than a minimum delay, with a tolerance that grows with the wait.
class WakeTimer {
 public:
  struct Limits {
    Seconds minimumDelay;
    Seconds longestTolerance;
    // A farther date is waited for in steps of this length: the timer fires
    // early, its owner evaluates and arms again. A date from a hand-edited
    // file never makes a timer that cannot be armed, and a wait never spans
    // more than one step of clock trouble.
    Seconds longestDelay;
  };
  static constexpr Limits reminderLimits{Seconds(0.25), Seconds(30), Seconds(3600)};
  static constexpr Limits awarenessLimits{Seconds(0.5), Seconds(15), Seconds(3600)};

  WakeTimer(TimeSource& source, Limits limits);
  WakeTimer(const WakeTimer&) = delete;
  WakeTimer& operator=(const WakeTimer&) = delete;

  // Called when the timer fires, after it has disarmed, so it may re-arm.
  std::function<void()> onFire;

  // Replaces any armed wake-up: with a date, fires
  // clamp(date − now, minimum delay, longest delay) from now; with none,
  // leaves no timer.
  void arm(std::optional<Date> date);

  bool isArmed() const { return call_ != nullptr; }
  std::optional<Date> dueDate() const;
  std::optional<Seconds> tolerance() const;

  // min(longest, max(0.5, 5 % of the interval)).
  static Seconds toleranceFor(Seconds interval, Seconds longest);

 private:
  TimeSource& source_;
  Limits limits_;
  std::unique_ptr<ScheduledCall> call_;
};

}  // namespace pimble
