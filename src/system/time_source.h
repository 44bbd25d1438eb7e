#pragma once

// The one seam every delay of the Qt layers goes through: engine wake-ups,
// answer time-outs, the heartbeat, debounced saves, polling. The real source
// runs on the Qt event loop and keeps to the wall clock across suspend and
// clock changes; the fake one is advanced by tests.

#include <functional>
#include <memory>
#include <optional>

#include "models/date.h"

namespace pimble {

// A call scheduled on a time source; destroying the handle cancels it.
class ScheduledCall {
 public:
  virtual ~ScheduledCall() = default;
  // The wall-clock date the call is due at.
  virtual Date dueDate() const = 0;
  // How late the call may come, so the system can bundle wake-ups.
  virtual Seconds tolerance() const = 0;
};

// When a pending call is due, or nothing when none is pending.
inline std::optional<Date> dueDateOf(const std::unique_ptr<ScheduledCall>& call) {
  return call ? std::optional<Date>(call->dueDate()) : std::nullopt;
}

class TimeSource {
 public:
  virtual ~TimeSource() = default;

  // The current wall-clock date.
  virtual Date now() const = 0;
  // A reading of a clock that is never set and only runs forward with real
  // time (it may stand still while the machine sleeps). Only differences
  // between readings mean anything: time spent across a clock change.
  virtual Seconds steadyNow() const = 0;

  // Called on the main thread whenever the wall clock was set, forward or
  // back, or the machine resumed from sleep, after the pending calls were
  // put right for the new time.
  std::function<void()> onClockChanged;

  // Calls `fire` once on the main thread when the wall clock reaches `due`
  // (at once, through the event loop, when it already has). The call never
  // comes before `due`, may come up to about `tolerance` after it, and is
  // cancelled when the returned handle is destroyed. `fire` may destroy the
  // handle. Dates out of range are clamped, so no date overflows a timer.
  virtual std::unique_ptr<ScheduledCall> callAt(Date due, Seconds tolerance,
                                                std::function<void()> fire) = 0;

  // The same, `delay` seconds from now (negative or NaN counts as zero).
  std::unique_ptr<ScheduledCall> callAfter(Seconds delay, Seconds tolerance,
                                           std::function<void()> fire);

 protected:
  // Tells the owner of `onClockChanged` that the wall clock was set.
  void notifyClockChanged();
};

}  // namespace pimble
