#pragma once

// The user's calendar: a time zone from the system's tz database and the
// few local-time questions the engines and records ask of it. A plain value,
// cheap to copy; the engines receive one through their environments.
//
// Local times that a daylight-saving change skips resolve to the first
// instant after the gap (02:30 on the Berlin spring day gives 03:00); local
// times that occur twice resolve to their first occurrence.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "models/date.h"

namespace date {
class time_zone;
}

namespace pimble {

// A moment's local date and time of day. `weekday` runs from 1 (Sunday) to
// 7 (Saturday).
struct CalendarComponents {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 5;
  friend bool operator==(const CalendarComponents&, const CalendarComponents&) = default;
};

class Calendar {
 public:
  // Coordinated universal time, which needs no tz database.
  Calendar() = default;

  // The calendar of a named zone ("Europe/Berlin"); nothing when the tz
  // database does not know the name.
  static std::optional<Calendar> named(std::string_view zoneName);
  // The system's current zone: $TZ when it names a zone, else the zone of
  // /etc/localtime, else UTC. Never fails.
  static Calendar current();

  // "Europe/Berlin", or "UTC" for the zone-less calendar.
  std::string zoneName() const;

  CalendarComponents components(Date d) const;
  // Hour × 60 + minute of the local time: 0 to 1439, seconds ignored.
  int minuteOfDay(Date d) const;
  int hour(Date d) const;
  // 1 = Sunday … 7 = Saturday.
  int weekday(Date d) const;
  // The local date written "%04d-%02d-%02d".
  std::string dayKey(Date d) const;
  // The first instant of the local day of `d`.
  Date startOfDay(Date d) const;
  // The same local time of day `days` calendar days later (earlier when
  // negative). The result is clamped to the years 1 to 9999.
  Date addingDays(Date d, long long days) const;
  // The first moment strictly after `after` whose local time is hour:minute:00.
  // Nothing when hour or minute lies outside 0–23 / 0–59 or no such moment
  // exists before the year 9999 ends.
  std::optional<Date> nextDate(Date after, long long hour, long long minute) const;
  // The moment of hour:minute:second on the local day of `day`; nothing when
  // a component is out of range.
  std::optional<Date> dateOnDay(Date day, long long hour, long long minute,
                                long long second = 0) const;
  // The moment of a local date and time; nothing for an impossible date
  // (February 30) or a component out of range.
  std::optional<Date> dateFrom(long long year, long long month, long long day, long long hour = 0,
                               long long minute = 0, long long second = 0) const;

  // The moments in (after, until] at which a rule that reads only the local
  // date and the minute of the day can change its answer: where the local time
  // reaches one of `minutes` (minutes of the day; values outside 0–1439 are
  // skipped) or midnight, both times when the clocks repeat it and at the end
  // of the gap when they skip it, and where the local time jumps (a change of
  // the zone's offset). In order, each moment once. Meant for spans of days: a
  // span beyond a year is cut to one.
  std::vector<Date> turningPoints(Date after, Date until,
                                  std::initializer_list<std::int64_t> minutes) const;

  // Calendars are equal when they use the same zone.
  friend bool operator==(const Calendar& a, const Calendar& b) { return a.zone_ == b.zone_; }

 private:
  explicit Calendar(const date::time_zone* zone) : zone_(zone) {}
  const date::time_zone* zone_ = nullptr;  // nullptr: UTC; zones live as long as the process
};

}  // namespace pimble
