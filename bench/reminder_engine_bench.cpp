// evaluate() over a list of 50 reminders: the engine's tick, run whenever its
// wake-up fires and after every change of state.

#include <benchmark/benchmark.h>

#include <vector>

#include "services/reminder_engine.h"

namespace {

using namespace pimble;

std::vector<Reminder> fiftyReminders() {
  const auto kinds = allCases<ReminderKind>();
  std::vector<Reminder> list;
  for (int i = 0; i < 50; ++i) {
    Reminder r;
    r.id = Uuid::generate();
    r.kind = kinds[static_cast<size_t>(i) % kinds.size()];
    r.title = "Reminder " + std::to_string(i);
    r.message = "Time for a small break.";
    r.intervalMinutes = 20 + i;
    r.snoozeMinutes = 5;
    list.push_back(r);
  }
  return list;
}

// Nothing due: the engine looks at every countdown and arms the earliest.
void BM_EvaluateNothingDue(benchmark::State& state) {
  Date now = *Calendar::named("Europe/Berlin")->dateFrom(2026, 6, 10, 10, 0);
  ReminderEngine engine({[&] { return now; }, [] { return 0.0; }, *Calendar::named("Europe/Berlin"),
                         [](std::optional<Date>) {}, [] { return false; }});
  engine.start(fiftyReminders(), std::nullopt);
  for (auto _ : state) engine.evaluate();
}
BENCHMARK(BM_EvaluateNothingDue)->Unit(benchmark::kMicrosecond);

// Every reminder due but delivery blocked: the full due order is built and
// sorted on every tick.
void BM_EvaluateAllDueBlocked(benchmark::State& state) {
  Date now = *Calendar::named("Europe/Berlin")->dateFrom(2026, 6, 10, 10, 0);
  ReminderEngine engine({[&] { return now; }, [] { return 0.0; }, *Calendar::named("Europe/Berlin"),
                         [](std::optional<Date>) {}, [] { return true; }});
  engine.start(fiftyReminders(), std::nullopt);
  now = addSeconds(now, 3 * 3600);
  for (auto _ : state) engine.evaluate();
}
BENCHMARK(BM_EvaluateAllDueBlocked)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
