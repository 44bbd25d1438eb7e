#include "companion/layers/scheduler.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QTimerEvent>
#include <cmath>
#include <memory>
#include <unordered_map>

namespace pimble {
namespace {

int toMilliseconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  // Qt's timers take an int of milliseconds; a day is far beyond any use.
  return static_cast<int>(std::lround(std::min(seconds, 86400.0) * 1000));
}

// Runs the scheduled work on timers of one object of the main thread. A
// frame schedules its successor every time, so a timer here is only an id:
// no timer object made, connected and deleted later for each.
class TimerHost : public QObject {
 public:
  static TimerHost* instance() {
    // Goes with the application; a later application gets a new host.
    static QPointer<TimerHost> host;
    if (host.isNull() && QCoreApplication::instance() != nullptr) {
      host = new TimerHost(QCoreApplication::instance());
    }
    return host.data();
  }

  int start(int ms, bool repeating, std::function<void()> work) {
    // Frames and motion steps (up to a second apart) need precise timers: a
    // coarse one may fire 5 % early, before the step it waits for, and cost
    // a second frame. Long waits can coalesce.
    const int id = startTimer(ms, ms <= 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
    if (id != 0) {
      items_[id] = Item{repeating, std::make_shared<const std::function<void()>>(std::move(work))};
    }
    return id;
  }

  void stop(int id) {
    if (items_.erase(id) > 0) killTimer(id);
  }

 protected:
  void timerEvent(QTimerEvent* event) override {
    const int id = event->timerId();
    auto it = items_.find(id);
    if (it == items_.end()) {
      killTimer(id);
      return;
    }
    // Held here: the work may cancel itself, or schedule more.
    const std::shared_ptr<const std::function<void()>> work = it->second.work;
    if (!it->second.repeating) {
      items_.erase(it);
      killTimer(id);
    }
    if (*work) (*work)();
  }

 private:
  explicit TimerHost(QObject* parent) : QObject(parent) {}
  struct Item {
    bool repeating = false;
    std::shared_ptr<const std::function<void()>> work;
  };
  std::unordered_map<int, Item> items_;
};

ScheduledWork schedule(double seconds, bool repeating, std::function<void()> work) {
  auto state = std::make_shared<ScheduledWork::State>();
  TimerHost* host = TimerHost::instance();
  if (host == nullptr) return ScheduledWork(state);  // no event loop: never runs
  const int id = host->start(toMilliseconds(seconds), repeating,
                             [s = state, repeating, work = std::move(work)] {
                               if (s->cancelled || s->finished) return;
                               if (!repeating) {
                                 s->finished = true;
                                 s->onCancel = nullptr;
                               }
                               if (work) work();
                             });
  if (id == 0) return ScheduledWork(state);
  state->onCancel = [id, host = QPointer<TimerHost>(host)] {
    if (host) host->stop(id);
  };
  return ScheduledWork(state);
}

}  // namespace

void ScheduledWork::cancel() {
  if (!state_ || state_->cancelled) return;
  state_->cancelled = true;
  if (auto onCancel = std::move(state_->onCancel)) onCancel();
}

ScheduledWork QtScheduler::after(double delay, std::function<void()> work) {
  return schedule(delay, false, std::move(work));
}

ScheduledWork QtScheduler::every(double interval, std::function<void()> work) {
  return schedule(interval, true, std::move(work));
}

}  // namespace pimble
