#include "models/calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace pimble {
namespace {

Date utc(const char* iso) {
  return *parseISO8601(iso);
}

Calendar zone(const char* name) {
  auto c = Calendar::named(name);
  EXPECT_TRUE(c.has_value()) << name;
  return c.value_or(Calendar());
}

TEST(Calendar, NamedZonesAndCurrent) {
  EXPECT_FALSE(Calendar::named("Mars/Olympus_Mons").has_value());
  EXPECT_FALSE(Calendar::named("").has_value());
  EXPECT_EQ(Calendar::named("UTC")->zoneName(), "UTC");
  EXPECT_EQ(zone("Europe/Berlin"), zone("Europe/Berlin"));
  EXPECT_FALSE(zone("Europe/Berlin") == zone("America/New_York"));

  const std::string saved = std::getenv("TZ") ? std::getenv("TZ") : "";
  setenv("TZ", ":America/New_York", 1);
  EXPECT_EQ(Calendar::current().zoneName(), "America/New_York");
  setenv("TZ", "Nowhere/Special", 1);
  EXPECT_FALSE(Calendar::current().zoneName().empty());  // falls back, never fails
  saved.empty() ? unsetenv("TZ") : setenv("TZ", saved.c_str(), 1);
}

TEST(Calendar, ComponentsAndDayKeysFollowTheZone) {
  const auto berlin = zone("Europe/Berlin");
  const auto newYork = zone("America/New_York");
  const Date d = utc("2026-03-28T23:30:00Z");  // Sunday 00:30 in Berlin, Saturday in New York
  EXPECT_EQ(berlin.dayKey(d), "2026-03-29");
  EXPECT_EQ(berlin.weekday(d), 1);
  EXPECT_EQ(berlin.minuteOfDay(d), 30);
  EXPECT_EQ(newYork.dayKey(d), "2026-03-28");
  EXPECT_EQ(newYork.weekday(d), 7);
  EXPECT_EQ(newYork.minuteOfDay(d), 19 * 60 + 30);
  EXPECT_EQ(Calendar().dayKey(d), "2026-03-28");
  EXPECT_EQ(berlin.minuteOfDay(utc("2026-07-01T21:59:59Z")), 1439);
  // Hand-edited extremes clamp instead of overflowing.
  EXPECT_EQ(Calendar().dayKey(dateFromSeconds(1e300)), "9999-12-31");
  EXPECT_EQ(berlin.dayKey(dateFromSeconds(-1e300)), "0001-01-01");
  EXPECT_EQ(Calendar().dayKey(dateFromSeconds(std::nan(""))), "0001-01-01");
}

TEST(Calendar, StartOfDayAndAddingDaysAcrossDaylightSaving) {
  const auto berlin = zone("Europe/Berlin");
  // The spring day is 23 hours long, the autumn day 25.
  EXPECT_EQ(berlin.startOfDay(utc("2026-03-29T12:00:00Z")), utc("2026-03-28T23:00:00Z"));
  EXPECT_EQ(berlin.startOfDay(utc("2026-10-25T12:00:00Z")), utc("2026-10-24T22:00:00Z"));
  EXPECT_EQ(berlin.addingDays(utc("2026-03-28T11:00:00Z"), 1), utc("2026-03-29T10:00:00Z"));
  EXPECT_EQ(berlin.addingDays(utc("2026-10-26T11:00:00Z"), -1), utc("2026-10-25T11:00:00Z"));
  // Midnight skipped (São Paulo, 2018): the day starts at 01:00.
  const auto saoPaulo = zone("America/Sao_Paulo");
  EXPECT_EQ(saoPaulo.startOfDay(utc("2018-11-04T15:00:00Z")), utc("2018-11-04T03:00:00Z"));
  // A day whose local time is skipped lands after the gap.
  EXPECT_EQ(berlin.addingDays(utc("2026-03-28T01:30:00Z"), 1), utc("2026-03-29T01:00:00Z"));
  EXPECT_EQ(berlin.addingDays(utc("2026-01-01T00:00:00.5Z"), 0), utc("2026-01-01T00:00:00.5Z"));
  EXPECT_EQ(berlin.addingDays(utc("2026-01-01T00:00:00Z"), 1LL << 60), latestDate());
  EXPECT_EQ(berlin.addingDays(utc("2026-01-01T00:00:00Z"), -(1LL << 60)), earliestDate());
}

TEST(Calendar, NextDateSkipsGapsAndTakesFirstOfRepeatedTimes) {
  const auto berlin = zone("Europe/Berlin");
  // 02:30 does not exist on 29 March: the next existing time is 03:00 CEST.
  EXPECT_EQ(berlin.nextDate(utc("2026-03-28T23:00:00Z"), 2, 30), utc("2026-03-29T01:00:00Z"));
  // 02:30 happens twice on 25 October: the first (CEST) one counts, and once
  // it has passed the next match is the following day.
  EXPECT_EQ(berlin.nextDate(utc("2026-10-24T22:00:00Z"), 2, 30), utc("2026-10-25T00:30:00Z"));
  EXPECT_EQ(berlin.nextDate(utc("2026-10-25T00:45:00Z"), 2, 30), utc("2026-10-26T01:30:00Z"));

  const auto newYork = zone("America/New_York");
  EXPECT_EQ(newYork.nextDate(utc("2026-03-08T05:00:00Z"), 2, 30), utc("2026-03-08T07:00:00Z"));
  EXPECT_EQ(newYork.nextDate(utc("2026-11-01T04:00:00Z"), 1, 30), utc("2026-11-01T05:30:00Z"));
  EXPECT_EQ(newYork.nextDate(utc("2026-11-01T05:45:00Z"), 1, 30), utc("2026-11-02T06:30:00Z"));

  // Strictly after: the moment itself gives tomorrow's.
  EXPECT_EQ(berlin.nextDate(utc("2026-07-01T05:00:00Z"), 7, 0), utc("2026-07-02T05:00:00Z"));
  EXPECT_EQ(berlin.nextDate(utc("2026-07-01T04:59:59.5Z"), 7, 0), utc("2026-07-01T05:00:00Z"));
  for (auto [h, m] : {std::pair{24, 0}, {-1, 0}, {0, 60}, {33, 20}, {0, -1}})
    EXPECT_FALSE(berlin.nextDate(utc("2026-07-01T00:00:00Z"), h, m).has_value()) << h << ":" << m;
  EXPECT_FALSE(Calendar().nextDate(latestDate(), 0, 0).has_value());
}

TEST(Calendar, TurningPointsTakeRepeatedAndSkippedTimesAndJumps) {
  const auto berlin = zone("Europe/Berlin");
  // The autumn night: midnight, the first 02:30, the jump back, the second 02:30.
  EXPECT_EQ(berlin.turningPoints(utc("2026-10-24T21:00:00Z"), utc("2026-10-25T12:00:00Z"), {150}),
            (std::vector{utc("2026-10-24T22:00:00Z"), utc("2026-10-25T00:30:00Z"),
                         utc("2026-10-25T01:00:00Z"), utc("2026-10-25T01:30:00Z")}));
  // In spring 02:30 is skipped and falls on the jump; minutes off the clock are left out.
  EXPECT_EQ(berlin.turningPoints(utc("2026-03-28T22:00:00Z"), utc("2026-03-29T12:00:00Z"),
                                 {150, 5000, -1}),
            (std::vector{utc("2026-03-28T23:00:00Z"), utc("2026-03-29T01:00:00Z")}));
  // After the start, up to and with the end.
  EXPECT_EQ(
      Calendar().turningPoints(utc("2026-07-01T00:00:00Z"), utc("2026-07-02T00:00:00Z"), {720}),
      (std::vector{utc("2026-07-01T12:00:00Z"), utc("2026-07-02T00:00:00Z")}));
  EXPECT_TRUE(
      berlin.turningPoints(utc("2026-07-01T12:00:00Z"), utc("2026-07-01T11:00:00Z"), {0}).empty());
  EXPECT_EQ(Calendar().turningPoints(earliestDate(), latestDate(), {}).size(), 366u);
}

TEST(Calendar, DatesFromLocalComponents) {
  const auto berlin = zone("Europe/Berlin");
  EXPECT_EQ(berlin.dateFrom(2026, 3, 29, 2, 30), utc("2026-03-29T01:00:00Z"));
  EXPECT_EQ(berlin.dateFrom(2026, 10, 25, 2, 30), utc("2026-10-25T00:30:00Z"));
  EXPECT_FALSE(berlin.dateFrom(2026, 2, 30).has_value());
  EXPECT_FALSE(berlin.dateFrom(2026, 13, 1).has_value());
  EXPECT_FALSE(berlin.dateFrom(2026, 1, 1, 24).has_value());
  EXPECT_EQ(berlin.dateOnDay(utc("2026-03-29T12:00:00Z"), 23, 30), utc("2026-03-29T21:30:00Z"));
  EXPECT_EQ(berlin.dateOnDay(utc("2026-03-29T12:00:00Z"), 2, 15), utc("2026-03-29T01:00:00Z"));
  EXPECT_FALSE(berlin.dateOnDay(utc("2026-03-29T12:00:00Z"), 2, 15, 60).has_value());
  const auto c = berlin.components(utc("2026-12-05T16:04:05Z"));
  EXPECT_EQ(c, (CalendarComponents{2026, 12, 5, 17, 4, 5, 7}));
}

}  // namespace
}  // namespace pimble
