#include "models/date.h"

#include <date/date.h>

#include <cmath>
#include <cstdio>

namespace pimble {

namespace {
constexpr double kEarliest = -62135596800.0;  // 0001-01-01T00:00:00Z
constexpr double kLatest = 253402300799.0;    // 9999-12-31T23:59:59Z

bool digits(std::string_view s, size_t pos, size_t count, int& out) {
  if (pos + count > s.size()) return false;
  int v = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  out = v;
  return true;
}
}  // namespace

Date earliestDate() {
  return dateFromSeconds(kEarliest);
}
Date latestDate() {
  return dateFromSeconds(kLatest);
}

Date clampDate(Date d) {
  const double s = secondsSince1970(d);
  if (std::isnan(s) || s < kEarliest) return earliestDate();
  if (s > kLatest) return latestDate();
  return d;
}

Date addSeconds(Date d, double seconds) {
  if (std::isnan(seconds)) return clampDate(d);
  return clampDate(dateFromSeconds(secondsSince1970(clampDate(d)) + seconds));
}

Date wholeSeconds(Date d) {
  return dateFromSeconds(std::floor(secondsSince1970(clampDate(d))));
}

std::string formatISO8601(Date d) {
  const auto whole = static_cast<long long>(std::floor(secondsSince1970(clampDate(d))));
  const date::sys_seconds tp{std::chrono::seconds(whole)};
  const auto day = date::floor<date::days>(tp);
  const date::year_month_day ymd{day};
  const date::hh_mm_ss<std::chrono::seconds> tod{tp - day};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(tod.hours().count()), static_cast<int>(tod.minutes().count()),
                static_cast<int>(tod.seconds().count()));
  return buf;
}

std::optional<Date> parseISO8601(std::string_view s) {
  int y, mo, d, h, mi, se;
  if (!digits(s, 0, 4, y) || s.size() < 19 || s[4] != '-' || !digits(s, 5, 2, mo) || s[7] != '-' ||
      !digits(s, 8, 2, d) || (s[10] != 'T' && s[10] != 't') || !digits(s, 11, 2, h) ||
      s[13] != ':' || !digits(s, 14, 2, mi) || s[16] != ':' || !digits(s, 17, 2, se))
    return std::nullopt;
  size_t pos = 19;
  double fraction = 0;
  if (pos < s.size() && s[pos] == '.') {
    ++pos;
    double scale = 0.1;
    const size_t start = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      fraction += (s[pos] - '0') * scale;
      scale /= 10;
      ++pos;
    }
    if (pos == start) return std::nullopt;
  }
  int offset = 0;
  if (pos < s.size() && (s[pos] == 'Z' || s[pos] == 'z') && pos + 1 == s.size()) {
    offset = 0;
  } else if (pos + 6 == s.size() && (s[pos] == '+' || s[pos] == '-') && s[pos + 3] == ':') {
    int oh, om;
    if (!digits(s, pos + 1, 2, oh) || !digits(s, pos + 4, 2, om) || oh > 23 || om > 59)
      return std::nullopt;
    offset = (oh * 60 + om) * 60 * (s[pos] == '-' ? -1 : 1);
  } else {
    return std::nullopt;
  }
  if (y < 1 || mo < 1 || mo > 12 || h > 23 || mi > 59 || se > 60) return std::nullopt;
  const date::year_month_day ymd{date::year{y}, date::month{static_cast<unsigned>(mo)},
                                 date::day{static_cast<unsigned>(d)}};
  if (!ymd.ok()) return std::nullopt;
  const double days = date::sys_days{ymd}.time_since_epoch().count();
  const double secs = days * 86400.0 + h * 3600.0 + mi * 60.0 + se + fraction - offset;
  return clampDate(dateFromSeconds(secs));
}

}  // namespace pimble
