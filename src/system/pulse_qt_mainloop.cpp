#include "system/pulse_qt_mainloop.h"

#include <sys/time.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <ctime>

// libpulse declares these event types opaque and leaves them to the loop.
struct pa_io_event {
  pa_mainloop_api* api = nullptr;
  int fd = -1;
  pa_io_event_cb_t callback = nullptr;
  pa_io_event_destroy_cb_t destroy = nullptr;
  void* userdata = nullptr;
  QSocketNotifier* read = nullptr;
  QSocketNotifier* write = nullptr;
};

struct pa_time_event {
  pa_mainloop_api* api = nullptr;
  pa_time_event_cb_t callback = nullptr;
  pa_time_event_destroy_cb_t destroy = nullptr;
  void* userdata = nullptr;
  timeval when{};
  QTimer* timer = nullptr;
};

struct pa_defer_event {
  pa_mainloop_api* api = nullptr;
  pa_defer_event_cb_t callback = nullptr;
  pa_defer_event_destroy_cb_t destroy = nullptr;
  void* userdata = nullptr;
  QTimer* timer = nullptr;
};

namespace pimble {

namespace {

// libpulse marks a time on its monotonic clock with this bit in tv_usec.
constexpr long kRtClockBit = 1L << 30;

void dropLater(QObject* object) {
  if (!object) return;
  if (auto* notifier = qobject_cast<QSocketNotifier*>(object)) notifier->setEnabled(false);
  if (auto* timer = qobject_cast<QTimer*>(object)) timer->stop();
  object->deleteLater();
}

template <typename Event, typename Callback>
void setDestroy(Event* e, Callback cb) {
  e->destroy = cb;
}

QSocketNotifier* makeNotifier(pa_io_event* e, QSocketNotifier::Type type,
                              pa_io_event_flags_t flag) {
  auto* notifier = new QSocketNotifier(e->fd, type);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [e, flag] {
    // The callback may free the event: nothing of `e` is touched after it.
    e->callback(e->api, e, e->fd, flag, e->userdata);
  });
  return notifier;
}

void ioEnable(pa_io_event* e, pa_io_event_flags_t events) {
  e->read->setEnabled((events & (PA_IO_EVENT_INPUT | PA_IO_EVENT_HANGUP | PA_IO_EVENT_ERROR)) != 0);
  e->write->setEnabled((events & PA_IO_EVENT_OUTPUT) != 0);
}

pa_io_event* ioNew(pa_mainloop_api* api, int fd, pa_io_event_flags_t events, pa_io_event_cb_t cb,
                   void* userdata) {
  auto* e = new pa_io_event{api, fd, cb, nullptr, userdata, nullptr, nullptr};
  e->read = makeNotifier(e, QSocketNotifier::Read, PA_IO_EVENT_INPUT);
  e->write = makeNotifier(e, QSocketNotifier::Write, PA_IO_EVENT_OUTPUT);
  ioEnable(e, events);
  return e;
}

void ioFree(pa_io_event* e) {
  dropLater(e->read);
  dropLater(e->write);
  if (e->destroy) e->destroy(e->api, e, e->userdata);
  delete e;
}

// Milliseconds from now until `when` on the clock it names.
int delayUntil(const timeval& when) {
  timespec now{};
  timeval target = when;
  if (target.tv_usec & kRtClockBit) {
    target.tv_usec &= ~kRtClockBit;
    clock_gettime(CLOCK_MONOTONIC, &now);
  } else {
    clock_gettime(CLOCK_REALTIME, &now);
  }
  const long double deltaMs = (static_cast<long double>(target.tv_sec) - now.tv_sec) * 1000.0L +
                              (static_cast<long double>(target.tv_usec) / 1000.0L) -
                              (static_cast<long double>(now.tv_nsec) / 1.0e6L);
  if (deltaMs <= 0) return 0;
  if (deltaMs > 24.0L * 3600 * 1000) return 24 * 3600 * 1000;
  return static_cast<int>(deltaMs + 0.999L);
}

// Freeing and the destroy hook work alike for timed and deferred events.
template <typename Event>
void freeTimerEvent(Event* e) {
  dropLater(e->timer);
  if (e->destroy) e->destroy(e->api, e, e->userdata);
  delete e;
}

void timeRestart(pa_time_event* e, const timeval* tv) {
  if (!tv) {
    e->timer->stop();
    return;
  }
  e->when = *tv;
  e->timer->start(delayUntil(e->when));
}

pa_time_event* timeNew(pa_mainloop_api* api, const timeval* tv, pa_time_event_cb_t cb,
                       void* userdata) {
  auto* e = new pa_time_event{api, cb, nullptr, userdata, {}, new QTimer};
  e->timer->setSingleShot(true);
  e->timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(e->timer, &QTimer::timeout, e->timer, [e] {
    const timeval when = e->when;
    e->callback(e->api, e, &when, e->userdata);
  });
  timeRestart(e, tv);
  return e;
}

void deferEnable(pa_defer_event* e, int enable) {
  if (enable) {
    e->timer->start(0);
  } else {
    e->timer->stop();
  }
}

pa_defer_event* deferNew(pa_mainloop_api* api, pa_defer_event_cb_t cb, void* userdata) {
  auto* e = new pa_defer_event{api, cb, nullptr, userdata, new QTimer};
  // A deferred event runs once per loop pass for as long as it is enabled.
  QObject::connect(e->timer, &QTimer::timeout, e->timer,
                   [e] { e->callback(e->api, e, e->userdata); });
  deferEnable(e, 1);
  return e;
}

void quit(pa_mainloop_api*, int) {}

}  // namespace

PulseQtMainloop::PulseQtMainloop() {
  api_.userdata = this;
  api_.io_new = ioNew;
  api_.io_enable = ioEnable;
  api_.io_free = ioFree;
  api_.io_set_destroy = setDestroy<pa_io_event, pa_io_event_destroy_cb_t>;
  api_.time_new = timeNew;
  api_.time_restart = timeRestart;
  api_.time_free = freeTimerEvent<pa_time_event>;
  api_.time_set_destroy = setDestroy<pa_time_event, pa_time_event_destroy_cb_t>;
  api_.defer_new = deferNew;
  api_.defer_enable = deferEnable;
  api_.defer_free = freeTimerEvent<pa_defer_event>;
  api_.defer_set_destroy = setDestroy<pa_defer_event, pa_defer_event_destroy_cb_t>;
  api_.quit = quit;
}

PulseQtMainloop::~PulseQtMainloop() = default;

}  // namespace pimble
