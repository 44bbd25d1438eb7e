#include "models/calendar.h"

#include <date/date.h>
#include <date/tz.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace pimble {

namespace {

using LocalSeconds = ::date::local_seconds;
using SysSeconds = ::date::sys_seconds;

// A generous bound on the days between the years 1 and 9999.
constexpr long long kMaxDaySpan = 4'000'000;
constexpr double kEarliestSeconds = -62135596800.0;  // 0001-01-01T00:00:00
constexpr double kLatestSeconds = 253402300799.0;    // 9999-12-31T23:59:59

SysSeconds sysSeconds(Date d) {
  const double s = std::floor(secondsSince1970(clampDate(d)));
  return SysSeconds{std::chrono::seconds(static_cast<long long>(s))};
}

Date fromSys(SysSeconds s) {
  return clampDate(dateFromSeconds(static_cast<double>(s.time_since_epoch().count())));
}

const ::date::time_zone* locate(std::string_view name) {
  if (name.empty()) return nullptr;
  try {
    return ::date::locate_zone(name);
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace

std::optional<Calendar> Calendar::named(std::string_view zoneName) {
  if (zoneName == "UTC") return Calendar();
  const auto* zone = locate(zoneName);
  if (!zone) return std::nullopt;
  return Calendar(zone);
}

Calendar Calendar::current() {
  if (const char* tz = std::getenv("TZ"); tz && *tz) {
    std::string_view name(tz);
    if (name.front() == ':') name.remove_prefix(1);
    if (const auto* zone = locate(name)) return Calendar(zone);
  }
  try {
    if (const auto* zone = ::date::current_zone()) return Calendar(zone);
  } catch (const std::exception&) {
  }
  return Calendar();
}

std::string Calendar::zoneName() const {
  return zone_ ? std::string(zone_->name()) : std::string("UTC");
}

namespace {

// Local times stay within the years 1 to 9999 too, so that day keys of
// clamped dates keep their four-digit, text-sortable form.
LocalSeconds toLocal(const ::date::time_zone* zone, Date d) {
  const SysSeconds s = sysSeconds(d);
  const LocalSeconds local = zone ? zone->to_local(s) : LocalSeconds{s.time_since_epoch()};
  const LocalSeconds first{std::chrono::seconds(static_cast<long long>(kEarliestSeconds))};
  const LocalSeconds last{std::chrono::seconds(static_cast<long long>(kLatestSeconds))};
  return std::clamp(local, first, last);
}

// A skipped local time gives the first instant after the gap, a repeated one
// its first occurrence.
SysSeconds toSys(const ::date::time_zone* zone, LocalSeconds l) {
  if (!zone) return SysSeconds{l.time_since_epoch()};
  return zone->to_sys(l, ::date::choose::earliest);
}

}  // namespace

CalendarComponents Calendar::components(Date d) const {
  const LocalSeconds local = toLocal(zone_, d);
  const auto day = ::date::floor<::date::days>(local);
  const ::date::year_month_day ymd{day};
  const ::date::hh_mm_ss<std::chrono::seconds> tod{local - day};
  CalendarComponents c;
  c.year = static_cast<int>(ymd.year());
  c.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  c.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  c.hour = static_cast<int>(tod.hours().count());
  c.minute = static_cast<int>(tod.minutes().count());
  c.second = static_cast<int>(tod.seconds().count());
  c.weekday = static_cast<int>(::date::weekday{day}.c_encoding()) + 1;
  return c;
}

int Calendar::minuteOfDay(Date d) const {
  const auto c = components(d);
  return c.hour * 60 + c.minute;
}

int Calendar::hour(Date d) const {
  return components(d).hour;
}

int Calendar::weekday(Date d) const {
  return components(d).weekday;
}

std::string Calendar::dayKey(Date d) const {
  const auto c = components(d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
  return buf;
}

Date Calendar::startOfDay(Date d) const {
  const auto day = ::date::floor<::date::days>(toLocal(zone_, d));
  return fromSys(toSys(zone_, LocalSeconds{day.time_since_epoch()}));
}

Date Calendar::addingDays(Date d, long long days) const {
  days = std::clamp(days, -kMaxDaySpan, kMaxDaySpan);
  const LocalSeconds local = toLocal(zone_, d) + ::date::days{days};
  // Keep the fraction of a second the input had.
  const double fraction =
      secondsSince1970(clampDate(d)) - std::floor(secondsSince1970(clampDate(d)));
  return addSeconds(fromSys(toSys(zone_, local)), fraction);
}

std::optional<Date> Calendar::nextDate(Date after, long long hour, long long minute) const {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return std::nullopt;
  const double afterSeconds = secondsSince1970(clampDate(after));
  const auto day = ::date::floor<::date::days>(toLocal(zone_, after));
  const auto timeOfDay = std::chrono::hours(hour) + std::chrono::minutes(minute);
  // The wanted time comes at the latest on the day after next, even when a
  // daylight-saving change moves it past the first candidate.
  for (int i = 0; i < 3; ++i) {
    const LocalSeconds local{(day + ::date::days{i}).time_since_epoch() + timeOfDay};
    const SysSeconds s = toSys(zone_, local);
    const double candidate = static_cast<double>(s.time_since_epoch().count());
    if (candidate > afterSeconds) {
      const Date result = dateFromSeconds(candidate);
      if (clampDate(result) != result) return std::nullopt;
      return result;
    }
  }
  return std::nullopt;
}

std::optional<Date> Calendar::dateOnDay(Date day, long long hour, long long minute,
                                        long long second) const {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    return std::nullopt;
  const auto localDay = ::date::floor<::date::days>(toLocal(zone_, day));
  const LocalSeconds local{localDay.time_since_epoch() + std::chrono::hours(hour) +
                           std::chrono::minutes(minute) + std::chrono::seconds(second)};
  return fromSys(toSys(zone_, local));
}

std::optional<Date> Calendar::dateFrom(long long year, long long month, long long day,
                                       long long hour, long long minute, long long second) const {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
    return std::nullopt;
  const ::date::year_month_day ymd{::date::year{static_cast<int>(year)},
                                   ::date::month{static_cast<unsigned>(month)},
                                   ::date::day{static_cast<unsigned>(day)}};
  if (!ymd.ok()) return std::nullopt;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    return std::nullopt;
  const LocalSeconds local{::date::local_days{ymd}.time_since_epoch() + std::chrono::hours(hour) +
                           std::chrono::minutes(minute) + std::chrono::seconds(second)};
  return fromSys(toSys(zone_, local));
}

std::vector<Date> Calendar::turningPoints(Date after, Date until,
                                          std::initializer_list<std::int64_t> minutes) const {
  const double from = secondsSince1970(clampDate(after));
  const double to = std::min(secondsSince1970(clampDate(until)), from + 366.0 * 86400.0);
  std::vector<double> found;
  auto keep = [&](SysSeconds s) {
    const auto seconds = static_cast<double>(s.time_since_epoch().count());
    if (from < seconds && seconds <= to) found.push_back(seconds);
  };

  // Where the local time jumps.
  if (zone_) {
    ::date::sys_info info = zone_->get_info(sysSeconds(after));
    while (static_cast<double>(info.end.time_since_epoch().count()) <= to) {
      const ::date::sys_info next = zone_->get_info(info.end);
      if (next.offset != info.offset) keep(info.end);
      if (next.end <= info.end) break;  // no later change known
      info = next;
    }
  }

  // Where the local time reaches each minute, on every local day of the span
  // and the days around it.
  std::vector<std::int64_t> times{0};
  for (const std::int64_t m : minutes) {
    if (m > 0 && m < 24 * 60) times.push_back(m);
  }
  const auto firstDay = ::date::floor<::date::days>(toLocal(zone_, after)) - ::date::days{1};
  const auto lastDay =
      ::date::floor<::date::days>(toLocal(zone_, dateFromSeconds(to))) + ::date::days{1};
  for (auto day = firstDay; day <= lastDay; day += ::date::days{1}) {
    for (const std::int64_t m : times) {
      const LocalSeconds local{day.time_since_epoch() + std::chrono::minutes(m)};
      if (!zone_) {
        keep(SysSeconds{local.time_since_epoch()});
        continue;
      }
      const ::date::local_info info = zone_->get_info(local);
      switch (info.result) {
        case ::date::local_info::unique:
          keep(SysSeconds{local.time_since_epoch() - info.first.offset});
          break;
        case ::date::local_info::ambiguous:
          keep(SysSeconds{local.time_since_epoch() - info.first.offset});
          keep(SysSeconds{local.time_since_epoch() - info.second.offset});
          break;
        case ::date::local_info::nonexistent:
          keep(info.first.end);
          break;
      }
    }
  }

  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  std::vector<Date> out;
  out.reserve(found.size());
  for (const double s : found) out.push_back(dateFromSeconds(s));
  return out;
}

}  // namespace pimble
