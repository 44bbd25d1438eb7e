#pragma once

#include <functional>
#include <memory>

namespace pimble {

// A handle on delayed or repeating work. Cancelling is idempotent; a
// cancelled item never runs again. Copies share the same item; dropping the
// handle does not cancel it.
class ScheduledWork {
 public:
  struct State {
    bool cancelled = false;
    bool finished = false;  // a one-shot item that has run
    std::function<void()> onCancel;
  };

  ScheduledWork() = default;
  explicit ScheduledWork(std::shared_ptr<State> state) : state_(std::move(state)) {}

  void cancel();
  // True until it has run (one-shot) or was cancelled.
  bool isPending() const { return state_ && !state_->cancelled && !state_->finished; }

 private:
  std::shared_ptr<State> state_;
};

// Delayed work on the main thread, in seconds of the media clock.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Runs `work` once, `delay` seconds from now (at once when delay <= 0, but
  // never from inside this call).
  virtual ScheduledWork after(double delay, std::function<void()> work) = 0;
  // Runs `work` every `interval` seconds until cancelled.
  virtual ScheduledWork every(double interval, std::function<void()> work) = 0;
};

// The production scheduler on Qt timers of the main thread's event loop.
class QtScheduler : public Scheduler {
 public:
  ScheduledWork after(double delay, std::function<void()> work) override;
  ScheduledWork every(double interval, std::function<void()> work) override;
};

}  // namespace pimble
