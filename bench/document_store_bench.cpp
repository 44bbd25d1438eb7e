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
#include <string>

#include "models/activity_data.h"
#include "models/app_settings.h"
#include "models/calendar.h"
#include "models/file_persistence.h"
#include "support/sample_documents.h"

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
  const auto a = samples::largestActivity();
  state.counters["bytes"] = static_cast<double>(encodeDocument(a)->size());
  loadDocument(state, a, "activity");
}

// The bounded parse against nlohmann's own, on the largest document.
void BM_ParseLargestActivity(benchmark::State& state) {
  const std::string text = *encodeDocument(samples::largestActivity());
  for (auto _ : state) benchmark::DoNotOptimize(parseDocument(text));
}
void BM_ParseLargestActivityUnbounded(benchmark::State& state) {
  const std::string text = *encodeDocument(samples::largestActivity());
  for (auto _ : state) benchmark::DoNotOptimize(Json::parse(text, nullptr, false));
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
  const auto cases = samples::hostileActivityCases();
  const auto& c = cases.at(static_cast<std::size_t>(state.range(0)));
  state.SetLabel(c.label);
  const fs::path dir = tempDir();
  c.plant(dir);
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
