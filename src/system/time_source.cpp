#include "system/time_source.h"

#include <cmath>

namespace pimble {

std::unique_ptr<ScheduledCall> TimeSource::callAfter(Seconds delay, Seconds tolerance,
                                                     std::function<void()> fire) {
  const double seconds = std::isnan(delay.count()) ? 0.0 : std::max(0.0, delay.count());
  return callAt(addSeconds(now(), seconds), tolerance, std::move(fire));
}

struct TimeSource::ClockWatcher {
  std::function<void()> changed;
  bool live = true;
};

namespace {
class ClockWatchHandle : public ClockWatch {
 public:
  explicit ClockWatchHandle(std::shared_ptr<TimeSource::ClockWatcher> watcher)
      : watcher_(std::move(watcher)) {}
  ~ClockWatchHandle() override { watcher_->live = false; }
  ClockWatchHandle(const ClockWatchHandle&) = delete;
  ClockWatchHandle& operator=(const ClockWatchHandle&) = delete;

 private:
  std::shared_ptr<TimeSource::ClockWatcher> watcher_;
};
}  // namespace

std::unique_ptr<ClockWatch> TimeSource::watchClockChanges(std::function<void()> changed) {
  std::erase_if(clockWatchers_, [](const auto& w) { return !w->live; });
  auto watcher = std::make_shared<ClockWatcher>(ClockWatcher{std::move(changed)});
  clockWatchers_.push_back(watcher);
  return std::make_unique<ClockWatchHandle>(std::move(watcher));
}

void TimeSource::notifyClockChanged() {
  // A copy: a watcher may start or end watches from inside its call.
  const auto watchers = clockWatchers_;
  for (const auto& w : watchers) {
    if (w->live && w->changed) w->changed();
  }
  std::erase_if(clockWatchers_, [](const auto& w) { return !w->live; });
}

}  // namespace pimble
