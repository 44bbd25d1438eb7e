#pragma once

#include <cstdint>
#include <optional>

#include "models/animation_intensity.h"
#include "models/awareness_settings.h"
#include "models/bubble_style.h"
#include "models/cape_color.h"
#include "models/companion_position.h"
#include "models/companion_size.h"
#include "models/json_coding.h"
#include "models/liveliness.h"
#include "models/mode_settings.h"
#include "models/quiet_hours.h"
#include "models/stay_quiet_settings.h"
#include "models/tiny_messages.h"

namespace pimble {

// The whole user configuration, stored as the document "settings". Values
// are kept as entered; consumers clamp where they need to.
struct AppSettings {
  bool showCompanion = true;
  bool alwaysOnTop = true;
  CompanionSize companionSize = CompanionSize::medium;
  std::optional<CompanionPosition> position;
  AnimationIntensity animationIntensity = AnimationIntensity::normal;
  bool soundEffects = true;
  BubbleStyle bubbleStyle = BubbleStyle::soft;
  QuietHours quietHours;
  bool idleDetectionEnabled = true;
  std::int64_t idleThresholdMinutes = 5;
  bool notifyWhenHidden = true;
  std::int64_t bubbleTimeoutSeconds = 120;
  bool showCape = true;
  CapeColor capeColor = CapeColor::red;
  bool followCursor = true;
  bool petting = true;
  Liveliness liveliness = Liveliness::lively;
  bool surprises = true;
  TinyMessages tinyMessages = TinyMessages::greetings;
  // False only for a fresh configuration: a stored document without the key
  // reads as true, so that it does not open the tour again.
  bool onboardingCompleted = false;
  AwarenessSettings awareness;
  ModeSettings modes;
  StayQuietSettings stayQuiet;

  Json toJson() const;
  static AppSettings fromJson(const Json& j);
  friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

}  // namespace pimble
