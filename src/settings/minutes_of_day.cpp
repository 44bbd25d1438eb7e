#include "settings/minutes_of_day.h"

#include <algorithm>

namespace pimble {

QTime MinutesOfDay::time(std::int64_t minutes) {
  const auto clamped = static_cast<int>(std::clamp<std::int64_t>(minutes, 0, last));
  return QTime(clamped / 60, clamped % 60);
}

std::int64_t MinutesOfDay::minutes(QTime time) {
  if (!time.isValid()) return 0;
  return std::int64_t{time.hour()} * 60 + time.minute();
}

}  // namespace pimble
