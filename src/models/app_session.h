#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "models/date.h"
#include "models/json_coding.h"
#include "models/return_target.h"

namespace pimble {

// The running usage session of one watched application.
struct AppSession {
  std::string bundleID;
  Date startedAt = systemNow();
  double activeSeconds = 0;
  Date lastCountedAt = startedAt;  // time is counted up to here
  std::optional<ReturnTarget> returnTo;
  // Session seconds at which the next check-in falls due; nothing: the
  // application's limit for the current mode decides.
  std::optional<double> nextCheckInAtSeconds;
  bool quietForSession = false;
  std::int64_t checkInsShown = 0;

  Json toJson() const;
  static AppSession fromJson(const Json& j);  // bundleID is required
  friend bool operator==(const AppSession&, const AppSession&) = default;
};

}  // namespace pimble
