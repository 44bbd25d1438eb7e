#include "models/watched_app.h"

namespace pimble {

void WatchedApp::resetToCategory(AppCategory newCategory) {
  using Minutes = std::optional<std::int64_t>;
  struct Limits {
    Minutes work, relax, night;
  };
  Limits limits;
  switch (newCategory) {
    case AppCategory::work:
      limits = {90, std::nullopt, 60};
      break;
    case AppCategory::social:
      limits = {20, 45, 20};
      break;
    case AppCategory::video:
      limits = {30, 90, 45};
      break;
    case AppCategory::game:
      limits = {45, 120, 45};
      break;
    case AppCategory::other:
      limits = {45, std::nullopt, 45};
      break;
  }
  category = newCategory;
  askIntention = false;
  workMinutes = limits.work;
  relaxMinutes = limits.relax;
  nightMinutes = limits.night;
}

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
