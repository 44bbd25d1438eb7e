#include <gtest/gtest.h>

#include <tuple>

#include "models/progress_tracker.h"

namespace pimble {
namespace {

Date utc(const char* iso) {
  return *parseISO8601(iso);
}

ProgressTracker tracker(const char* zone) {
  ProgressTracker t;
  t.calendar = Calendar::named(zone).value();
  return t;
}

TEST(ProgressTracking, RecordsPerLocalDay) {
  auto t = tracker("America/New_York");
  const Date evening = utc("2026-03-08T04:59:00Z");  // 23:59 on 7 March
  t.record(ReminderAction::done, ReminderKind::water, evening);
  t.record(ReminderAction::done, ReminderKind::water, evening);
  t.record(ReminderAction::skipped, ReminderKind::stretch, evening);
  t.record(ReminderAction::done, ReminderKind::walk, utc("2026-03-08T05:01:00Z"));
  const auto day = t.summary(evening);
  EXPECT_EQ(day.key, "2026-03-07");
  EXPECT_EQ(day.date, utc("2026-03-07T05:00:00Z"));
  EXPECT_EQ(day.done(ReminderKind::water), 2);
  EXPECT_EQ(day.done(ReminderKind::posture), 0);
  EXPECT_EQ(day.record.skipped.at("stretch"), 1);
  EXPECT_TRUE(day.record.snoozed.empty());
  EXPECT_EQ(day.record.totalDone(), 2);
  EXPECT_EQ(t.summary(utc("2026-03-08T05:01:00Z")).record.totalDone(), 1);
  // The spring-forward day starts at its local midnight, before the jump.
  const auto empty = t.summary(utc("2026-03-08T20:00:00Z"));
  EXPECT_EQ(empty.date, utc("2026-03-08T05:00:00Z"));

  // Counts from a hand-edited file saturate instead of overflowing.
  t.data.days["2026-03-09"].done = {{"water", INT64_MAX}, {"walk", 5}};
  EXPECT_EQ(t.data.days["2026-03-09"].totalDone(), INT64_MAX);
  t.record(ReminderAction::done, ReminderKind::water, utc("2026-03-09T15:00:00Z"));
  EXPECT_EQ(t.data.days["2026-03-09"].done["water"], INT64_MAX);
  t.data.days["2026-03-10"].done = {{"a", INT64_MIN}, {"b", -1}};
  EXPECT_EQ(t.data.days["2026-03-10"].totalDone(), INT64_MIN);
}

TEST(ProgressTracking, LastDaysAndPruning) {
  auto t = tracker("Europe/Berlin");
  const auto week = t.lastDays(7, utc("2026-03-31T10:00:00Z"));
  ASSERT_EQ(week.size(), 7u);
  EXPECT_EQ(week.front().key, "2026-03-25");
  EXPECT_EQ(week[4].key, "2026-03-29");
  EXPECT_EQ(week.back().key, "2026-03-31");
  EXPECT_TRUE(t.lastDays(0, utc("2026-03-31T10:00:00Z")).empty());
  EXPECT_TRUE(t.lastDays(-3, utc("2026-03-31T10:00:00Z")).empty());

  for (const char* key : {"2026-08-06", "2026-08-07", "2026-12-05", "zzz", "2025-13-99"})
    t.data.days[key] = {};
  t.prune(120, utc("2026-12-05T12:00:00Z"));
  std::vector<std::string> kept;
  for (const auto& [key, record] : t.data.days) kept.push_back(key);
  EXPECT_EQ(kept, (std::vector<std::string>{"2026-08-07", "2026-12-05", "zzz"}));
  t.prune(INT64_MAX, utc("2026-12-05T12:00:00Z"));
  t.prune(INT64_MIN, utc("2026-12-05T12:00:00Z"));
  EXPECT_EQ(t.data.days.size(), 1u);  // keeping "negative" days drops all but later keys

  // Around the daylight-saving changes the cutoff is still a local day.
  for (auto [zone, now, cutoff] :
       {std::tuple{"Europe/Berlin", "2026-03-28T23:30:00Z", "2026-03-28"},
        std::tuple{"Europe/Berlin", "2026-10-25T22:59:00Z", "2026-10-24"},
        std::tuple{"America/New_York", "2026-11-02T04:30:00Z", "2026-10-31"},
        std::tuple{"America/New_York", "2026-03-09T03:59:00Z", "2026-03-07"}}) {
    auto z = tracker(zone);
    for (const char* key : {"2026-03-06", "2026-03-07", "2026-03-27", "2026-03-28", "2026-10-23",
                            "2026-10-24", "2026-10-30", "2026-10-31"})
      z.data.days[key] = {};
    z.prune(1, utc(now));
    ASSERT_FALSE(z.data.days.empty()) << zone << " " << now;
    EXPECT_EQ(z.data.days.begin()->first, cutoff) << zone << " " << now;
  }

  ProgressData data;
  data.days["2026-01-01"] = {};
  EXPECT_EQ(data.toJson()["days"]["2026-01-01"].size(), 3u);
  EXPECT_EQ(decodeDocument<ProgressData>(*encodeDocument(data)), data);
  EXPECT_EQ(decodeValue<ProgressData>(Json::object()), ProgressData{});
  EXPECT_FALSE(decodeDocument<ProgressData>(R"({"days":{"x":{"done":{"water":"2"}}}})"));
}

}  // namespace
}  // namespace pimble
