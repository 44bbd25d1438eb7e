#include "models/app_session.h"

#include <algorithm>

namespace pimble {

Json AppSession::toJson() const {
  Json j = Json::object();
  writeField(j, "bundleID", bundleID);
  writeField(j, "startedAt", startedAt);
  writeField(j, "activeSeconds", activeSeconds);
  writeField(j, "lastCountedAt", lastCountedAt);
  writeField(j, "returnTo", returnTo);
  writeField(j, "nextCheckInAtSeconds", nextCheckInAtSeconds);
  writeField(j, "quietForSession", quietForSession);
  writeField(j, "checkInsShown", checkInsShown);
  return j;
}

AppSession AppSession::fromJson(const Json& j) {
  requireObject(j);
  AppSession s;
  s.bundleID = readRequired<std::string>(j, "bundleID");
  s.startedAt = systemNow();
  readField(j, "startedAt", s.startedAt);
  readField(j, "activeSeconds", s.activeSeconds);
  s.activeSeconds = std::max(s.activeSeconds, 0.0);
  s.lastCountedAt = s.startedAt;
  readField(j, "lastCountedAt", s.lastCountedAt);
  readField(j, "returnTo", s.returnTo);
  readField(j, "nextCheckInAtSeconds", s.nextCheckInAtSeconds);
  readField(j, "quietForSession", s.quietForSession);
  readField(j, "checkInsShown", s.checkInsShown);
  return s;
}

}  // namespace pimble
