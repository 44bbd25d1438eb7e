#include <gtest/gtest.h>

#include "models/activity_data.h"
#include "models/duration_text.h"
#include "models/session_preset.h"

namespace pimble {
namespace {

TEST(ActivityRecords, SessionsAndIntentionsFallBackPerKey) {
  const Date before = wholeSeconds(systemNow());
  const auto s = decodeValue<AppSession>(Json::parse(R"({"bundleID":"tv.example"})"));
  EXPECT_GE(s.startedAt, before);
  EXPECT_EQ(s.lastCountedAt, s.startedAt);
  EXPECT_EQ(
      decodeValue<AppSession>(Json::parse(R"({"bundleID":"a","activeSeconds":-4})")).activeSeconds,
      0);
  const auto counted = decodeValue<AppSession>(
      Json::parse(R"({"bundleID":"a","startedAt":"2026-01-01T10:00:00Z"})"));
  EXPECT_EQ(counted.lastCountedAt, *parseISO8601("2026-01-01T10:00:00Z"));

  const auto i = decodeValue<Intention>(Json::parse(R"({"bundleID":"tv.example"})"));
  EXPECT_EQ(i.appName, "tv.example");
  EXPECT_EQ(i.dueAtSeconds, 900);
  EXPECT_FALSE(i.visited);
  EXPECT_NE(i.id, decodeValue<Intention>(Json::parse(R"({"bundleID":"x"})")).id);
  const auto shortOne = decodeValue<Intention>(Json::parse(R"({"bundleID":"x","minutes":0})"));
  EXPECT_EQ(shortOne.minutes, 1);
  EXPECT_EQ(shortOne.dueAtSeconds, 60);
  EXPECT_TRUE(
      decodeValue<Intention>(Json::parse(R"({"bundleID":"x","activeSeconds":30})")).visited);
  // A huge budget stays finite instead of overflowing minutes × 60.
  EXPECT_EQ(decodeValue<Intention>(Json::parse(R"({"bundleID":"x","minutes":9223372036854775807})"))
                .dueAtSeconds,
            9223372036854775807.0 * 60);

  for (const char* bad : {R"({"intention":{"bundleID":"x","status":"paused"}})",
                          R"({"sessions":{"a":{}}})", R"({"days":{"2026-01-01":{"checkIns":0.5}}})",
                          R"({"intention":{"bundleID":"x","returnTo":{"bundleID":"y"}}})",
                          R"({"askedAt":{"a":"yesterday"}})"})
    EXPECT_FALSE(decodeDocument<ActivityData>(bad)) << bad;
}

TEST(ActivityRecords, EmptyOptionalsAreLeftOut) {
  EXPECT_EQ(decodeValue<ActivityData>(Json::object()), ActivityData{});
  const Json j =
      decodeValue<ActivityData>(Json::parse(R"({"intention":{"bundleID":"tv"}})")).toJson();
  EXPECT_FALSE(j.contains("bedtimeHandled") || j.contains("bedtimeSnoozedUntil"));
  EXPECT_FALSE(j["intention"].contains("returnTo"));
  EXPECT_EQ(SessionPreset::all().front(), (SessionPreset{"Netflix", 60}));
}

TEST(DurationTextForms, ShortAndCompact) {
  using DurationText::compact;
  using DurationText::shortText;
  const std::pair<double, const char*> cases[] = {
      {0, "1 min"},  {59, "1 min"},        {119, "1 min"}, {120, "2 min"},  {3599, "59 min"},
      {3600, "1 h"}, {5400, "1 h 30 min"}, {7200, "2 h"},  {-500, "1 min"}, {3900, "1 h 5 min"}};
  for (auto [seconds, text] : cases) EXPECT_EQ(shortText(seconds), text) << seconds;
  EXPECT_EQ(shortText(std::nan("")), "1 min");
  EXPECT_FALSE(shortText(1e300).empty());
  EXPECT_FALSE(shortText(-1e300).empty());

  EXPECT_EQ(compact(45), "45m");
  EXPECT_EQ(compact(0), "0m");
  EXPECT_EQ(compact(-5), "-5m");
  EXPECT_EQ(compact(120), "2h");
  EXPECT_EQ(compact(90), "1h30");
  EXPECT_FALSE(compact(INT64_MIN).empty());
  EXPECT_FALSE(compact(INT64_MAX).empty());
}

}  // namespace
}  // namespace pimble
