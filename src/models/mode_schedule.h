#pragma once

#include <cstdint>
#include <optional>
#include <set>

#include "models/awareness_mode.h"
#include "models/calendar.h"
#include "models/date.h"
#include "models/json_coding.h"

namespace pimble {

// The weekly split of the day into work, relax and night. Times are minutes
// after local midnight; work days are weekday numbers, 1 = Sunday to 7.
struct ModeSchedule {
  bool isEnabled = false;
  std::set<std::int64_t> workDays = {2, 3, 4, 5, 6};
  std::int64_t workStartMinutes = 540;    // 09:00
  std::int64_t workEndMinutes = 1080;     // 18:00
  std::int64_t nightStartMinutes = 1320;  // 22:00
  std::int64_t nightEndMinutes = 360;     // 06:00

  // The mode the schedule gives `date` (night wins over work); does not
  // look at isEnabled.
  AwarenessMode mode(Date date, const Calendar& calendar) const;
  // The first moment strictly after `date` at which one of the four window
  // edges falls, on any day, or, if earlier, the mode changes otherwise: at
  // midnight when only one of the two days is a work day, or where a
  // daylight-saving change moves the clock into or out of a window. An edge
  // need not change the mode.
  std::optional<Date> nextBoundary(Date date, const Calendar& calendar) const;

  Json toJson() const;
  static ModeSchedule fromJson(const Json& j);
  friend bool operator==(const ModeSchedule&, const ModeSchedule&) = default;
};

}  // namespace pimble
