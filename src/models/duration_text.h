#pragma once

#include <cstdint>
#include <string>

namespace pimble::DurationText {

// Seconds as "45 min", "2 h" or "1 h 30 min"; anything under a minute, a
// negative or a not-a-number value reads "1 min".
std::string shortText(double seconds);

// Whole minutes as "45m", "2h" or "1h30"; values under 60, negative ones
// included, keep the "m" form.
std::string compact(std::int64_t minutes);

}  // namespace pimble::DurationText
