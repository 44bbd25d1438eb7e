#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "companion/layers/media_clock.h"
#include "companion/layers/scheduler.h"

namespace pimble {

// A clock and scheduler that move only when told to: tests step time and
// every due item runs in order, with the clock set to its due time while it
// runs. Installs itself as the animation clock for its lifetime when asked.
class ManualClock : public MediaClock, public Scheduler {
 public:
  explicit ManualClock(double start = 100.0, bool install = true);
  ~ManualClock() override;
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  double now() const override { return now_; }
  ScheduledWork after(double delay, std::function<void()> work) override;
  ScheduledWork every(double interval, std::function<void()> work) override;

  // Moves the clock forward, running everything due on the way.
  void advance(double seconds);
  void advanceTo(double time);
  // Items not yet run or cancelled.
  int pendingCount() const;

 private:
  struct Item {
    std::shared_ptr<ScheduledWork::State> state;
    std::function<void()> work;
    double interval = 0;  // > 0 for repeating items
  };
  void add(double due, Item item);

  double now_;
  bool installed_;
  std::uint64_t sequence_ = 0;
  // Ordered by due time, then by the order of scheduling.
  std::map<std::pair<double, std::uint64_t>, Item> items_;
};

}  // namespace pimble
