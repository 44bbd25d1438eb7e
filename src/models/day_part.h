#pragma once

#include <cstdint>
#include <optional>

namespace pimble {

// The part of the day a greeting fits.
enum class DayPart { earlyMorning, morning, afternoon, evening, lateNight };

// 5–7 early morning, 8–11 morning, 12–16 afternoon, 17–21 evening, 22, 23
// and 0 late night; 1 to 4 (and anything outside 0–23) has no part.
inline std::optional<DayPart> dayPart(std::int64_t hour) {
  if (hour == 0 || hour == 22 || hour == 23) return DayPart::lateNight;
  if (hour >= 5 && hour <= 7) return DayPart::earlyMorning;
  if (hour >= 8 && hour <= 11) return DayPart::morning;
  if (hour >= 12 && hour <= 16) return DayPart::afternoon;
  if (hour >= 17 && hour <= 21) return DayPart::evening;
  return std::nullopt;
}

}  // namespace pimble
