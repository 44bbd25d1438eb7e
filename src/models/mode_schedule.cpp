#include "models/mode_schedule.h"

#include "models/quiet_hours.h"

namespace pimble {

AwarenessMode ModeSchedule::mode(Date date, const Calendar& calendar) const {
  const int m = calendar.minuteOfDay(date);
  if (windowContains(nightStartMinutes, nightEndMinutes, m)) return AwarenessMode::night;
  if (workDays.contains(calendar.weekday(date)) &&
      windowContains(workStartMinutes, workEndMinutes, m))
    return AwarenessMode::work;
  return AwarenessMode::relax;
}

std::optional<Date> ModeSchedule::nextBoundary(Date date, const Calendar& calendar) const {
  std::optional<Date> best;
  for (const std::int64_t edge :
       {workStartMinutes, workEndMinutes, nightStartMinutes, nightEndMinutes}) {
    const auto next = calendar.nextDate(date, edge / 60, edge % 60);
    if (next && (!best || *next < *best)) best = next;
  }
  // The mode changes nowhere but at these moments; only a change before the
  // next edge matters (without edges, a week holds every weekday).
  const AwarenessMode current = mode(date, calendar);
  const Date until = best.value_or(addSeconds(date, 8 * 86400.0));
  for (const Date moment : calendar.turningPoints(
           date, until, {workStartMinutes, workEndMinutes, nightStartMinutes, nightEndMinutes})) {
    if (mode(moment, calendar) != current) return moment;
  }
  return best;
}

Json ModeSchedule::toJson() const {
  Json j = Json::object();
  writeField(j, "isEnabled", isEnabled);
  writeField(j, "workDays", workDays);
  writeField(j, "workStartMinutes", workStartMinutes);
  writeField(j, "workEndMinutes", workEndMinutes);
  writeField(j, "nightStartMinutes", nightStartMinutes);
  writeField(j, "nightEndMinutes", nightEndMinutes);
  return j;
}

ModeSchedule ModeSchedule::fromJson(const Json& j) {
  requireObject(j);
  ModeSchedule s;
  readField(j, "isEnabled", s.isEnabled);
  readField(j, "workDays", s.workDays);
  readField(j, "workStartMinutes", s.workStartMinutes);
  readField(j, "workEndMinutes", s.workEndMinutes);
  readField(j, "nightStartMinutes", s.nightStartMinutes);
  readField(j, "nightEndMinutes", s.nightEndMinutes);
  return s;
}

}  // namespace pimble
