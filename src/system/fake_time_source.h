#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "system/time_source.h"

namespace pimble {

// A time source for tests: the clock stands still until the test moves it,
// and due calls fire, in order of their due dates, while it moves.
class FakeTimeSource : public TimeSource {
 public:
  explicit FakeTimeSource(Date start = dateFromSeconds(1'800'000'000.0));

  Date now() const override { return now_; }
  std::unique_ptr<ScheduledCall> callAt(Date due, Seconds tolerance,
                                        std::function<void()> fire) override;

  // Moves the clock forward by `by` (zero fires what is already due); each
  // call fires with the clock standing at its due date.
  void advance(Seconds by);
  // Sets the wall clock, forward or back, as a clock change would, then
  // fires whatever is due at the new time.
  void jumpTo(Date date);

  // Pending calls and the earliest due date among them.
  std::size_t pendingCount() const;
  std::optional<Date> nextDueDate() const;

  struct Entry;

 private:
  // Fires calls due at or before `until`, earliest first.
  void fireDue(Date until, bool moveClock);

  Date now_;
  std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace pimble
