#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "models/json_coding.h"

namespace pimble {

// One day's counted time and check-in answers while awareness is on.
struct DayUsage {
  double activeSeconds = 0;            // whatever application was in front
  std::map<std::string, double> apps;  // seconds per watched bundle identifier
  std::int64_t checkIns = 0;
  std::int64_t keptGoing = 0;
  std::int64_t finished = 0;
  std::int64_t intentionsSet = 0;
  std::int64_t intentionsKept = 0;

  Json toJson() const;
  static DayUsage fromJson(const Json& j);
  friend bool operator==(const DayUsage&, const DayUsage&) = default;
};

}  // namespace pimble
