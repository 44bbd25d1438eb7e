#include "models/day_record.h"

#include "models/saturating.h"

namespace pimble {

std::int64_t DayRecord::totalDone() const {
  std::int64_t total = 0;
  for (const auto& [kind, count] : done) total = saturatingAdd(total, count);
  return total;
}

Json DayRecord::toJson() const {
  Json j = Json::object();
  writeField(j, "done", done);
  writeField(j, "snoozed", snoozed);
  writeField(j, "skipped", skipped);
  return j;
}

DayRecord DayRecord::fromJson(const Json& j) {
  requireObject(j);
  DayRecord r;
  readField(j, "done", r.done);
  readField(j, "snoozed", r.snoozed);
  readField(j, "skipped", r.skipped);
  return r;
}

}  // namespace pimble
