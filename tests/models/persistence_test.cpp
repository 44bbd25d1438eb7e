#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "models/activity_data.h"
#include "models/app_settings.h"
#include "models/day_usage.h"
#include "models/file_persistence.h"
#include "models/memory_persistence.h"
#include "models/schedule_snapshot.h"
#include "support/sample_documents.h"

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

// The lines a store tells, kept instead of reaching standard error.
struct Told {
  std::vector<std::string> lines;
  FilePersistence::Report sink() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
};

std::string cannotSave(const std::string& file, const fs::path& dir, int error) {
  return "PimbleGlimmet: could not save " + file + " in " + dir.string() + ": " +
         std::strerror(error);
}

TEST(FilePersistence, SavesPrettySortedPrivateFilesWithOneBackup) {
  TempDir tmp;
  const fs::path dir = tmp.path() / "a" / "PimbleGlimmet";
  Told told;
  FilePersistence store(dir, told.sink());
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
  EXPECT_EQ(told.lines, std::vector<std::string>{});  // a new folder, no failure
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

// Nothing raises, but the user can learn why changes are not kept: once for
// the folder, once per document and reason.
TEST(FilePersistence, UnusableDirectoryFailsWithoutRaisingAndSaysWhy) {
  TempDir tmp;
  put(tmp.path() / "plain-file", "x");
  // A directory that cannot be created (its parent is a file) even for root.
  const fs::path dir = tmp.path() / "plain-file" / "dir";
  Told told;
  FilePersistence nowhere(dir, told.sink());
  ASSERT_EQ(told.lines,
            std::vector<std::string>{"PimbleGlimmet: cannot create the data folder " +
                                     dir.string() + " (Not a directory); nothing will be saved"});
  DayUsage changed;
  changed.checkIns = 3;
  nowhere.save(changed, "activity");
  nowhere.save(changed, "activity");
  nowhere.save(AppSettings{}, "settings");
  EXPECT_FALSE(nowhere.load<DayUsage>("activity"));
  EXPECT_EQ(slurp(tmp.path() / "plain-file"), "x");
  EXPECT_EQ(told.lines,
            (std::vector<std::string>{told.lines.front(), cannotSave("activity.json", dir, ENOTDIR),
                                      cannotSave("settings.json", dir, ENOTDIR)}));
  // A save that lands is quiet, and the same failure after it is told again.
  fs::remove(tmp.path() / "plain-file");
  fs::create_directories(dir);
  nowhere.save(changed, "activity");
  EXPECT_EQ(nowhere.load<DayUsage>("activity"), changed);
  fs::remove_all(tmp.path() / "plain-file");
  put(tmp.path() / "plain-file", "x");
  nowhere.save(changed, "activity");
  nowhere.save(AppSettings{}, "settings");
  ASSERT_EQ(told.lines.size(), 4u);
  EXPECT_EQ(told.lines.back(), cannotSave("activity.json", dir, ENOTDIR));
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

std::vector<std::string> entriesIn(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

bool holdsTemporaryFile(const fs::path& dir) {
  for (const auto& name : entriesIn(dir))
    if (name.find(".tmp-") != std::string::npos) return true;
  return false;
}

TEST(FilePersistence, ASaveRemovesTheDocumentsStaleTemporaryFiles) {
  TempDir tmp;
  const fs::path dir = tmp.path();
  FilePersistence store(dir);
  store.save(DayUsage{}, "activity");
  // What a writer killed mid-save leaves: its temporaries for the primary
  // and for the backup.
  put(dir / "activity.json.tmp-Ab12Cd", std::string(4096, 'x'));
  put(dir / "activity.json.backup.tmp-zz9ZZ9", "{");
  // Look-alikes that are not, or not this document's: they stay.
  const std::vector<std::string> others = {
      "activity.json.tmp-Ab12C",  "activity.json.tmp-Ab12Cd.keep", "activity.json.tmp-Ab_2Cd",
      "settings.json.tmp-Ab12Cd", "xactivity.json.tmp-Ab12Cd",     "activity.json.unreadable"};
  for (const auto& name : others) put(dir / name, "mine");
  fs::create_directory(dir / "activity.json.tmp-Dir123");
  put(tmp.path() / "outside", "keep");
  fs::create_symlink(tmp.path() / "outside", dir / "activity.json.tmp-Link12");

  DayUsage usage;
  usage.checkIns = 4;
  store.save(usage, "activity");
  EXPECT_EQ(store.load<DayUsage>("activity"), usage);
  auto expected = others;
  expected.insert(expected.end(),
                  {"activity.json", "activity.json.backup", "activity.json.tmp-Dir123",
                   "activity.json.tmp-Link12", "outside"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(entriesIn(dir), expected);
  EXPECT_EQ(slurp(tmp.path() / "outside"), "keep");
}

// A primary that cannot be moved to its aside name (a directory there, or a
// directory in its own place) still gives way: no save is lost while the
// directory can be written.
TEST(FilePersistence, ABlockedAsideNameNeverLosesASave) {
  TempDir tmp;
  const fs::path dir = tmp.path();
  Told told;
  FilePersistence store(dir, told.sink());
  const auto usage = [](std::int64_t checkIns) {
    DayUsage u;
    u.checkIns = checkIns;
    return u;
  };
  store.save(usage(1), "activity");
  store.save(usage(1), "activity");  // the backup holds 1
  // Saves a new generation over a primary replaced by `blocker`.
  const auto saveOver = [&](const std::function<void()>& blocker, std::int64_t n) {
    fs::remove(dir / "activity.json");
    blocker();
    store.save(usage(n), "activity");
    EXPECT_EQ(store.load<DayUsage>("activity"), usage(n));
  };
  const auto directoryWith = [&](const char* child) {
    return [&dir, child] { fs::create_directories(dir / "activity.json" / child); };
  };

  fs::create_directories(dir / "activity.json.unreadable" / "b");
  saveOver(directoryWith("a"), 2);
  EXPECT_TRUE(fs::is_directory(dir / "activity.json.unreadable.1" / "a"));
  EXPECT_TRUE(fs::is_directory(dir / "activity.json.unreadable" / "b"));
  saveOver(directoryWith("c"), 3);
  EXPECT_TRUE(fs::is_directory(dir / "activity.json.unreadable.2" / "c"));
  // A bad file meeting a directory at the aside name.
  saveOver([&] { put(dir / "activity.json", "{ broken"); }, 4);
  EXPECT_EQ(slurp(dir / "activity.json.unreadable.3"), "{ broken");
  // Only a primary that decoded ever became the backup.
  EXPECT_EQ(decodeDocument<DayUsage>(slurp(dir / "activity.json.backup")), usage(1));
  // Every save landed: nothing to tell.
  EXPECT_EQ(told.lines, std::vector<std::string>{});
}

// The data folder read-only, in a way that stops root too (a read-only bind
// mount in a mount namespace of a child's own) or, for other users, by its
// permission bits: the folder and each document are told once, and nothing
// stored is touched, not even a document that is a directory, which a
// writable folder would have moved aside.
TEST(FilePersistence, AReadOnlyFolderIsToldAndLosesNothing) {
  TempDir tmp;
  const fs::path dir = tmp.path();
  FilePersistence(dir).save(AppSettings{}, "settings");
  FilePersistence(dir).save(AppSettings{}, "settings");
  fs::create_directory(dir / "activity.json");
  const std::string stored = slurp(dir / "settings.json");
  const auto entries = entriesIn(dir);
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {  // sends the errno writes meet (or why none), then what is told
    const auto send = [fd = out[1]](const std::string& line) {
      [[maybe_unused]] const auto n = ::write(fd, (line + "\n").data(), line.size() + 1);
    };
    const char* d = dir.c_str();
    int refused = EROFS;
    if (::geteuid() != 0)
      refused = ::chmod(d, 0500) == 0 ? EACCES : 0;
    else if (::unshare(CLONE_NEWNS) != 0 ||
             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
             ::mount(d, d, nullptr, MS_BIND, nullptr) != 0 ||
             ::mount(nullptr, d, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
      refused = 0;
    send(refused ? std::to_string(refused)
                 : "root without a mount of its own: " + std::string(std::strerror(errno)));
    if (!refused) ::_exit(77);
    FilePersistence store(dir, send);
    AppSettings changed;
    changed.petting = false;
    store.save(changed, "settings");
    store.save(changed, "settings");
    store.save(DayUsage{}, "activity");
    ::_exit(0);
  }
  ::close(out[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_TRUE(WIFEXITED(status) && !lines.empty()) << status;
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no read-only folder here: " << lines[0];
  const int refused = std::stoi(lines[0]);
  EXPECT_EQ(lines, (std::vector<std::string>{lines[0],
                                             "PimbleGlimmet: cannot write in the data folder " +
                                                 dir.string() + " (" + std::strerror(refused) +
                                                 "); nothing will be saved",
                                             cannotSave("settings.json", dir, refused),
                                             cannotSave("activity.json", dir, refused)}));
  EXPECT_EQ(slurp(dir / "settings.json"), stored);
  EXPECT_EQ(entriesIn(dir), entries);  // the backup, the directory, no leftovers
}

// The largest activity document the program writes (120 days of 100
// watched applications, with their sessions, mutes and intention questions)
// fits the document bounds with room to spare.
TEST(FilePersistence, TheLargestActivityDocumentFitsWithRoom) {
  const ActivityData a = samples::largestActivity();
  const auto text = encodeDocument(a);
  ASSERT_TRUE(text);
  EXPECT_LT(text->size() * 4, maxDocumentBytes) << text->size();
  std::size_t values = 0;
  const Json tree = a.toJson();
  std::vector<const Json*> pending{&tree};
  while (!pending.empty()) {
    const Json* j = pending.back();
    pending.pop_back();
    ++values;
    if (j->is_structured())
      for (const auto& child : *j) pending.push_back(&child);
  }
  EXPECT_LT(values * 5, maxDocumentValues) << values;

  TempDir tmp;
  FilePersistence store(tmp.path());
  store.save(a, "activity");
  EXPECT_EQ(store.load<ActivityData>("activity"), a);

  // One beyond the bounds is never written: the stored one stays readable.
  ActivityData huge = a;
  for (int i = 0; i < 200; ++i) huge.mutedOn[std::string(30000, 'a') + std::to_string(i)] = "x";
  store.save(huge, "activity");
  EXPECT_EQ(store.load<ActivityData>("activity"), a);
}

// A writer killed at any moment of its saves never leaves a document that
// cannot be read, and the next save clears whatever temporary files the
// kills left.
TEST(FilePersistence, KilledWritersLeaveNoTemporaryFileAfterTheNextSave) {
  TempDir tmp;
  const fs::path dir = tmp.path();
  ActivityData a;
  for (int d = 0; d < 60; ++d)
    for (int i = 0; i < 40; ++i)
      a.days["2026-01-" + std::to_string(10 + d)].apps["org.example.app" + std::to_string(i)] = 1.5;
  // Kills land anywhere within the first few saves, however long one takes
  // on this build.
  const auto started = std::chrono::steady_clock::now();
  FilePersistence(dir).save(a, "activity");
  FilePersistence(dir).save(a, "activity");
  const auto oneSave = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - started) /
                       2;
  std::mt19937 rng(7);
  std::uniform_int_distribution<long> delay(100, std::max(500L, 3 * oneSave.count()));
  int leftBehind = 0;
  for (int round = 0; round < 60; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FilePersistence store(dir);
      for (int n = 0;; ++n) {
        a.days["2026-01-10"].checkIns = n;
        store.save(a, "activity");
      }
    }
    ::usleep(static_cast<useconds_t>(delay(rng)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (holdsTemporaryFile(dir)) ++leftBehind;
    EXPECT_TRUE(FilePersistence(dir).load<ActivityData>("activity")) << "round " << round;
  }
  FilePersistence store(dir);
  const auto before = store.load<ActivityData>("activity");
  ASSERT_TRUE(before);
  store.save(*before, "activity");
  EXPECT_FALSE(holdsTemporaryFile(dir)) << "after " << leftBehind << " kills left some";
  EXPECT_EQ(store.load<ActivityData>("activity"), before);
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
