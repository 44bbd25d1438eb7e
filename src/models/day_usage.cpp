#include "models/day_usage.h"

namespace pimble {

Json DayUsage::toJson() const {
  Json j = Json::object();
  writeField(j, "activeSeconds", activeSeconds);
  writeField(j, "apps", apps);
  writeField(j, "checkIns", checkIns);
  writeField(j, "keptGoing", keptGoing);
  writeField(j, "finished", finished);
  writeField(j, "intentionsSet", intentionsSet);
  writeField(j, "intentionsKept", intentionsKept);
  return j;
}

DayUsage DayUsage::fromJson(const Json& j) {
  requireObject(j);
  DayUsage d;
  readField(j, "activeSeconds", d.activeSeconds);
  readField(j, "apps", d.apps);
  readField(j, "checkIns", d.checkIns);
  readField(j, "keptGoing", d.keptGoing);
  readField(j, "finished", d.finished);
  readField(j, "intentionsSet", d.intentionsSet);
  readField(j, "intentionsKept", d.intentionsKept);
  return d;
}

}  // namespace pimble
