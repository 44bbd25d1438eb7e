#pragma once

#include <map>
#include <optional>
#include <string>

#include "models/app_session.h"
#include "models/date.h"
#include "models/day_usage.h"
#include "models/intention.h"
#include "models/json_coding.h"

namespace pimble {

// The "activity" document: usage per day, sessions, mutes, the bedtime
// nudge's state, the current intention and when intentions were asked for.
struct ActivityData {
  std::map<std::string, DayUsage> days;        // by day key
  std::map<std::string, AppSession> sessions;  // by bundle identifier
  std::map<std::string, std::string> mutedOn;  // bundle identifier → day key
  std::optional<Date> bedtimeHandled;
  std::optional<Date> bedtimeSnoozedUntil;
  std::optional<Intention> intention;   // one not active counts as none
  std::map<std::string, Date> askedAt;  // bundle identifier → last asked

  Json toJson() const;
  static ActivityData fromJson(const Json& j);
  friend bool operator==(const ActivityData&, const ActivityData&) = default;
};

}  // namespace pimble
