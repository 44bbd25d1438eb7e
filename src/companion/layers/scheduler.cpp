#include "companion/layers/scheduler.h"

#include <QTimer>
#include <cmath>

namespace pimble {
namespace {

int toMilliseconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  // Qt's timers take an int of milliseconds; a day is far beyond any use.
  return static_cast<int>(std::lround(std::min(seconds, 86400.0) * 1000));
}

QTimer* makeTimer(double seconds, bool repeating) {
  auto* timer = new QTimer();
  timer->setSingleShot(!repeating);
  const int ms = toMilliseconds(seconds);
  // Frames and motion steps (up to a second apart) need precise timers: a
  // coarse one may fire 5 % early, before the step it waits for, and cost a
  // second frame. Long waits can coalesce.
  timer->setTimerType(ms <= 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
  timer->setInterval(ms);
  return timer;
}

}  // namespace

void ScheduledWork::cancel() {
  if (!state_ || state_->cancelled) return;
  state_->cancelled = true;
  if (auto onCancel = std::move(state_->onCancel)) onCancel();
}

ScheduledWork QtScheduler::after(double delay, std::function<void()> work) {
  auto state = std::make_shared<ScheduledWork::State>();
  QTimer* timer = makeTimer(delay, false);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, state, work = std::move(work)] {
    timer->deleteLater();
    if (state->cancelled || state->finished) return;
    state->finished = true;
    state->onCancel = nullptr;
    if (work) work();
  });
  state->onCancel = [timer] {
    timer->stop();
    timer->deleteLater();
  };
  timer->start();
  return ScheduledWork(state);
}

ScheduledWork QtScheduler::every(double interval, std::function<void()> work) {
  auto state = std::make_shared<ScheduledWork::State>();
  QTimer* timer = makeTimer(interval, true);
  QObject::connect(timer, &QTimer::timeout, timer, [state, work = std::move(work)] {
    if (!state->cancelled && work) work();
  });
  state->onCancel = [timer] {
    timer->stop();
    timer->deleteLater();
  };
  timer->start();
  return ScheduledWork(state);
}

}  // namespace pimble
