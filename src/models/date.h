#pragma once

// A point in time: the system clock with double-precision seconds, as the
// engines compute with it. Stored dates are ISO 8601 UTC with whole seconds.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace pimble {

using Seconds = std::chrono::duration<double>;
using Date = std::chrono::time_point<std::chrono::system_clock, Seconds>;

// Seconds since 1970-01-01 00:00:00 UTC.
inline double secondsSince1970(Date d) {
  return d.time_since_epoch().count();
}
inline Date dateFromSeconds(double since1970) {
  return Date(Seconds(since1970));
}
inline Date systemNow() {
  return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
}

// The earliest and latest dates a computation may produce (years 1 and 9999),
// so that values taken from a hand-edited file cannot overflow a conversion.
Date earliestDate();
Date latestDate();
// Clamps into [earliestDate, latestDate]; NaN becomes earliestDate.
Date clampDate(Date d);
// Adds seconds with the result clamped; safe for huge or non-finite values.
Date addSeconds(Date d, double seconds);

// "2026-03-29T01:30:00Z": UTC, whole seconds (truncated toward the past).
std::string formatISO8601(Date d);
// Accepts "YYYY-MM-DDTHH:MM:SS" with an optional fraction, then "Z" or a
// "+hh:mm"/"-hh:mm" offset; anything else yields nothing.
std::optional<Date> parseISO8601(std::string_view text);

// The date with its fraction of a second dropped, as a JSON round trip leaves it.
Date wholeSeconds(Date d);

}  // namespace pimble
