// The cost of the document store on the main thread: every save writes a
// private temporary file, flushes it to disk and renames it, after reading
// and checking the previous primary; every load reads and decodes the file.
// The activity document holds 120 days of 30 watched applications; the
// largest one 120 days of 100.
//
// Hostile documents (a damaged or planted file) must be refused within
// 0.2 s and 64 MB of peak memory: BM_LoadHostile times each refusal, its
// counter peak_MiB is the peak resident size of a fresh child process doing
// one such load.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "models/activity_data.h"
#include "models/app_settings.h"
#include "models/calendar.h"
#include "models/file_persistence.h"

namespace pimble {
namespace {

namespace fs = std::filesystem;

fs::path tempDir() {
  std::string t = (fs::temp_directory_path() / "pimble-bench-XXXXXX").string();
  return ::mkdtemp(t.data());
}

ActivityData bigActivity() {
  const Calendar calendar = *Calendar::named("Europe/Berlin");
  const Date start = *calendar.dateFrom(2026, 1, 1, 12, 0);
  ActivityData a;
  for (int d = 0; d < 120; ++d) {
    DayUsage& day = a.days[calendar.dayKey(calendar.addingDays(start, d))];
    day.activeSeconds = 20000;
    for (int i = 0; i < 30; ++i) day.apps["org.example.app" + std::to_string(i)] = 600.5;
  }
  return a;
}

ActivityData largestActivity() {
  const Calendar calendar = *Calendar::named("Europe/Berlin");
  const Date start = *calendar.dateFrom(2026, 1, 1, 12, 0);
  const auto id = [](int i) {
    return "io.github.someone.AnApplicationName" + std::to_string(1000 + i);
  };
  ActivityData a;
  for (int d = 0; d < 120; ++d) {
    DayUsage& day = a.days[calendar.dayKey(calendar.addingDays(start, d))];
    day.activeSeconds = 28123.123456789;
    for (int i = 0; i < 100; ++i) day.apps[id(i)] = 3600.123456789 + i;
  }
  for (int i = 0; i < 100; ++i) {
    AppSession s;
    s.bundleID = id(i);
    s.startedAt = s.lastCountedAt = start;
    s.returnTo = ReturnTarget{id(i + 100), "An Application Name With Words"};
    a.sessions[id(i)] = s;
    a.mutedOn[id(i)] = "2026-04-30";
    a.askedAt[id(i)] = start;
  }
  return a;
}

template <class T>
void saveDocument(benchmark::State& state, const T& value, const char* name) {
  const fs::path dir = tempDir();
  FilePersistence store(dir);
  for (auto _ : state) store.save(value, name);
  fs::remove_all(dir);
}

template <class T>
void loadDocument(benchmark::State& state, const T& value, const char* name) {
  const fs::path dir = tempDir();
  FilePersistence store(dir);
  store.save(value, name);
  for (auto _ : state) benchmark::DoNotOptimize(store.load<T>(name));
  fs::remove_all(dir);
}

void BM_SaveSettings(benchmark::State& state) {
  saveDocument(state, AppSettings{}, "settings");
}
void BM_LoadSettings(benchmark::State& state) {
  loadDocument(state, AppSettings{}, "settings");
}
void BM_SaveActivity120Days(benchmark::State& state) {
  saveDocument(state, bigActivity(), "activity");
}
void BM_LoadActivity120Days(benchmark::State& state) {
  loadDocument(state, bigActivity(), "activity");
}
void BM_LoadLargestActivity(benchmark::State& state) {
  const auto a = largestActivity();
  state.counters["bytes"] = static_cast<double>(encodeDocument(a)->size());
  loadDocument(state, a, "activity");
}

// The bounded parse against nlohmann's own, on the largest document.
void BM_ParseLargestActivity(benchmark::State& state) {
  const std::string text = *encodeDocument(largestActivity());
  for (auto _ : state) benchmark::DoNotOptimize(parseDocument(text));
}
void BM_ParseLargestActivityUnbounded(benchmark::State& state) {
  const std::string text = *encodeDocument(largestActivity());
  for (auto _ : state) benchmark::DoNotOptimize(Json::parse(text, nullptr, false));
}

// `head`, `unit` repeated to about `bytes`, `tail`.
void writeRepeated(const fs::path& p, const std::string& head, const std::string& unit,
                   std::size_t bytes, const std::string& tail) {
  std::ofstream out(p, std::ios::binary);
  out << head;
  std::string chunk;
  while (chunk.size() < 65536) chunk += unit;
  for (std::size_t written = 0; written < bytes; written += chunk.size()) out << chunk;
  out << tail;
}

// Peak resident KiB of a fresh child that does one load.
long childPeakKiB(const fs::path& dir) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    FilePersistence store(dir);
    benchmark::DoNotOptimize(store.load<ActivityData>("activity"));
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    [[maybe_unused]] auto n = ::write(fds[1], &usage.ru_maxrss, sizeof usage.ru_maxrss);
    ::_exit(0);
  }
  ::close(fds[1]);
  long kib = -1;
  if (::read(fds[0], &kib, sizeof kib) != static_cast<ssize_t>(sizeof kib)) kib = -1;
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return kib;
}

void BM_LoadHostile(benchmark::State& state) {
  constexpr std::size_t sixtyMB = 60'000'000;
  constexpr std::size_t nearBound = maxDocumentBytes - 65536;
  const fs::path dir = tempDir();
  const auto primary = dir / "activity.json";
  const auto backup = dir / "activity.json.backup";
  switch (state.range(0)) {
    case 0:
      state.SetLabel("60 MB of [, backup 60 MB of zeros");
      writeRepeated(primary, "", "[", sixtyMB, "");
      writeRepeated(backup, "[0", ",0", sixtyMB, "]");
      break;
    case 1:
      state.SetLabel("60 MB array of zeros, both");
      writeRepeated(primary, "[0", ",0", sixtyMB, "]");
      writeRepeated(backup, "[0", ",0", sixtyMB, "]");
      break;
    case 2:
      state.SetLabel("4 MiB of [, both");
      writeRepeated(primary, "", "[", nearBound, "");
      writeRepeated(backup, "", "[", nearBound, "");
      break;
    case 3:
      state.SetLabel("4 MiB array of zeros, both");
      writeRepeated(primary, "[0", ",0", nearBound, "]");
      writeRepeated(backup, "[0", ",0", nearBound, "]");
      break;
    case 4: {
      state.SetLabel("4 MiB object of empty arrays, both");
      std::ofstream out(primary, std::ios::binary);
      out << "{";
      for (std::size_t i = 0, n = 0; n < nearBound; ++i) {
        const std::string entry = (i ? ",\"" : "\"") + std::to_string(i) + "\":[]";
        out << entry;
        n += entry.size();
      }
      out << "}";
      out.close();
      fs::copy_file(primary, backup);
      break;
    }
  }
  FilePersistence store(dir);
  for (auto _ : state) benchmark::DoNotOptimize(store.load<ActivityData>("activity"));
  state.counters["peak_MiB"] = static_cast<double>(childPeakKiB(dir)) / 1024.0;
  fs::remove_all(dir);
}

void BM_CalendarNextDate(benchmark::State& state) {
  const Calendar calendar = *Calendar::named("Europe/Berlin");
  Date d = *calendar.dateFrom(2026, 3, 1, 12, 0);
  for (auto _ : state) {
    d = calendar.nextDate(d, 2, 30).value_or(d);
    if (d > *calendar.dateFrom(2030, 1, 1)) d = *calendar.dateFrom(2026, 3, 1, 12, 0);
  }
}

BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveActivity120Days)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadActivity120Days)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadLargestActivity)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLargestActivity)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLargestActivityUnbounded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadHostile)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalendarNextDate);

}  // namespace
}  // namespace pimble

BENCHMARK_MAIN();
