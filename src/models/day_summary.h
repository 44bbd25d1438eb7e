#pragma once

#include <cstdint>
#include <string>

#include "models/date.h"
#include "models/day_record.h"
#include "models/reminder_kind.h"

namespace pimble {

// One day as the views show it.
struct DaySummary {
  std::string key;  // the day key
  Date date{};      // the start of that day
  DayRecord record;

  // The done count of one kind, 0 without an entry.
  std::int64_t done(ReminderKind kind) const;
  friend bool operator==(const DaySummary&, const DaySummary&) = default;
};

}  // namespace pimble
