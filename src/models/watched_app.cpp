#include "models/watched_app.h"

namespace pimble {

Json WatchedApp::toJson() const {
  Json j = Json::object();
  writeField(j, "bundleID", bundleID);
  writeField(j, "name", name);
  writeField(j, "category", category);
  writeField(j, "isEnabled", isEnabled);
  writeField(j, "askIntention", askIntention);
  writeField(j, "workMinutes", workMinutes);
  writeField(j, "relaxMinutes", relaxMinutes);
  writeField(j, "nightMinutes", nightMinutes);
  return j;
}

WatchedApp WatchedApp::fromJson(const Json& j) {
  requireObject(j);
  WatchedApp a;
  a.bundleID = readRequired<std::string>(j, "bundleID");
  a.name = a.bundleID;
  readField(j, "name", a.name);
  readField(j, "category", a.category);
  readField(j, "isEnabled", a.isEnabled);
  readField(j, "askIntention", a.askIntention);
  readField(j, "workMinutes", a.workMinutes);
  readField(j, "relaxMinutes", a.relaxMinutes);
  readField(j, "nightMinutes", a.nightMinutes);
  return a;
}

}  // namespace pimble
