#pragma once

#include <map>
#include <string>

#include "models/day_record.h"
#include "models/json_coding.h"

namespace pimble {

// The "progress" document: reminder endings per day key.
struct ProgressData {
  std::map<std::string, DayRecord> days;

  Json toJson() const;
  static ProgressData fromJson(const Json& j);
  friend bool operator==(const ProgressData&, const ProgressData&) = default;
};

}  // namespace pimble
