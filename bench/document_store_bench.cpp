// The cost of the document store on the main thread: every save writes a
// private temporary file, flushes it to disk and renames it, after reading
// and checking the previous primary; every load reads and decodes the file.
// The activity document holds 120 days of 30 watched applications.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
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
BENCHMARK(BM_CalendarNextDate);

}  // namespace
}  // namespace pimble

BENCHMARK_MAIN();
