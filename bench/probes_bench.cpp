// Costs of the quiet probes' own work, the parts answered without a peer:
// the /proc walk behind "camera in use" (cached for a second), a desktop
// entry lookup by executable (the slowest identity path) and a parent-chain
// walk as done for every idle inhibitor.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "system/camera_users.h"
#include "system/desktop_entries.h"
#include "system/process_info.h"

namespace {

void BM_CameraScanOfProc(benchmark::State& state) {
  pimble::CameraUsers camera;
  for (auto _ : state) benchmark::DoNotOptimize(camera.scan());
}
BENCHMARK(BM_CameraScanOfProc)->Unit(benchmark::kMicrosecond);

void BM_CameraInUseCached(benchmark::State& state) {
  pimble::CameraUsers camera;
  for (auto _ : state) benchmark::DoNotOptimize(camera.inUse());
}
BENCHMARK(BM_CameraInUseCached);

void BM_DesktopEntryByUnknownExecutable(benchmark::State& state) {
  pimble::DesktopEntries entries;
  pimble::WindowIdentity window;
  window.executable = "/opt/none/bin/unknown-program";
  window.firstArgument = "unknown-program";
  benchmark::DoNotOptimize(entries.forWindow(window));  // the first scan
  for (auto _ : state) benchmark::DoNotOptimize(entries.forWindow(window));
  state.counters["entries"] = static_cast<double>(entries.installed().size());
}
BENCHMARK(BM_DesktopEntryByUnknownExecutable)->Unit(benchmark::kMicrosecond);

void BM_ParentChainToInit(benchmark::State& state) {
  const pid_t self = ::getpid();
  for (auto _ : state) benchmark::DoNotOptimize(pimble::ProcessInfo::descendsFrom(self, 999999));
}
BENCHMARK(BM_ParentChainToInit)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
