#include "system/system_time_source.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>

namespace pimble {

class SystemTimeSource::Call : public ScheduledCall {
 public:
  Call(SystemTimeSource* source, Date due, Seconds tolerance, std::function<void()> fire)
      : source_(source), due_(clampDate(due)), tolerance_(tolerance), fire_(std::move(fire)) {
    if (std::isnan(tolerance_.count()) || tolerance_.count() < 0) tolerance_ = Seconds(0);
    timer_->setSingleShot(true);
    QObject::connect(timer_, &QTimer::timeout, [this] { check(); });
  }
  ~Call() override {
    if (source_) std::erase(source_->calls_, this);
    // The call may be destroyed by its own callback, inside the timer's
    // signal: the timer goes once control is back in the event loop.
    timer_->stop();
    timer_->disconnect();
    timer_->deleteLater();
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  Date dueDate() const override { return due_; }
  Seconds tolerance() const override { return tolerance_; }

  void detach() {
    source_ = nullptr;
    timer_->stop();
  }

  // Waits for what is left until the due date, a step at most at a time.
  void arm() {
    if (!source_ || fired_) return;
    const double left = (due_ - source_->now()).count();
    if (!(left > 0)) {
      timer_->setTimerType(Qt::PreciseTimer);
      timer_->start(0);
      return;
    }
    const double step = std::min(left, source_->longestStep_.count());
    // A coarse timer may come a little early or late; early is caught in
    // check(), late is within the tolerance the caller allowed.
    timer_->setTimerType(tolerance_.count() >= 1.0 && step > 1.0 ? Qt::CoarseTimer
                                                                 : Qt::PreciseTimer);
    timer_->start(static_cast<int>(std::ceil(step * 1000.0)));
  }

 private:
  void check() {
    if (!source_ || fired_) return;
    if (source_->now() < due_) {
      arm();
      return;
    }
    fired_ = true;
    // The callback may destroy this call: nothing of it is touched after.
    auto fire = std::move(fire_);
    if (fire) fire();
  }

  SystemTimeSource* source_;
  Date due_;
  Seconds tolerance_;
  std::function<void()> fire_;
  QTimer* timer_ = new QTimer;
  bool fired_ = false;
};

SystemTimeSource::SystemTimeSource(std::function<Date()> clock, Seconds longestStep,
                                   QObject* parent)
    : QObject(parent), clock_(std::move(clock)), longestStep_(longestStep) {
  if (!(longestStep_.count() >= 0.001) || longestStep_.count() > 86400.0)
    longestStep_ = Seconds(300);
  watchClock();
}

SystemTimeSource::~SystemTimeSource() {
  for (Call* call : calls_) call->detach();
  calls_.clear();
  if (clockFd_ >= 0) ::close(clockFd_);
}

Date SystemTimeSource::now() const {
  return clock_ ? clock_() : systemNow();
}

Seconds SystemTimeSource::steadyNow() const {
  return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch());
}

std::unique_ptr<ScheduledCall> SystemTimeSource::callAt(Date due, Seconds tolerance,
                                                        std::function<void()> fire) {
  auto call = std::make_unique<Call>(this, due, tolerance, std::move(fire));
  calls_.push_back(call.get());
  call->arm();
  return call;
}

void SystemTimeSource::clockChanged() {
  // A copy: arming never adds or removes calls, but stay safe anyway.
  const auto calls = calls_;
  for (Call* call : calls) call->arm();
  notifyClockChanged();
}

// A realtime timerfd armed far in the future with TFD_TIMER_CANCEL_ON_SET
// becomes readable (with ECANCELED) whenever the wall clock is set, and the
// kernel treats resuming from suspend the same way.
void SystemTimeSource::watchClock() {
  clockFd_ = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
  if (clockFd_ < 0) return;
  itimerspec expiry{};
  expiry.it_value.tv_sec = 7258118400;  // 2200-01-01, never reached in practice
  if (::timerfd_settime(clockFd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &expiry, nullptr) !=
      0) {
    ::close(clockFd_);
    clockFd_ = -1;
    return;
  }
  clockNotifier_ = new QSocketNotifier(clockFd_, QSocketNotifier::Read, this);
  connect(clockNotifier_, &QSocketNotifier::activated, this, [this] { readClockWatch(); });
}

void SystemTimeSource::readClockWatch() {
  std::uint64_t expirations = 0;
  const ssize_t n = ::read(clockFd_, &expirations, sizeof expirations);
  if (n < 0 && errno == EAGAIN) return;
  // Cancelled by a clock change (or expired): arm the watch again, then
  // re-check every call against the new wall clock.
  itimerspec expiry{};
  expiry.it_value.tv_sec = 7258118400;
  ::timerfd_settime(clockFd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &expiry, nullptr);
  clockChanged();
}

}  // namespace pimble
