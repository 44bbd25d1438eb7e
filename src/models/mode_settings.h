#pragma once

#include <optional>

#include "models/awareness_mode.h"
#include "models/bedtime_nudge.h"
#include "models/date.h"
#include "models/json_coding.h"
#include "models/mode_schedule.h"

namespace pimble {

// The awareness mode chosen by hand, its schedule and the bedtime nudge.
struct ModeSettings {
  AwarenessMode manualMode = AwarenessMode::work;
  // While the schedule is on, the manual mode holds until then.
  std::optional<Date> overrideUntil;
  ModeSchedule schedule;
  BedtimeNudge bedtime;

  Json toJson() const;
  static ModeSettings fromJson(const Json& j);
  friend bool operator==(const ModeSettings&, const ModeSettings&) = default;
};

}  // namespace pimble
