#include "system/idle_time.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include "system/display_loss.h"

// Xlib's macros (None, Bool, Status…) must come after every Qt header.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace pimble {

namespace {
constexpr int kCallTimeoutMs = 1000;
// How long an answer from the bus is trusted before asking again.
constexpr qint64 kRefreshMs = 500;
// After every source failed, when to try them again.
constexpr qint64 kRetryMs = 30000;
}  // namespace

struct IdleTime::X11 {
  Display* display = nullptr;
  XScreenSaverInfo* info = nullptr;
  bool usable = false;
  // The X server went away: the connection answers nothing any more.
  std::atomic<bool> broken{false};

  X11() {
    if (qgetenv("DISPLAY").isEmpty()) return;
    display = XOpenDisplay(nullptr);
    if (!display) return;
    // Asked in the middle of the engines' work: a server gone must fail the
    // query, not end the process there.
    DisplayLoss::guard(display, broken);
    int event = 0, error = 0;
    if (!XScreenSaverQueryExtension(display, &event, &error)) return;
    info = XScreenSaverAllocInfo();
    usable = info != nullptr;
  }
  ~X11() {
    if (info) XFree(info);
    if (display) XCloseDisplay(display);
  }
};

IdleTime::IdleTime(QObject* parent) : IdleTime(Sources{}, parent) {}

IdleTime::IdleTime(Sources sources, QObject* parent) : QObject(parent), sources_(sources) {
  // Under a Wayland session the X server is XWayland, which sees only the
  // input given to X clients: its idle count would grow while the user types
  // into native windows.
  const bool wayland = !qgetenv("WAYLAND_DISPLAY").isEmpty() ||
                       qgetenv("XDG_SESSION_TYPE") == QByteArrayLiteral("wayland");
  if (sources_.x11 && !wayland) x11_ = std::make_unique<X11>();
  backend_ = nextBackend(Backend::none);
}

IdleTime::~IdleTime() = default;

std::optional<double> IdleTime::queryX11() {
  if (!x11_ || !x11_->usable || x11_->broken) return std::nullopt;
  if (!XScreenSaverQueryInfo(x11_->display, DefaultRootWindow(x11_->display), x11_->info)) {
    return std::nullopt;
  }
  return static_cast<double>(x11_->info->idle) / 1000.0;
}

IdleTime::Backend IdleTime::nextBackend(Backend after) const {
  // `none` as the argument means "from the start".
  if (after == Backend::none && sources_.mutter) return Backend::mutter;
  if ((after == Backend::none || after == Backend::mutter) && sources_.screenSaver) {
    return Backend::screenSaver;
  }
  return Backend::none;
}

double IdleTime::idleSeconds() {
  if (auto seconds = queryX11()) return *seconds;
  if (backend_ == Backend::none && sinceGaveUp_.isValid() && sinceGaveUp_.elapsed() > kRetryMs) {
    backend_ = nextBackend(Backend::none);
  }
  if (!lastAnswer_ || sinceAnswer_.elapsed() > kRefreshMs) askBus();
  if (!lastAnswer_) return 0;
  return *lastAnswer_ + static_cast<double>(sinceAnswer_.elapsed()) / 1000.0;
}

void IdleTime::askBus() {
  if (asking_ || backend_ == Backend::none) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    busAnswered(Backend::none, std::nullopt);
    return;
  }
  const Backend backend = backend_;
  QDBusMessage call =
      backend == Backend::mutter
          ? QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                           QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                                           QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                           QStringLiteral("GetIdletime"))
          : QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                           QStringLiteral("/org/freedesktop/ScreenSaver"),
                                           QStringLiteral("org.freedesktop.ScreenSaver"),
                                           QStringLiteral("GetSessionIdleTime"));
  asking_ = true;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, backend](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusMessage reply = w->reply();
            std::optional<double> seconds;
            if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
              bool ok = false;
              // Both answer milliseconds (Mutter as uint64, KDE's screen saver as uint32).
              const qulonglong ms = reply.arguments().first().toULongLong(&ok);
              if (ok) seconds = static_cast<double>(ms) / 1000.0;
            }
            busAnswered(backend, seconds);
          });
}

void IdleTime::busAnswered(Backend backend, std::optional<double> seconds) {
  asking_ = false;
  if (seconds) {
    lastAnswer_ = seconds;
    sinceAnswer_.start();
    return;
  }
  // This source does not answer: fall through to the next one.
  lastAnswer_.reset();
  backend_ = backend == Backend::none ? Backend::none : nextBackend(backend);
  if (backend_ == Backend::none) {
    sinceGaveUp_.start();
  } else {
    askBus();
  }
}

}  // namespace pimble
