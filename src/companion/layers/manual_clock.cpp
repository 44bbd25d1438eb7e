#include "companion/layers/manual_clock.h"

#include <algorithm>
#include <cmath>

namespace pimble {

ManualClock::ManualClock(double start, bool install) : now_(start), installed_(install) {
  if (installed_) animation_clock::install(this, this);
}

ManualClock::~ManualClock() {
  if (installed_) animation_clock::install(nullptr, nullptr);
}

void ManualClock::add(double due, Item item) {
  items_.emplace(std::make_pair(due, sequence_++), std::move(item));
}

ScheduledWork ManualClock::after(double delay, std::function<void()> work) {
  auto state = std::make_shared<ScheduledWork::State>();
  const double wait = std::isfinite(delay) ? std::max(delay, 0.0) : 0.0;
  add(now_ + wait, Item{state, std::move(work), 0});
  return ScheduledWork(state);
}

ScheduledWork ManualClock::every(double interval, std::function<void()> work) {
  auto state = std::make_shared<ScheduledWork::State>();
  // A zero interval would never let time pass.
  const double step = std::isfinite(interval) && interval > 1e-6 ? interval : 1e-3;
  add(now_ + step, Item{state, std::move(work), step});
  return ScheduledWork(state);
}

void ManualClock::advance(double seconds) {
  advanceTo(now_ + (std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0));
}

void ManualClock::advanceTo(double time) {
  while (!items_.empty()) {
    auto first = items_.begin();
    if (first->first.first > time) break;
    Item item = std::move(first->second);
    now_ = std::max(now_, first->first.first);
    items_.erase(first);
    if (item.state->cancelled) continue;
    if (item.interval > 0) {
      add(now_ + item.interval, item);
      if (item.work) item.work();
    } else {
      item.state->finished = true;
      if (item.work) item.work();
    }
  }
  now_ = std::max(now_, time);
}

int ManualClock::pendingCount() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](const auto& entry) {
    return !entry.second.state->cancelled;
  }));
}

}  // namespace pimble
