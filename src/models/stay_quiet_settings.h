#pragma once

#include "models/json_coding.h"

namespace pimble {

// Which full-screen applications in front make reminders and check-ins wait.
enum class FullscreenPolicy { never, mediaApps, anyApp };
PIMBLE_ENUM_NAMES(FullscreenPolicy, {{FullscreenPolicy::never, "never"},
                                     {FullscreenPolicy::mediaApps, "mediaApps"},
                                     {FullscreenPolicy::anyApp, "anyApp"}});

// When the character holds back.
struct StayQuietSettings {
  FullscreenPolicy fullscreen = FullscreenPolicy::mediaApps;
  bool hideGlimmetInFullscreen = true;
  bool duringCalls = true;

  Json toJson() const;
  static StayQuietSettings fromJson(const Json& j);
  friend bool operator==(const StayQuietSettings&, const StayQuietSettings&) = default;
};

}  // namespace pimble
