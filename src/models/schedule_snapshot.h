#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "models/date.h"
#include "models/json_coding.h"

namespace pimble {

// One reminder's countdown.
struct ReminderRuntime {
  Date nextDue{};
  std::int64_t ignoreCount = 0;  // shown and left unanswered, in a row
  // The wait, in minutes, the countdown was set for (an interval, a snooze);
  // nothing in older files. It bounds how far ahead the countdown may lie.
  std::optional<std::int64_t> waitMinutes = std::nullopt;

  Json toJson() const;
  static ReminderRuntime fromJson(const Json& j);  // "nextDue" is required
  friend bool operator==(const ReminderRuntime&, const ReminderRuntime&) = default;
};

// The "schedule" document: the reminder engine's countdowns and pause state,
// so that they survive a restart.
struct ScheduleSnapshot {
  Date savedAt = systemNow();
  std::map<std::string, ReminderRuntime> runtime;  // keyed by the reminder's UUID text
  std::optional<Date> pausedUntil;
  bool pausedIndefinitely = false;
  // Countdowns stand still since then; meanwhile each has nextDue minus
  // frozenSince left to run, also one set during the freeze.
  std::optional<Date> frozenSince;

  Json toJson() const;
  static ScheduleSnapshot fromJson(const Json& j);
  friend bool operator==(const ScheduleSnapshot&, const ScheduleSnapshot&) = default;
};

}  // namespace pimble
