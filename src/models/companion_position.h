#pragma once

#include <cstdint>
#include <optional>

#include "models/json_coding.h"

namespace pimble {

// The character window's saved origin, in screen points; built whole by the
// window controller, which writes layoutVersion 2.
struct CompanionPosition {
  double originX = 0;
  double originY = 0;
  std::optional<std::uint32_t> displayID;
  std::optional<std::int64_t> layoutVersion;

  Json toJson() const;
  static CompanionPosition fromJson(const Json& j);  // originX and originY are required
  friend bool operator==(const CompanionPosition&, const CompanionPosition&) = default;
};

}  // namespace pimble
