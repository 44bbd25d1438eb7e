#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "models/activity_data.h"
#include "models/app_settings.h"
#include "models/duration_text.h"
#include "models/file_persistence.h"
#include "models/greeting_director.h"
#include "models/progress_tracker.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"

namespace pimble {
namespace {

namespace fs = std::filesystem;

const Calendar kBerlin = Calendar::named("Europe/Berlin").value();
const Date kNow = *parseISO8601("2026-10-25T00:30:00Z");

// Values an editor or a broken disk might leave where any field stands.
std::vector<Json> hostileValues() {
  return {Json(nullptr),
          Json("x"),
          Json(""),
          Json(1.5),
          Json(true),
          Json::array(),
          Json::object(),
          Json(-1),
          Json(0),
          Json(1e300),
          Json(-1e300),
          Json(INT64_MAX),
          Json(INT64_MIN),
          Json(UINT64_MAX),
          Json("9999-12-31T23:59:59Z"),
          Json("0001-01-01T00:00:00-23:59"),
          Json("AAAAAAAA-AAAA-AAAA-AAAA-AAAAAAAAAAAA")};
}

Json randomJson(std::mt19937_64& rng, int depth) {
  const int kind = std::uniform_int_distribution<int>(0, depth > 3 ? 4 : 6)(rng);
  switch (kind) {
    case 0:
      return nullptr;
    case 1:
      return std::uniform_int_distribution<int>(0, 1)(rng) == 1;
    case 2:
      return std::uniform_int_distribution<std::int64_t>(INT64_MIN, INT64_MAX)(rng);
    case 3:
      return std::uniform_real_distribution<double>(-1e6, 1e6)(rng);
    case 4:
      return std::string(std::uniform_int_distribution<size_t>(0, 3)(rng), 'w');
    case 5: {
      Json a = Json::array();
      for (int i = std::uniform_int_distribution<int>(0, 3)(rng); i > 0; --i)
        a.push_back(randomJson(rng, depth + 1));
      return a;
    }
    default: {
      static const char* keys[] = {"days",    "recent",   "runtime",   "reminders",  "apps", "kind",
                                   "nextDue", "bundleID", "intention", "quietHours", "done"};
      Json o = Json::object();
      for (int i = std::uniform_int_distribution<int>(0, 4)(rng); i > 0; --i)
        o[keys[std::uniform_int_distribution<size_t>(0, std::size(keys) - 1)(rng)]] =
            randomJson(rng, depth + 1);
      return o;
    }
  }
}

// Runs the rules that read a decoded document, so that hostile numbers in
// it meet the arithmetic they feed.
void exercise(const AppSettings& s) {
  (void)s.quietHours.endOfCurrentWindow(kNow, kBerlin);
  (void)s.modes.schedule.mode(kNow, kBerlin);
  (void)s.modes.schedule.nextBoundary(kNow, kBerlin);
  (void)kBerlin.nextDate(kNow, s.modes.bedtime.minutes / 60, s.modes.bedtime.minutes % 60);
  (void)DurationText::compact(s.idleThresholdMinutes);
}
void exercise(const ProgressData& d) {
  ProgressTracker t{d, kBerlin};
  for (const auto& [key, day] : d.days) (void)day.totalDone();
  t.record(ReminderAction::done, ReminderKind::water, kNow);
  t.prune(120, kNow);
}
void exercise(const ActivityData& a) {
  for (const auto& [key, day] : a.days) (void)DurationText::shortText(day.activeSeconds);
  if (a.intention) (void)DurationText::shortText(a.intention->dueAtSeconds);
}
void exercise(const ScheduleSnapshot& s) {
  for (const auto& [key, r] : s.runtime) (void)kBerlin.dayKey(r.nextDue);
}
void exercise(const RemindersFile&) {}
void exercise(const GreetingDirector::Memory& m) {
  GreetingDirector g{m};
  GreetingDirector::Context c;
  c.now = kNow;
  c.calendar = kBerlin;
  (void)g.line(GreetingMoment::launch(), c, [] { return 0.5; });
}

template <class T>
void fuzzDocument(const T& good, const char* name) {
  std::string t = (fs::temp_directory_path() / "pimble-fuzz-XXXXXX").string();
  const fs::path dir = ::mkdtemp(t.data());
  FilePersistence store(dir);
  store.save(good, name);
  store.save(good, name);  // a good backup beside the primary
  const auto expected = store.load<T>(name);
  ASSERT_TRUE(expected) << name;
  const std::string text = *encodeDocument(good);
  const Json tree = good.toJson();

  std::vector<std::string> variants;
  for (size_t cut = 0; cut < text.size(); cut += 1 + text.size() / 97)
    variants.push_back(text.substr(0, cut));
  const Json flat = tree.flatten();
  for (const auto& [pointer, leaf] : flat.items()) {
    for (const auto& bad : hostileValues()) {
      Json copy = tree;
      copy[Json::json_pointer(pointer)] = bad;
      variants.push_back(copy.dump());
    }
  }
  std::mt19937_64 rng(42);
  for (int i = 0; i < 200; ++i) variants.push_back(randomJson(rng, 0).dump());
  variants.push_back(std::string("\xff\xfe\x00{", 4));

  const fs::path primary = dir / (std::string(name) + ".json");
  for (const auto& v : variants) {
    // A fresh file each time: rewriting through truncation makes some file
    // systems flush on every close.
    fs::remove(primary);
    std::ofstream(primary, std::ios::binary) << v;
    const auto loaded = store.load<T>(name);
    ASSERT_TRUE(loaded) << v;  // the good backup stays reachable
    const auto direct = decodeDocument<T>(v);
    if (direct) {
      exercise(*direct);
      (void)encodeDocument(*direct);
    } else {
      EXPECT_TRUE(*loaded == *expected) << v;
    }
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

TEST(DocumentFuzz, EveryDocumentSurvivesTruncatedMistypedAndRandomInput) {
  AppSettings settings;
  settings.position = CompanionPosition{1, 2, 3u, 2};
  settings.awareness.apps.push_back(
      {"tv.example", "TV", AppCategory::video, true, true, 30, 60, std::nullopt});
  settings.modes.overrideUntil = kNow;
  fuzzDocument(settings, "settings");

  fuzzDocument(RemindersFile{Reminder::defaults()}, "reminders");

  ProgressData progress;
  progress.days["2026-10-25"].done["water"] = 2;
  progress.days["2026-10-25"].skipped["walk"] = 1;
  fuzzDocument(progress, "progress");

  ScheduleSnapshot schedule;
  schedule.savedAt = kNow;
  schedule.runtime[Uuid::generate().string()] = {kNow, 2};
  schedule.pausedUntil = kNow;
  fuzzDocument(schedule, "schedule");

  ActivityData activity;
  activity.days["2026-10-25"].apps["tv.example"] = 30;
  AppSession session;
  session.bundleID = "tv.example";
  session.startedAt = session.lastCountedAt = kNow;
  session.returnTo = ReturnTarget{"a", "A"};
  session.nextCheckInAtSeconds = 600;
  activity.sessions["tv.example"] = session;
  activity.mutedOn["tv.example"] = "2026-10-25";
  Intention intention;
  intention.bundleID = "tv.example";
  intention.startedAt = kNow;
  activity.intention = intention;
  activity.askedAt["tv.example"] = kNow;
  activity.bedtimeHandled = kNow;
  fuzzDocument(activity, "activity");

  fuzzDocument(GreetingDirector::Memory{kNow, 20261025, {"Good evening"}}, "greetings");
}

}  // namespace
}  // namespace pimble
