#pragma once

// One countdown per reminder: when it next falls due and how many showings in
// a row went unanswered. A plain value inside the reminder engine; it owns no
// clock, so every operation that needs the time is handed `now`.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "models/date.h"
#include "models/reminder.h"
#include "models/schedule_snapshot.h"
#include "models/uuid.h"

namespace pimble {

class ReminderScheduler {
 public:
  // A showing that times out for this many times in a row waits a full interval.
  static constexpr int ignoreLimit = 3;

  ReminderScheduler() = default;
  // Countdowns taken from a stored schedule; keys that are not UUID text are dropped.
  explicit ReminderScheduler(const ScheduleSnapshot& snapshot);

  std::unordered_map<Uuid, ReminderRuntime> runtime;

  // Next due `now` + the reminder's interval (at least a minute), count 0.
  static ReminderRuntime freshCountdown(const Reminder& reminder, Date now);
  // Gives one reminder a fresh countdown, replacing any earlier one.
  void restart(const Reminder& reminder, Date now);

  // Drops countdowns of reminders no longer listed and starts missing ones;
  // existing countdowns stay exactly as they are.
  void sync(const std::vector<Reminder>& reminders, Date now);
  // A fresh countdown for every listed reminder, enabled or not.
  void resetAll(const std::vector<Reminder>& reminders, Date now);
  // Moves every countdown later; an amount that is not above 0 changes nothing.
  void shiftAll(double seconds);
  // Moves every countdown by that many seconds, earlier when negative; not a
  // number changes nothing.
  void moveAll(double seconds);
  // Back after `minutes` (default: the reminder's own snooze length), count 0.
  void snooze(const Reminder& reminder, Date now, std::optional<std::int64_t> minutes);
  // One more unanswered showing: back after the snooze length, or after the
  // full interval with the count reset on the third in a row.
  void ignore(const Reminder& reminder, Date now);
  // No listed countdown may lie further ahead than the wait it was set for
  // (without one, from an older file: the longer of the reminder's interval
  // and snooze length); a later one, which only a hand-edited schedule or a
  // clock set back can produce, restarts fresh.
  // Returns whether anything changed.
  bool limitToLongestWait(const std::vector<Reminder>& reminders, Date now);

  // The enabled reminders whose countdown has run out, in delivery order.
  std::vector<Reminder> due(const std::vector<Reminder>& reminders, Date now) const;
  // The earliest next due date among the reminders that pass and have a countdown.
  std::optional<Date> earliestDue(const std::vector<Reminder>& reminders,
                                  const std::function<bool(const Reminder&)>& accept) const;
  // The countdowns keyed by UUID text, for a stored schedule.
  std::map<std::string, ReminderRuntime> snapshotRuntime() const;

  // Lower comes first when several reminders are due together.
  static int dueRank(ReminderKind kind);
};

}  // namespace pimble
