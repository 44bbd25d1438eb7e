#include "models/duration_text.h"

#include <algorithm>
#include <cmath>

namespace pimble::DurationText {

std::string shortText(double seconds) {
  double whole = std::trunc(seconds / 60.0);
  // NaN fails the comparison and reads as one minute as well.
  if (!(whole >= 1)) whole = 1;
  const auto m = static_cast<std::int64_t>(std::min(whole, 9.0e18));
  if (m < 60) return std::to_string(m) + " min";
  const auto h = m / 60;
  const auto r = m % 60;
  if (r == 0) return std::to_string(h) + " h";
  return std::to_string(h) + " h " + std::to_string(r) + " min";
}

std::string compact(std::int64_t minutes) {
  if (minutes <= 59) return std::to_string(minutes) + "m";
  const auto h = minutes / 60;
  const auto r = minutes % 60;
  if (r == 0) return std::to_string(h) + "h";
  return std::to_string(h) + "h" + std::to_string(r);
}

}  // namespace pimble::DurationText
