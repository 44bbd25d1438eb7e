// The awareness tick with a realistic load: 30 watched applications, a year of
// daily history in the activity document, the schedule and bedtime on.

#include <benchmark/benchmark.h>

#include <memory>
#include <set>
#include <string>

#include "models/calendar.h"
#include "services/awareness_engine.h"

namespace pimble {
namespace {

struct Load {
  Calendar calendar = *Calendar::named("Europe/Berlin");
  Date now = *calendar.dateFrom(2026, 6, 10, 14, 0);
  AwarenessSettings settings;
  ModeSettings modes;
  ActivityData data;

  Load() {
    settings.isEnabled = true;
    settings.retentionDays = 400;  // keep the whole year
    for (int i = 0; i < 30; ++i) {
      WatchedApp app;
      app.bundleID = "org.example.app" + std::to_string(i);
      app.name = "App " + std::to_string(i);
      app.category = static_cast<AppCategory>(i % 5);
      app.workMinutes = app.relaxMinutes = app.nightMinutes = 100000;  // never due
      settings.apps.push_back(app);
    }
    modes.schedule.isEnabled = true;
    modes.bedtime.isEnabled = true;
    for (int d = 0; d < 365; ++d) {
      const Date day = calendar.addingDays(now, -d);
      DayUsage usage;
      usage.activeSeconds = 20000;
      for (const auto& app : settings.apps) usage.apps[app.bundleID] = 600;
      usage.checkIns = 3;
      data.days[calendar.dayKey(day)] = usage;
    }
  }

  // A tracker on this load with every application watched and awareness on.
  std::unique_ptr<ActivityTracker> tracker() {
    ActivityTracker::Environment env;
    env.now = [this] { return now; };
    env.calendar = calendar;
    auto t = std::make_unique<ActivityTracker>(env);
    t->data = data;
    std::set<std::string> ids;
    for (const auto& app : settings.apps) ids.insert(app.bundleID);
    t->setWatched(ids);
    t->setEnabled(true);
    return t;
  }

  AppIdentity front(int i) const {
    return AppIdentity{settings.apps[static_cast<std::size_t>(i % 30)].bundleID, "App", 42};
  }
};

void BM_TrackerRefresh(benchmark::State& state) {
  Load load;
  auto t = load.tracker();
  ActivityTracker& tracker = *t;
  tracker.appActivated(load.front(0));
  for (auto _ : state) {
    load.now = addSeconds(load.now, 1);
    tracker.refresh();
    benchmark::DoNotOptimize(tracker.nextRefreshDate());
  }
}
BENCHMARK(BM_TrackerRefresh);

void BM_TrackerSwitchApps(benchmark::State& state) {
  Load load;
  auto t = load.tracker();
  ActivityTracker& tracker = *t;
  int i = 0;
  for (auto _ : state) {
    load.now = addSeconds(load.now, 1);
    tracker.appActivated(load.front(++i));
    benchmark::DoNotOptimize(tracker.today());
  }
}
BENCHMARK(BM_TrackerSwitchApps);

void BM_Evaluate(benchmark::State& state) {
  Load load;
  AwarenessEngine::Environment env;
  env.now = [&] { return load.now; };
  env.idleSeconds = [] { return 1.0; };
  env.isPlayingMedia = [](const AppIdentity&) { return false; };
  env.calendar = load.calendar;
  env.arm = [](std::optional<Date>) {};
  env.clockString = [](Date) { return std::string("14:00"); };
  AwarenessEngine engine(env);
  engine.tracker().data = load.data;
  engine.start(load.settings, load.modes, load.front(0));
  for (auto _ : state) {
    load.now = addSeconds(load.now, 1);
    engine.evaluate();
  }
  state.counters["days"] = static_cast<double>(engine.tracker().data.days.size());
}
BENCHMARK(BM_Evaluate);

}  // namespace
}  // namespace pimble

BENCHMARK_MAIN();
