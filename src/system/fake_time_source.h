#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "system/time_source.h"

namespace pimble {

// A time source for tests: the clock stands still until the test moves it,
// and due calls fire, in order of their due dates, while it moves. The
// steady clock runs with the time that passes and stays when the wall clock
// is set.
class FakeTimeSource : public TimeSource {
 public:
  explicit FakeTimeSource(Date start = dateFromSeconds(1'800'000'000.0));

  Date now() const override { return now_; }
  Seconds steadyNow() const override { return steady_; }
  std::unique_ptr<ScheduledCall> callAt(Date due, Seconds tolerance,
                                        std::function<void()> fire) override;

  // Moves the clock forward by `by` (zero fires what is already due); each
  // call fires with the clock standing at its due date.
  void advance(Seconds by);
  // Moves the wall clock, forward or back, with no clock-change notice (a
  // forward move counts as time passed), then fires whatever is due at the
  // new time.
  void jumpTo(Date date);
  // Sets the wall clock, forward or back, as the user or time sync does, or
  // as a resume from sleep looks: no time passes on the steady clock, the
  // clock's watchers get the clock-change notice, then whatever is due at
  // the new time fires.
  void setClock(Date date);

  // Pending calls and the earliest due date among them.
  std::size_t pendingCount() const;
  std::optional<Date> nextDueDate() const;

  struct Entry;

 private:
  // Fires calls due at or before `until`, earliest first.
  void fireDue(Date until, bool moveClock);

  // Moves the wall clock forward to `date`, and the steady clock with it.
  void pass(Date date);

  Date now_;
  Seconds steady_{0};
  std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace pimble
