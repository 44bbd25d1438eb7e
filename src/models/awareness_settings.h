#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "models/json_coding.h"
#include "models/watched_app.h"

namespace pimble {

// Wording tone of check-ins.
enum class CheckInTone { friendly, playful, direct };
PIMBLE_ENUM_NAMES(CheckInTone, {{CheckInTone::friendly, "friendly"},
                                {CheckInTone::playful, "playful"},
                                {CheckInTone::direct, "direct"}});

// How a check-in shows: in the speech bubble, or by the character alone.
enum class CheckInStyle { bubble, glimmetOnly };
PIMBLE_ENUM_NAMES(CheckInStyle,
                  {{CheckInStyle::bubble, "bubble"}, {CheckInStyle::glimmetOnly, "glimmetOnly"}});

// The watched applications and how check-ins about them behave.
struct AwarenessSettings {
  bool isEnabled = false;
  std::vector<WatchedApp> apps;
  CheckInTone tone = CheckInTone::friendly;
  CheckInStyle style = CheckInStyle::bubble;
  // Nothing: no further check-in for that application this session. Stored
  // as JSON null, so that it does not read back as the default 60.
  std::optional<std::int64_t> keepGoingCooldownMinutes = 60;
  std::int64_t sessionGapMinutes = 10;
  bool checkInOverFullscreen = false;
  std::int64_t retentionDays = 30;
  bool intentionShortcut = true;

  // The first entry with exactly this bundle identifier, enabled or not.
  std::optional<WatchedApp> app(std::string_view bundleID) const;

  Json toJson() const;
  static AwarenessSettings fromJson(const Json& j);
  friend bool operator==(const AwarenessSettings&, const AwarenessSettings&) = default;
};

}  // namespace pimble
