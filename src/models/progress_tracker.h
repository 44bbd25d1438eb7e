#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "models/calendar.h"
#include "models/date.h"
#include "models/day_summary.h"
#include "models/progress_data.h"
#include "models/reminder_action.h"
#include "models/reminder_kind.h"

namespace pimble {

// The progress document with the calendar whose local days its keys name.
struct ProgressTracker {
  ProgressData data;
  Calendar calendar = Calendar::current();

  // The local date "%04d-%02d-%02d": the day key every dated table uses.
  std::string dayKey(Date date) const;
  // Adds one to the kind's count of that action on the date's day.
  void record(ReminderAction action, ReminderKind kind, Date at);
  DaySummary summary(Date date) const;
  // The n days ending with the end date's day, oldest first.
  std::vector<DaySummary> lastDays(std::int64_t n, Date end) const;
  // Keeps the days from n days before today's start on (n + 1 days in all),
  // comparing the keys as text.
  void prune(std::int64_t keepingDays, Date now);

  friend bool operator==(const ProgressTracker&, const ProgressTracker&) = default;
};

}  // namespace pimble
