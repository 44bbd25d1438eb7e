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
  return nextChange(now, calendar);
}

std::optional<Date> QuietHours::nextChange(Date now, const Calendar& calendar) const {
  if (!isEnabled || startMinutes == endMinutes) return std::nullopt;
  const bool inside = holds(now, calendar);
  // A window that changes at all does so within a day and a daylight-saving hour.
  for (const Date moment :
       calendar.turningPoints(now, addSeconds(now, 3 * 86400.0), {startMinutes, endMinutes})) {
    if (holds(moment, calendar) != inside) return moment;
  }
  return std::nullopt;
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
