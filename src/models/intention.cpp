#include "models/intention.h"

#include <algorithm>

namespace pimble {

Json Intention::toJson() const {
  Json j = Json::object();
  writeField(j, "id", id);
  writeField(j, "bundleID", bundleID);
  writeField(j, "appName", appName);
  writeField(j, "purpose", purpose);
  writeField(j, "minutes", minutes);
  writeField(j, "returnTo", returnTo);
  writeField(j, "startedAt", startedAt);
  writeField(j, "activeSeconds", activeSeconds);
  writeField(j, "dueAtSeconds", dueAtSeconds);
  writeField(j, "checkIns", checkIns);
  writeField(j, "visited", visited);
  writeField(j, "isSession", isSession);
  writeField(j, "status", status);
  return j;
}

Intention Intention::fromJson(const Json& j) {
  requireObject(j);
  Intention i;
  readField(j, "id", i.id);
  i.bundleID = readRequired<std::string>(j, "bundleID");
  i.appName = i.bundleID;
  readField(j, "appName", i.appName);
  readField(j, "purpose", i.purpose);
  readField(j, "minutes", i.minutes);
  i.minutes = std::max<std::int64_t>(i.minutes, 1);
  readField(j, "returnTo", i.returnTo);
  i.startedAt = systemNow();
  readField(j, "startedAt", i.startedAt);
  readField(j, "activeSeconds", i.activeSeconds);
  i.activeSeconds = std::max(i.activeSeconds, 0.0);
  // In double: a huge stored minute count cannot overflow.
  i.dueAtSeconds = static_cast<double>(i.minutes) * 60.0;
  readField(j, "dueAtSeconds", i.dueAtSeconds);
  readField(j, "checkIns", i.checkIns);
  i.visited = i.activeSeconds > 0;
  readField(j, "visited", i.visited);
  readField(j, "isSession", i.isSession);
  readField(j, "status", i.status);
  return i;
}

}  // namespace pimble
