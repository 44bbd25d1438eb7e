#include "models/schedule_snapshot.h"

namespace pimble {

Json ReminderRuntime::toJson() const {
  Json j = Json::object();
  writeField(j, "nextDue", nextDue);
  writeField(j, "ignoreCount", ignoreCount);
  writeField(j, "waitMinutes", waitMinutes);  // left out when nothing
  return j;
}

ReminderRuntime ReminderRuntime::fromJson(const Json& j) {
  requireObject(j);
  ReminderRuntime r;
  r.nextDue = readRequired<Date>(j, "nextDue");
  readField(j, "ignoreCount", r.ignoreCount);
  readField(j, "waitMinutes", r.waitMinutes);
  return r;
}

Json ScheduleSnapshot::toJson() const {
  Json j = Json::object();
  writeField(j, "savedAt", savedAt);
  writeField(j, "runtime", runtime);
  writeField(j, "pausedUntil", pausedUntil);
  writeField(j, "pausedIndefinitely", pausedIndefinitely);
  writeField(j, "frozenSince", frozenSince);
  return j;
}

ScheduleSnapshot ScheduleSnapshot::fromJson(const Json& j) {
  requireObject(j);
  ScheduleSnapshot s;
  s.savedAt = systemNow();
  readField(j, "savedAt", s.savedAt);
  readField(j, "runtime", s.runtime);
  readField(j, "pausedUntil", s.pausedUntil);
  readField(j, "pausedIndefinitely", s.pausedIndefinitely);
  readField(j, "frozenSince", s.frozenSince);
  return s;
}

}  // namespace pimble
