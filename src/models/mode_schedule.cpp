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
