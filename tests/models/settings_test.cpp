#include <gtest/gtest.h>

#include "models/app_settings.h"

namespace pimble {
namespace {

Date utc(const char* iso) {
  return *parseISO8601(iso);
}
Calendar zone(const char* name) {
  return Calendar::named(name).value();
}

TEST(AppSettingsCoding, DefaultsAndTolerantDecoding) {
  const AppSettings defaults;
  EXPECT_FALSE(defaults.onboardingCompleted);
  auto decoded = decodeValue<AppSettings>(Json::object());
  EXPECT_TRUE(decoded.onboardingCompleted);  // a stored document never reopens the tour
  decoded.onboardingCompleted = false;
  EXPECT_EQ(decoded, defaults);
  EXPECT_TRUE(
      decodeValue<AppSettings>(Json::parse(R"({"onboardingCompleted":null})")).onboardingCompleted);
  EXPECT_FALSE(decodeValue<AppSettings>(Json::parse(R"({"onboardingCompleted":false})"))
                   .onboardingCompleted);

  const auto q = decodeValue<AppSettings>(Json::parse(R"({"quietHours":{"isEnabled":false}})"));
  EXPECT_EQ(q.quietHours, (QuietHours{false, 1320, 420}));
  EXPECT_FALSE(decodeValue<AppSettings>(Json::parse(R"({"position":null})")).position);
  EXPECT_FALSE(defaults.toJson().contains("position"));

  AppSettings none;
  none.awareness.keepGoingCooldownMinutes = std::nullopt;
  none.awareness.apps.resize(1);
  EXPECT_TRUE(none.toJson()["awareness"]["keepGoingCooldownMinutes"].is_null());
  EXPECT_FALSE(none.toJson()["awareness"]["apps"][0].contains("relaxMinutes"));

  for (const char* bad :
       {R"({"companionSize":"huge"})", R"({"position":{"originY":1}})", R"({"showCape":"yes"})",
        R"({"quietHours":{"startMinutes":1.5}})", R"({"awareness":{"apps":[{"name":"No id"}]}})",
        R"([])", R"({"position":{"originX":1,"originY":2,"displayID":-1}})"})
    EXPECT_FALSE(decodeDocument<AppSettings>(bad)) << bad;
}

TEST(AwarenessSettingsCoding, CooldownAndWatchedApps) {
  auto cooldown = [](const char* text) {
    return decodeValue<AwarenessSettings>(Json::parse(text)).keepGoingCooldownMinutes;
  };
  EXPECT_EQ(cooldown("{}"), 60);
  EXPECT_EQ(cooldown(R"({"keepGoingCooldownMinutes":null})"), std::nullopt);
  EXPECT_EQ(cooldown(R"({"keepGoingCooldownMinutes":30})"), 30);

  const auto app = decodeValue<WatchedApp>(Json::parse(R"({"bundleID":"com.example.Chat"})"));
  EXPECT_EQ(app, (WatchedApp{"com.example.Chat", "com.example.Chat", AppCategory::other, true,
                             false, std::nullopt, std::nullopt, std::nullopt}));

  AwarenessSettings s;
  WatchedApp first, second;
  first.bundleID = second.bundleID = "a";
  first.name = "First";
  s.apps = {first, second};
  EXPECT_EQ(s.app("a")->name, "First");
  EXPECT_FALSE(s.app("A"));
  EXPECT_EQ(decodeValue<ModeSettings>(Json::object()), ModeSettings{});
  EXPECT_EQ(decodeValue<ModeSchedule>(Json::parse(R"({"workDays":[2,2,3]})")).workDays,
            (std::set<std::int64_t>{2, 3}));
}

TEST(QuietHoursRules, WindowEndsInTheLocalCalendar) {
  const auto berlin = zone("Europe/Berlin");
  const QuietHours q;
  EXPECT_EQ(q.endOfCurrentWindow(utc("2026-07-01T21:15:00Z"), berlin),
            utc("2026-07-02T05:00:00Z"));  // 23:15 → 07:00 tomorrow
  EXPECT_EQ(q.endOfCurrentWindow(utc("2026-07-01T04:59:00Z"), berlin),
            utc("2026-07-01T05:00:00Z"));  // 06:59 → 07:00 today
  EXPECT_FALSE(q.endOfCurrentWindow(utc("2026-07-01T05:00:00Z"), berlin));
  EXPECT_FALSE(q.endOfCurrentWindow(utc("2026-07-01T19:59:00Z"), berlin));
  // Across the autumn change the night is an hour longer.
  EXPECT_EQ(q.endOfCurrentWindow(utc("2026-10-24T21:15:00Z"), berlin), utc("2026-10-25T06:00:00Z"));
  const auto newYork = zone("America/New_York");
  EXPECT_EQ(q.endOfCurrentWindow(utc("2026-03-08T04:00:00Z"), newYork),
            utc("2026-03-08T11:00:00Z"));
  EXPECT_EQ(QuietHours::minuteOfDay(utc("2026-03-08T07:30:00Z"), newYork), 3 * 60 + 30);

  // A window ending at a skipped time ends when the clock jumps.
  const QuietHours night{true, 60, 150};
  EXPECT_EQ(night.endOfCurrentWindow(utc("2026-03-29T00:30:00Z"), berlin),
            utc("2026-03-29T01:00:00Z"));
  const QuietHours lunch{true, 780, 840};
  EXPECT_EQ(lunch.endOfCurrentWindow(utc("2026-07-01T11:30:00Z"), berlin),
            utc("2026-07-01T12:00:00Z"));
  EXPECT_FALSE(lunch.endOfCurrentWindow(utc("2026-07-01T12:00:00Z"), berlin));
  EXPECT_FALSE((QuietHours{true, 600, 600}).holds(utc("2026-07-01T08:00:00Z"), berlin));
  EXPECT_FALSE(
      (QuietHours{false, 0, 1440}).endOfCurrentWindow(utc("2026-07-01T08:00:00Z"), berlin));
  // The answer also changes where the clocks jump: a window from 03:01 to
  // 02:59 ends at the first 02:59 and holds again from the second 02:00, and
  // one ending at 02:30 holds again after the jump and ends at the second 02:30.
  const QuietHours allNight{true, 181, 179};
  EXPECT_EQ(allNight.nextChange(utc("2026-10-25T00:59:20Z"), berlin), utc("2026-10-25T01:00:00Z"));
  EXPECT_EQ(allNight.endOfCurrentWindow(utc("2026-10-25T01:00:00Z"), berlin),
            utc("2026-10-25T01:59:00Z"));
  EXPECT_EQ(night.nextChange(utc("2026-10-25T00:45:00Z"), berlin), utc("2026-10-25T01:00:00Z"));
  EXPECT_EQ(night.endOfCurrentWindow(utc("2026-10-25T01:10:00Z"), berlin),
            utc("2026-10-25T01:30:00Z"));
  EXPECT_EQ(q.nextChange(utc("2026-07-01T12:00:00Z"), berlin), utc("2026-07-01T20:00:00Z"));
  EXPECT_FALSE((QuietHours{true, 0, 5000}).nextChange(utc("2026-07-01T08:00:00Z"), berlin));
  EXPECT_FALSE((QuietHours{false, 0, 600}).nextChange(utc("2026-07-01T08:00:00Z"), berlin));
  // Hand-edited minutes beyond the day never name a time: no end, no crash.
  EXPECT_FALSE((QuietHours{true, 0, 5000}).endOfCurrentWindow(utc("2026-07-01T08:00:00Z"), berlin));
  EXPECT_FALSE(
      (QuietHours{true, INT64_MIN, -30}).endOfCurrentWindow(utc("2026-07-01T08:00:00Z"), berlin));
}

TEST(ModeScheduleRules, ModesAndBoundaries) {
  const auto berlin = zone("Europe/Berlin");
  const ModeSchedule s;
  // Wednesday 2026-07-01 and Saturday 2026-07-04, Berlin summer time (UTC+2).
  EXPECT_EQ(s.mode(utc("2026-07-01T08:00:00Z"), berlin), AwarenessMode::work);
  EXPECT_EQ(s.mode(utc("2026-07-01T16:00:00Z"), berlin), AwarenessMode::relax);
  EXPECT_EQ(s.mode(utc("2026-07-01T20:30:00Z"), berlin), AwarenessMode::night);
  EXPECT_EQ(s.mode(utc("2026-07-04T08:00:00Z"), berlin), AwarenessMode::relax);
  EXPECT_EQ(s.mode(utc("2026-06-29T03:59:00Z"), berlin), AwarenessMode::night);
  EXPECT_EQ(s.mode(utc("2026-06-29T04:00:00Z"), berlin), AwarenessMode::relax);
  ModeSchedule overlap = s;
  overlap.workStartMinutes = 1200;
  overlap.workEndMinutes = 1380;
  EXPECT_EQ(overlap.mode(utc("2026-07-01T20:30:00Z"), berlin), AwarenessMode::night);
  ModeSchedule empty = s;
  empty.nightStartMinutes = empty.nightEndMinutes = 0;
  empty.workStartMinutes = empty.workEndMinutes = 0;
  empty.isEnabled = true;
  EXPECT_EQ(empty.mode(utc("2026-07-01T22:30:00Z"), berlin), AwarenessMode::relax);
  EXPECT_EQ(empty.mode(utc("2026-07-01T08:00:00Z"), berlin), AwarenessMode::relax);

  EXPECT_EQ(s.nextBoundary(utc("2026-07-01T08:00:00Z"), berlin), utc("2026-07-01T16:00:00Z"));
  EXPECT_EQ(s.nextBoundary(utc("2026-07-01T21:00:00Z"), berlin), utc("2026-07-02T04:00:00Z"));
  EXPECT_EQ(s.nextBoundary(utc("2026-07-01T16:00:00Z"), berlin), utc("2026-07-01T20:00:00Z"));
  EXPECT_EQ(s.nextBoundary(utc("2026-07-04T08:00:00Z"), berlin), utc("2026-07-04T16:00:00Z"));
  // Night ends at 06:00 local on both daylight-saving Sundays.
  EXPECT_EQ(s.nextBoundary(utc("2026-03-28T22:00:00Z"), berlin), utc("2026-03-29T04:00:00Z"));
  EXPECT_EQ(s.nextBoundary(utc("2026-10-24T21:00:00Z"), berlin), utc("2026-10-25T05:00:00Z"));
  const auto newYork = zone("America/New_York");
  EXPECT_EQ(s.nextBoundary(utc("2026-11-01T03:00:00Z"), newYork), utc("2026-11-01T11:00:00Z"));
  EXPECT_EQ(s.mode(utc("2026-11-01T10:59:00Z"), newYork), AwarenessMode::night);
  // Night until 02:30: after the first 02:30 the clocks go back into it.
  ModeSchedule early = s;
  early.nightEndMinutes = 150;
  EXPECT_EQ(early.mode(utc("2026-10-25T00:50:00Z"), berlin), AwarenessMode::relax);
  EXPECT_EQ(early.nextBoundary(utc("2026-10-25T00:50:00Z"), berlin), utc("2026-10-25T01:00:00Z"));
  EXPECT_EQ(early.mode(utc("2026-10-25T01:00:00Z"), berlin), AwarenessMode::night);
  ModeSchedule broken = s;
  broken.workStartMinutes = broken.workEndMinutes = 99999;
  broken.nightStartMinutes = broken.nightEndMinutes = -1;
  EXPECT_FALSE(broken.nextBoundary(utc("2026-07-01T08:00:00Z"), berlin));
}

}  // namespace
}  // namespace pimble
