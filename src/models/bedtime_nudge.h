#pragma once

#include <cstdint>

#include "models/json_coding.h"

namespace pimble {

// The evening nudge toward bed, at a time of day in minutes after midnight.
struct BedtimeNudge {
  bool isEnabled = false;
  std::int64_t minutes = 1410;  // 23:30

  Json toJson() const;
  static BedtimeNudge fromJson(const Json& j);
  friend bool operator==(const BedtimeNudge&, const BedtimeNudge&) = default;
};

}  // namespace pimble
