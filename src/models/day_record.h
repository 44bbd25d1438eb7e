#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "models/json_coding.h"

namespace pimble {

// One day's reminder endings, each map keyed by the reminder kind's case
// name; a kind that never occurred has no entry.
struct DayRecord {
  std::map<std::string, std::int64_t> done;
  std::map<std::string, std::int64_t> snoozed;
  std::map<std::string, std::int64_t> skipped;

  // The sum of every count in `done`, saturating.
  std::int64_t totalDone() const;

  Json toJson() const;
  static DayRecord fromJson(const Json& j);
  friend bool operator==(const DayRecord&, const DayRecord&) = default;
};

}  // namespace pimble
