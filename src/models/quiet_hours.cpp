#include "models/quiet_hours.h"

namespace pimble {

int QuietHours::minuteOfDay(Date date, const Calendar& calendar) {
  return calendar.minuteOfDay(date);
}

bool QuietHours::holds(Date now, const Calendar& calendar) const {
  return isEnabled && windowContains(startMinutes, endMinutes, minuteOfDay(now, calendar));
}

std::optional<Date> QuietHours::endOfCurrentWindow(Date now, const Calendar& calendar) const {
  if (!holds(now, calendar)) return std::nullopt;
  // An end beyond 23:59 (a hand-edited value) names no time of day: nothing.
  return calendar.nextDate(now, endMinutes / 60, endMinutes % 60);
}

Json QuietHours::toJson() const {
  Json j = Json::object();
  writeField(j, "isEnabled", isEnabled);
  writeField(j, "startMinutes", startMinutes);
  writeField(j, "endMinutes", endMinutes);
  return j;
}

QuietHours QuietHours::fromJson(const Json& j) {
  requireObject(j);
  QuietHours q;
  readField(j, "isEnabled", q.isEnabled);
  readField(j, "startMinutes", q.startMinutes);
  readField(j, "endMinutes", q.endMinutes);
  return q;
}

}  // namespace pimble
