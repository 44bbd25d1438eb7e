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
  };
  static constexpr Limits reminderLimits{Seconds(0.25), Seconds(30)};
  static constexpr Limits awarenessLimits{Seconds(0.5), Seconds(15)};
  // Longer waits are cut to this (about a century): an absurd date from a
  // hand-edited file still makes a valid timer.
  static constexpr Seconds longestInterval{100.0 * 365 * 86400};

  WakeTimer(TimeSource& source, Limits limits);
  WakeTimer(const WakeTimer&) = delete;
  WakeTimer& operator=(const WakeTimer&) = delete;

  // Called when the timer fires, after it has disarmed, so it may re-arm.
  std::function<void()> onFire;

  // Replaces any armed wake-up: with a date, fires max(date − now, minimum
  // delay) from now; with none, leaves no timer.
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
