#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "system/time_source.h"

class QSocketNotifier;

namespace pimble {

// The real time source on Qt timers. Qt timers run on the monotonic clock,
// which stops while the machine sleeps and ignores clock changes, so each
// call waits at most `longestStep` at a time and then looks at the wall clock
// again; and when the kernel says the wall clock was set or the machine
// resumed (a timerfd cancelled on clock set), every pending call is re-armed
// at once and the clock's watchers are told.
class SystemTimeSource : public QObject, public TimeSource {
  Q_OBJECT
 public:
  // `clock` is the wall clock (the system clock when empty); tests shift it
  // to simulate clock jumps.
  explicit SystemTimeSource(std::function<Date()> clock = {}, Seconds longestStep = Seconds(300),
                            QObject* parent = nullptr);
  ~SystemTimeSource() override;

  Date now() const override;
  // The monotonic clock, which clock changes never move.
  Seconds steadyNow() const override;
  std::unique_ptr<ScheduledCall> callAt(Date due, Seconds tolerance,
                                        std::function<void()> fire) override;

  // Re-arms every pending call against the wall clock, then tells the
  // clock's watchers.
  void clockChanged();

  class Call;

 private:
  void watchClock();
  void readClockWatch();

  std::function<Date()> clock_;
  Seconds longestStep_;
  std::vector<Call*> calls_;
  int clockFd_ = -1;
  QSocketNotifier* clockNotifier_ = nullptr;
};

}  // namespace pimble
