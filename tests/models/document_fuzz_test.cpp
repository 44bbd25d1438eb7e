#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "models/activity_data.h"
#include "models/app_settings.h"
#include "models/duration_text.h"
#include "models/file_persistence.h"
#include "models/greeting_director.h"
#include "models/progress_tracker.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"
#include "support/sample_documents.h"

namespace pimble {
namespace {

namespace fs = std::filesystem;

const Calendar kBerlin = Calendar::named("Europe/Berlin").value();
const Date kNow = *parseISO8601("2026-10-25T00:30:00Z");

// Values an editor or a broken disk might leave where any field stands.
const Json kHostile = Json::parse(R"([null, "x", "", 1.5, true, [], {}, -1, 0, 1e300, -1e300,
  9223372036854775807, -9223372036854775808, 18446744073709551615, "9999-12-31T23:59:59Z",
  "0001-01-01T00:00:00-23:59", "AAAAAAAA-AAAA-AAAA-AAAA-AAAAAAAAAAAA", {"days": [1]}])");

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
  ASSERT_EQ(expected, good) << name;  // what is saved loads back equal
  const std::string text = *encodeDocument(good);
  const Json tree = good.toJson();

  std::vector<std::string> variants;
  for (size_t cut = 0; cut < text.size(); cut += 1 + text.size() / 97)
    variants.push_back(text.substr(0, cut));
  const Json flat = tree.flatten();
  for (const auto& [pointer, leaf] : flat.items()) {
    for (const auto& bad : kHostile) {
      Json copy = tree;
      copy[Json::json_pointer(pointer)] = bad;
      variants.push_back(copy.dump());
    }
  }
  // Random documents: several hostile values at random places, then a few
  // random bytes overwritten.
  std::mt19937_64 rng(42);
  const auto pick = [&rng](size_t n) {
    return std::uniform_int_distribution<size_t>(0, n - 1)(rng);
  };
  std::vector<std::string> pointers;
  for (const auto& [pointer, leaf] : flat.items()) pointers.push_back(pointer);
  for (int i = 0; i < 300; ++i) {
    Json copy = tree;
    try {
      for (int k = 0; k < 3; ++k)
        copy[Json::json_pointer(pointers[pick(pointers.size())])] = kHostile[pick(kHostile.size())];
    } catch (const Json::exception&) {  // a path cut off by an earlier replacement
    }
    std::string bytes = copy.dump();
    for (int k = i % 3; k > 0; --k) bytes[pick(bytes.size())] = static_cast<char>(pick(256));
    variants.push_back(bytes);
  }
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

template <class T>
T sample(const char* json) {
  return decodeValue<T>(Json::parse(json));
}

TEST(DocumentFuzz, EveryDocumentSurvivesTruncatedMistypedAndRandomInput) {
  fuzzDocument(sample<AppSettings>(R"({"position": {"originX": 1, "originY": 2, "displayID": 3},
      "awareness": {"apps": [{"bundleID": "tv", "workMinutes": 30}],
                    "keepGoingCooldownMinutes": null},
      "quietHours": {"startMinutes": -5}, "modes": {"overrideUntil": "2026-10-25T00:30:00Z", "schedule": {"workDays": [1, 99]}},
      "onboardingCompleted": false})"),
               "settings");
  fuzzDocument(RemindersFile{Reminder::defaults()}, "reminders");
  fuzzDocument(sample<ProgressData>(R"({"days": {"2026-10-25": {"done": {"water": 2}}}})"),
               "progress");
  fuzzDocument(sample<ScheduleSnapshot>(R"({"savedAt": "2026-10-25T00:30:00Z",
      "runtime": {"x": {"nextDue": "2026-10-25T01:30:00Z", "ignoreCount": 2}},
      "pausedUntil": "2026-10-25T02:00:00Z"})"),
               "schedule");
  fuzzDocument(sample<ActivityData>(R"({"days": {"2026-10-25": {"apps": {"tv": 30}}},
      "sessions": {"tv": {"bundleID": "tv", "startedAt": "2026-10-25T00:00:00Z",
                          "returnTo": {"bundleID": "a", "name": "A"}, "nextCheckInAtSeconds": 600}},
      "mutedOn": {"tv": "2026-10-25"}, "bedtimeHandled": "2026-10-24T21:00:00Z",
      "intention": {"bundleID": "tv", "startedAt": "2026-10-25T00:00:00Z", "minutes": 20},
      "askedAt": {"tv": "2026-10-25T00:00:00Z"}})"),
               "activity");
  fuzzDocument(sample<GreetingDirector::Memory>(
                   R"({"lastShownAt": "2026-10-25T00:30:00Z", "lastGreetingDay": 20261025,
                       "recent": ["Good evening"]})"),
               "greetings");
}

// ---- hostile structures: refused while they are read, cheaply ----

using samples::goodActivity;
using samples::hostileActivityCases;

class HostileDocuments : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string t = (fs::temp_directory_path() / "pimble-hostile-XXXXXX").string();
    dir_ = ::mkdtemp(t.data());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void clear() {
    for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
  }
  fs::path dir_;
};

TEST_F(HostileDocuments, AreRefusedAndMovedAsideWhileTheBackupAnswers) {
  for (const auto& c : hostileActivityCases()) {
    SCOPED_TRACE(c.label);
    clear();
    c.plant(dir_);
    const auto hostileSize = fs::file_size(dir_ / "activity.json");
    FilePersistence store(dir_);
    const auto loaded = store.load<ActivityData>("activity");
    if (c.backupAnswers)
      EXPECT_EQ(loaded, goodActivity());
    else
      EXPECT_FALSE(loaded);

    // The next save treats it as undecodable: kept aside, never the backup.
    ActivityData next;
    next.days["2026-10-26"].checkIns = 1;
    store.save(next, "activity");
    EXPECT_EQ(store.load<ActivityData>("activity"), next);
    EXPECT_EQ(fs::file_size(dir_ / "activity.json.unreadable"), hostileSize);
  }
}

// Peak memory is measured in a child process, which starts from this test's
// small footprint; the time each refusal takes is measured in
// bench/document_store_bench.cpp.
TEST_F(HostileDocuments, CostLittleMemoryToRefuse) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's shadow memory hides the process's own peak";
#endif
  constexpr long limitKiB = 64 * 1024;
  for (const auto& c : hostileActivityCases()) {
    SCOPED_TRACE(c.label);
    clear();
    c.plant(dir_);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      FilePersistence store(dir_);
      const bool loaded = store.load<ActivityData>("activity").has_value();
      rusage usage{};
      ::getrusage(RUSAGE_SELF, &usage);
      const long figures[2] = {loaded ? 1L : 0L, usage.ru_maxrss};
      [[maybe_unused]] auto n = ::write(pipeFds[1], figures, sizeof figures);
      ::_exit(0);
    }
    ::close(pipeFds[1]);
    long figures[2] = {-1, -1};
    ASSERT_EQ(::read(pipeFds[0], figures, sizeof figures), static_cast<ssize_t>(sizeof figures));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(figures[0], c.backupAnswers ? 1 : 0);
    EXPECT_LT(figures[1], limitKiB) << "peak resident KiB";
  }
}

}  // namespace
}  // namespace pimble
