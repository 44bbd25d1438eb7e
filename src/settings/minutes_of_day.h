#pragma once

#include <QTime>
#include <cstdint>

namespace pimble {

// The settings keep a time of day as minutes after local midnight; the
// controls show it as an hour and a minute. The conversion goes straight
// between the two, without a date: a stored 02:30 stays 02:30 on the day the
// clocks skip that hour, and picking a time never depends on today's date.
struct MinutesOfDay {
  static constexpr std::int64_t last = 24 * 60 - 1;

  // The time a stored value shows: hour = minutes / 60, minute = the rest.
  // A value outside 0…1439 shows clamped to 00:00 or 23:59.
  static QTime time(std::int64_t minutes);
  // The value a picked time stores: hour × 60 + minute (seconds dropped), so
  // always 0…1439. An invalid time stores 0.
  static std::int64_t minutes(QTime time);
};

}  // namespace pimble
