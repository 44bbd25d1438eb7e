#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "models/app_settings.h"
#include "models/day_usage.h"
#include "models/file_persistence.h"
#include "models/memory_persistence.h"
#include "models/schedule_snapshot.h"

namespace pimble {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string t = (fs::temp_directory_path() / "pimble-test-XXXXXX").string();
    path_ = ::mkdtemp(t.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void put(const fs::path& p, const std::string& text) {
  std::ofstream(p) << text;
}

unsigned mode(const fs::path& p) {
  struct stat st {};
  ::lstat(p.c_str(), &st);
  return st.st_mode & 0777;
}

// Restores an environment variable when the test ends.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(FilePersistence, SavesPrettySortedPrivateFilesWithOneBackup) {
  TempDir tmp;
  const fs::path dir = tmp.path() / "a" / "PimbleGlimmet";
  FilePersistence store(dir);
  EXPECT_EQ(mode(dir), 0700u);
  EXPECT_FALSE(store.load<AppSettings>("settings"));

  AppSettings first;
  store.save(first, "settings");
  const std::string firstText = slurp(dir / "settings.json");
  EXPECT_EQ(firstText.rfind("{\n  \"alwaysOnTop\": true,\n  \"animationIntensity\"", 0), 0u);
  EXPECT_FALSE(fs::exists(dir / "settings.json.backup"));
  EXPECT_EQ(mode(dir / "settings.json"), 0600u);
  EXPECT_EQ(store.load<AppSettings>("settings"), first);

  AppSettings second;
  second.capeColor = CapeColor::gold;
  store.save(second, "settings");
  EXPECT_EQ(slurp(dir / "settings.json.backup"), firstText);
  EXPECT_EQ(mode(dir / "settings.json.backup"), 0600u);
  EXPECT_EQ(store.load<AppSettings>("settings")->capeColor, CapeColor::gold);
  for (const auto& entry : fs::directory_iterator(dir))  // no temporary files left behind
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);

  // A good primary hides a corrupt backup.
  put(dir / "settings.json.backup", "{ nope");
  EXPECT_EQ(store.load<AppSettings>("settings")->capeColor, CapeColor::gold);
}

TEST(FilePersistence, CorruptPrimaryNeverReplacesTheGoodBackup) {
  TempDir tmp;
  FilePersistence store(tmp.path());
  AppSettings good;
  good.petting = false;
  store.save(AppSettings{}, "settings");
  store.save(good, "settings");  // backup: defaults, primary: good
  store.save(good, "settings");  // backup: good
  const std::string goodText = slurp(tmp.path() / "settings.json.backup");

  put(tmp.path() / "settings.json", R"({"companionSize":"enormous"})");
  EXPECT_EQ(store.load<AppSettings>("settings"), good);  // falls back to the backup
  AppSettings next = good;
  next.surprises = false;
  store.save(next, "settings");
  EXPECT_EQ(slurp(tmp.path() / "settings.json.backup"), goodText);
  EXPECT_EQ(slurp(tmp.path() / "settings.json.unreadable"), R"({"companionSize":"enormous"})");
  EXPECT_EQ(store.load<AppSettings>("settings"), next);
  // Both copies bad: nothing.
  put(tmp.path() / "settings.json.backup", "[]");
  put(tmp.path() / "settings.json", "");
  EXPECT_FALSE(store.load<AppSettings>("settings"));
}

TEST(FilePersistence, FailedEncodeAndHostileFilesChangeNothing) {
  TempDir tmp;
  FilePersistence store(tmp.path());
  DayUsage usage;
  usage.activeSeconds = 12;
  store.save(usage, "activity");
  const std::string before = slurp(tmp.path() / "activity.json");
  usage.activeSeconds = std::nan("");
  store.save(usage, "activity");
  EXPECT_EQ(slurp(tmp.path() / "activity.json"), before);
  EXPECT_FALSE(fs::exists(tmp.path() / "activity.json.backup"));
  EXPECT_EQ(store.load<DayUsage>("activity")->activeSeconds, 12);

  // A symbolic link in place of a document is neither read nor written through.
  const fs::path outside = tmp.path() / "outside.json";
  put(outside, R"({"activeSeconds":99})");
  fs::create_symlink(outside, tmp.path() / "linked.json");
  EXPECT_FALSE(store.load<DayUsage>("linked"));
  store.save(usage = DayUsage{}, "linked");
  EXPECT_EQ(slurp(outside), R"({"activeSeconds":99})");
  EXPECT_TRUE(fs::is_symlink(tmp.path() / "linked.json.unreadable"));
  EXPECT_EQ(store.load<DayUsage>("linked"), DayUsage{});

  // A FIFO does not block the load; names cannot leave the directory.
  ASSERT_EQ(::mkfifo((tmp.path() / "fifo.json").c_str(), 0600), 0);
  EXPECT_FALSE(store.load<DayUsage>("fifo"));
  store.save(DayUsage{}, "../escape");
  EXPECT_FALSE(fs::exists(tmp.path().parent_path() / "escape.json"));
  EXPECT_FALSE(store.load<DayUsage>(""));

  // Dates lose their fraction on the way through the file.
  ScheduleSnapshot snap;
  snap.savedAt = *parseISO8601("2026-03-29T01:00:00.75Z");
  store.save(snap, "schedule");
  EXPECT_EQ(store.load<ScheduleSnapshot>("schedule")->savedAt,
            *parseISO8601("2026-03-29T01:00:00Z"));
}

TEST(FilePersistence, UnusableDirectoryFailsSilently) {
  TempDir tmp;
  put(tmp.path() / "plain-file", "x");
  // A directory that cannot be created (its parent is a file) even for root.
  FilePersistence nowhere(tmp.path() / "plain-file" / "dir");
  DayUsage changed;
  changed.checkIns = 3;
  nowhere.save(changed, "activity");
  EXPECT_FALSE(nowhere.load<DayUsage>("activity"));
  EXPECT_EQ(slurp(tmp.path() / "plain-file"), "x");
}

TEST(FilePersistence, DefaultDirectoryChoice) {
  ScopedEnv xdg("XDG_DATA_HOME", "/data/home");
  {
    ScopedEnv data("PIMBLE_DATA_DIR", "");
    EXPECT_EQ(FilePersistence::defaultDirectory(), fs::path("/data/home/PimbleGlimmet"));
  }
  {
    ScopedEnv data("PIMBLE_DATA_DIR", "/srv/pimble");
    EXPECT_EQ(FilePersistence::defaultDirectory(), fs::path("/srv/pimble"));
  }
  {
    ScopedEnv data("PIMBLE_DATA_DIR", "rel/dir");
    EXPECT_EQ(FilePersistence::defaultDirectory(), fs::current_path() / "rel/dir");
  }
  ScopedEnv data("PIMBLE_DATA_DIR", nullptr);
  ScopedEnv home("HOME", "/home/someone");
  ScopedEnv relative("XDG_DATA_HOME", "relative/data");
  EXPECT_EQ(FilePersistence::defaultDirectory(),
            fs::path("/home/someone/.local/share/PimbleGlimmet"));
}

TEST(FilePersistence, PerUserFallbackChecksOwnership) {
  TempDir tmp;
  const auto mine = tmp.path() / ("pimble-" + std::to_string(::getuid()));
  EXPECT_EQ(FilePersistence::perUserFallbackDirectory(tmp.path()), mine / "PimbleGlimmet");
  EXPECT_EQ(mode(mine), 0700u);
  EXPECT_EQ(FilePersistence::perUserFallbackDirectory(tmp.path()), mine / "PimbleGlimmet");

  // Open to others, or a link planted in its place: a fresh folder instead.
  fs::permissions(mine, fs::perms::all);
  const auto other = FilePersistence::perUserFallbackDirectory(tmp.path());
  EXPECT_NE(other, mine / "PimbleGlimmet");
  EXPECT_EQ(mode(other.parent_path()), 0700u);
  fs::remove(mine);
  fs::create_directory_symlink(other.parent_path(), mine);
  EXPECT_NE(FilePersistence::perUserFallbackDirectory(tmp.path()), mine / "PimbleGlimmet");
}

TEST(MemoryPersistence, KeepsCompactEntriesAndThePreviousOneOnFailure) {
  MemoryPersistence store;
  Persisting& shared = store;
  EXPECT_FALSE(shared.load<DayUsage>("activity"));
  DayUsage usage;
  usage.checkIns = 2;
  shared.save(usage, "activity");
  EXPECT_EQ(shared.load<DayUsage>("activity"), usage);
  DayUsage broken;
  broken.activeSeconds = INFINITY;
  shared.save(broken, "activity");
  EXPECT_EQ(shared.load<DayUsage>("activity"), usage);
  EXPECT_FALSE(shared.load<AppSettings>("settings"));
}

}  // namespace
}  // namespace pimble
