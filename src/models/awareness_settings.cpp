#include "models/awareness_settings.h"

namespace pimble {

std::optional<WatchedApp> AwarenessSettings::app(std::string_view bundleID) const {
  for (const auto& a : apps)
    if (a.bundleID == bundleID) return a;
  return std::nullopt;
}

Json AwarenessSettings::toJson() const {
  Json j = Json::object();
  writeField(j, "isEnabled", isEnabled);
  writeField(j, "apps", apps);
  writeField(j, "tone", tone);
  writeField(j, "style", style);
  writeNullable(j, "keepGoingCooldownMinutes", keepGoingCooldownMinutes);
  writeField(j, "sessionGapMinutes", sessionGapMinutes);
  writeField(j, "checkInOverFullscreen", checkInOverFullscreen);
  writeField(j, "retentionDays", retentionDays);
  writeField(j, "intentionShortcut", intentionShortcut);
  return j;
}

AwarenessSettings AwarenessSettings::fromJson(const Json& j) {
  requireObject(j);
  AwarenessSettings s;
  readField(j, "isEnabled", s.isEnabled);
  readField(j, "apps", s.apps);
  readField(j, "tone", s.tone);
  readField(j, "style", s.style);
  // Absent keeps 60; present as null means "no further check-in".
  if (auto it = j.find("keepGoingCooldownMinutes"); it != j.end())
    s.keepGoingCooldownMinutes =
        it->is_null() ? std::nullopt : std::optional(decodeValue<std::int64_t>(*it));
  readField(j, "sessionGapMinutes", s.sessionGapMinutes);
  readField(j, "checkInOverFullscreen", s.checkInOverFullscreen);
  readField(j, "retentionDays", s.retentionDays);
  readField(j, "intentionShortcut", s.intentionShortcut);
  return s;
}

}  // namespace pimble
