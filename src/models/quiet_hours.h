#pragma once

#include <cstdint>
#include <optional>

#include "models/calendar.h"
#include "models/date.h"
#include "models/json_coding.h"

namespace pimble {

// Whether `minute` lies in the daily window from `start` to `end`: the start
// is in, the end is out, equal ends make it empty and a start later than the
// end wraps past midnight. Values are taken as they are, in range or not.
inline bool windowContains(std::int64_t start, std::int64_t end, std::int64_t minute) {
  if (start == end) return false;
  if (start < end) return start <= minute && minute < end;
  return minute >= start || minute < end;
}

// The daily window without reminders, in minutes after local midnight.
struct QuietHours {
  bool isEnabled = true;
  std::int64_t startMinutes = 1320;  // 22:00
  std::int64_t endMinutes = 420;     // 07:00

  // Hour × 60 + minute of `date` in the calendar, 0 to 1439.
  static int minuteOfDay(Date date, const Calendar& calendar);
  // The window is in force and holds the minute of `now`.
  bool holds(Date now, const Calendar& calendar) const;
  // When the window holding `now` ends; nothing when no window holds now.
  std::optional<Date> endOfCurrentWindow(Date now, const Calendar& calendar) const;
  // The first moment after `now` at which holds() gives the other answer: the
  // window ends or begins, also where a daylight-saving change moves the clock
  // into or out of it (on the autumn night a window can end and begin again
  // within the repeated hour). Nothing when the answer never changes.
  std::optional<Date> nextChange(Date now, const Calendar& calendar) const;

  Json toJson() const;
  static QuietHours fromJson(const Json& j);
  friend bool operator==(const QuietHours&, const QuietHours&) = default;
};

}  // namespace pimble
