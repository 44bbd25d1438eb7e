#include <gtest/gtest.h>

#include "models/reminder.h"
#include "models/reminder_frequency.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"

namespace pimble {
namespace {

TEST(ReminderRecords, BuiltInsAndFrequencyPresets) {
  const auto a = Reminder::defaults();
  const auto b = Reminder::defaults();
  ASSERT_EQ(a.size(), 6u);
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_NE(a[i].id, b[i].id);
    auto same = b[i];
    same.id = a[i].id;
    EXPECT_EQ(a[i], same);
    EXPECT_EQ(a[i].kind, allCases<ReminderKind>()[i]);
  }

  EXPECT_EQ(minutes(ReminderFrequency::frequent, ReminderKind::posture), 25);  // 4.5 rounds up
  EXPECT_EQ(minutes(ReminderFrequency::gentle, ReminderKind::water), 70);
  EXPECT_EQ(minutes(ReminderFrequency::gentle, ReminderKind::walk), 135);
  EXPECT_EQ(minutes(ReminderFrequency::frequent, ReminderKind::custom), std::nullopt);
}

TEST(ReminderRecords, DecodingFallsBackPerKey) {
  const auto empty = decodeValue<Reminder>(Json::object());
  EXPECT_EQ(empty.kind, ReminderKind::custom);
  EXPECT_EQ(empty.title, "Custom");
  EXPECT_EQ(empty.intervalMinutes, 60);
  EXPECT_EQ(empty.snoozeMinutes, 10);
  EXPECT_TRUE(empty.isEnabled && empty.respectsQuietHours && !empty.soundEnabled);
  EXPECT_NE(empty.id, decodeValue<Reminder>(Json::object()).id);  // a fresh id each load

  auto r = decodeValue<Reminder>(
      Json::parse(R"({"kind":"eyeRest","title":null,"intervalMinutes":0,"snoozeMinutes":-5})"));
  EXPECT_EQ(r.title, "Rest eyes");
  EXPECT_EQ(r.intervalMinutes, 1);
  EXPECT_EQ(r.snoozeMinutes, 1);
  EXPECT_EQ(decodeValue<Reminder>(Json::parse(R"({"kind":"posture","title":""})")).title, "");

  for (const char* bad : {R"({"kind":"nap"})", R"({"id":"not-a-uuid"})", R"({"isEnabled":1})",
                          R"({"intervalMinutes":1.5})", R"({"title":3})"})
    EXPECT_THROW(decodeValue<Reminder>(Json::parse(bad)), DecodeError) << bad;
  EXPECT_FALSE(decodeDocument<RemindersFile>(R"({"reminders":[{},{"kind":"nap"}]})"));

  const RemindersFile file{Reminder::defaults()};
  EXPECT_EQ(decodeDocument<RemindersFile>(*encodeDocument(file)), file);
  EXPECT_EQ(file.toJson()["reminders"][0].size(), 9u);
}

TEST(ReminderRecords, ScheduleSnapshotKeysAndRoundTrip) {
  const Date before = wholeSeconds(systemNow());
  const auto empty = decodeValue<ScheduleSnapshot>(Json::object());
  EXPECT_GE(empty.savedAt, before);
  EXPECT_TRUE(empty.runtime.empty());
  EXPECT_FALSE(empty.pausedUntil || empty.frozenSince || empty.pausedIndefinitely);

  ScheduleSnapshot s;
  s.savedAt = *parseISO8601("2026-03-29T01:00:00Z");
  s.runtime["not a uuid"] = {*parseISO8601("2026-03-29T02:00:00Z"), 3};
  const Json j = s.toJson();
  EXPECT_FALSE(j.contains("pausedUntil"));
  EXPECT_FALSE(j.contains("frozenSince"));
  EXPECT_EQ(decodeValue<ScheduleSnapshot>(j), s);
  s.pausedUntil = s.savedAt;
  s.frozenSince = s.savedAt;
  EXPECT_EQ(decodeValue<ScheduleSnapshot>(s.toJson()), s);
  // The wait a countdown was set for is optional: older files lack it.
  EXPECT_FALSE(s.toJson()["runtime"]["not a uuid"].contains("waitMinutes"));
  s.runtime["not a uuid"].waitMinutes = 25;
  EXPECT_EQ(s.toJson()["runtime"]["not a uuid"]["waitMinutes"], 25);
  EXPECT_EQ(decodeValue<ScheduleSnapshot>(s.toJson()), s);

  EXPECT_EQ(decodeValue<ReminderRuntime>(Json::parse(R"({"nextDue":"2026-01-01T00:00:00Z"})"))
                .ignoreCount,
            0);
  EXPECT_THROW(decodeValue<ScheduleSnapshot>(Json::parse(R"({"runtime":{"x":{}}})")), DecodeError);
}

}  // namespace
}  // namespace pimble
