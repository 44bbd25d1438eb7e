#include "system/system_event_monitor.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>
#include <QGuiApplication>
#include <QScreen>

// X11 last: its macros (None, Bool, Status…) would trip the Qt headers.
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace pimble {

namespace {
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kFreedesktopSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kGnomeSaver = QStringLiteral("org.gnome.ScreenSaver");

QDBusMessage logindCall(const QString& path, const QString& interface, const QString& method) {
  return QDBusMessage::createMethodCall(kLogind, path, interface, method);
}

// Calls on the session bus never start a screen saver by bus activation.
QDBusMessage saverCall(const QString& service) {
  auto path = service == kGnomeSaver ? QStringLiteral("/org/gnome/ScreenSaver")
                                     : QStringLiteral("/org/freedesktop/ScreenSaver");
  auto message = QDBusMessage::createMethodCall(service, path, service, "GetActive");
  message.setAutoStartService(false);
  return message;
}
}  // namespace

SystemEventMonitor::SystemEventMonitor(TimeSource& time, const QDBusConnection& systemBus,
                                       const QDBusConnection& sessionBus,
                                       ScreensOffProbe screensOff, QObject* parent)
    : QObject(parent),
      time_(time),
      system_(systemBus),
      session_(sessionBus),
      screensOff_(std::move(screensOff)) {
  if (screensOff_) {
    screensOffOffered_ = [] { return true; };
  } else {
    screensOff_ = &x11ScreensOff;
    screensOffOffered_ = &x11OffersDpms;
  }
}

SystemEventMonitor::~SystemEventMonitor() {
  releaseInhibitor();
}

void SystemEventMonitor::start() {
  if (started_) return;
  started_ = true;

  if (system_.isConnected()) {
    system_.connect(kLogind, kLogindPath, kManager, QStringLiteral("PrepareForSleep"), this,
                    SLOT(prepareForSleep(bool)));
    auto* logind =
        new QDBusServiceWatcher(kLogind, system_, QDBusServiceWatcher::WatchForRegistration, this);
    connect(logind, &QDBusServiceWatcher::serviceRegistered, this, [this] {
      takeInhibitor();
      if (sessionPath_.isEmpty()) findSession();
    });
    takeInhibitor();
    findSession();
  }
  if (session_.isConnected()) watchScreenSavers();

  // Polled whenever there is a source, even when the first read fails: the
  // display may answer later, and screens going off must still be seen.
  if (screensOffOffered_()) {
    if (auto off = screensOff_(); off && *off)
      report(AwayReason::screensOff, screensOffReported_ = true);
    poll_ = time_.callAfter(screensPollInterval, Seconds(1), [this] { pollScreens(); });
  }

  if (qGuiApp) {
    for (QScreen* screen : QGuiApplication::screens()) watchScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
      watchScreen(screen);
      screensChanged();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this] { screensChanged(); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this] { screensChanged(); });
  }
}

void SystemEventMonitor::report(AwayReason reason, bool away) {
  if (onAwayChange) onAwayChange(reason, away);
}

// --- Sleep and wake ---------------------------------------------------------

void SystemEventMonitor::takeInhibitor() {
  if (inhibitorFd_ >= 0 || inhibitorPending_ || sleeping_) return;
  inhibitorPending_ = true;
  auto message = logindCall(kLogindPath, kManager, QStringLiteral("Inhibit"));
  message << QStringLiteral("sleep") << QStringLiteral("Pimble Glimmet")
          << QStringLiteral("Pausing reminders before the computer sleeps")
          << QStringLiteral("delay");
  auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(message), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    inhibitorPending_ = false;
    QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
    if (reply.isError() || !reply.value().isValid()) return;
    // The reply's descriptor closes with the reply: keep a copy of our own.
    const int fd = ::dup(reply.value().fileDescriptor());
    if (fd < 0) return;
    inhibitorFd_ = fd;
    // Sleep began while the request was out: let it go at once.
    if (sleeping_) releaseInhibitor();
  });
}

void SystemEventMonitor::releaseInhibitor() {
  if (inhibitorFd_ < 0) return;
  ::close(inhibitorFd_);
  inhibitorFd_ = -1;
}

void SystemEventMonitor::prepareForSleep(bool sleeping) {
  if (sleeping == sleeping_) return;
  sleeping_ = sleeping;
  report(AwayReason::systemSleep, sleeping);
  // The away side has been handled: the machine may sleep now. After waking,
  // hold the next sleep back again.
  if (sleeping)
    releaseInhibitor();
  else
    takeInhibitor();
}

// --- Lock and session ---------------------------------------------------------

void SystemEventMonitor::findSession() {
  const QString id = qEnvironmentVariable("XDG_SESSION_ID");
  QDBusMessage message;
  if (!id.isEmpty()) {
    message = logindCall(kLogindPath, kManager, QStringLiteral("GetSession"));
    message << id;
  } else {
    message = logindCall(kLogindPath, kManager, QStringLiteral("GetSessionByPID"));
    message << static_cast<uint>(::getpid());
  }
  auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(message), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    QDBusPendingReply<QDBusObjectPath> reply = *w;
    if (reply.isError() || !sessionPath_.isEmpty()) return;
    sessionPath_ = reply.value().path();
    system_.connect(kLogind, sessionPath_, kProperties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
    readSession();
  });
}

void SystemEventMonitor::readSession() {
  auto message = logindCall(sessionPath_, kProperties, QStringLiteral("GetAll"));
  message << kSession;
  auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(message), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    QDBusPendingReply<QVariantMap> reply = *w;
    if (!reply.isError()) applySession(reply.value());
  });
}

void SystemEventMonitor::sessionPropertiesChanged(const QString& interface,
                                                  const QVariantMap& changed,
                                                  const QStringList& invalidated) {
  if (interface != kSession) return;
  applySession(changed);
  if (invalidated.contains(QStringLiteral("LockedHint")) ||
      invalidated.contains(QStringLiteral("Active")))
    readSession();
}

void SystemEventMonitor::applySession(const QVariantMap& properties) {
  const auto locked = properties.find(QStringLiteral("LockedHint"));
  if (locked != properties.end() && locked->canConvert<bool>()) lockedHint_ = locked->toBool();
  const auto active = properties.find(QStringLiteral("Active"));
  if (active != properties.end() && active->canConvert<bool>()) sessionActive_ = active->toBool();
  updateLocked();
}

void SystemEventMonitor::watchScreenSavers() {
  session_.connect(kFreedesktopSaver, QString(), kFreedesktopSaver, QStringLiteral("ActiveChanged"),
                   this, SLOT(freedesktopScreenSaverChanged(bool)));
  session_.connect(kGnomeSaver, QString(), kGnomeSaver, QStringLiteral("ActiveChanged"), this,
                   SLOT(gnomeScreenSaverChanged(bool)));
  for (const QString& service : {kFreedesktopSaver, kGnomeSaver}) {
    const auto ask = [this, service] {
      auto* watcher = new QDBusPendingCallWatcher(session_.asyncCall(saverCall(service)), this);
      connect(watcher, &QDBusPendingCallWatcher::finished, this,
              [this, service](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                QDBusPendingReply<bool> reply = *w;
                if (reply.isError()) return;
                (service == kGnomeSaver ? gnomeActive_ : freedesktopActive_) = reply.value();
                updateLocked();
              });
    };
    auto* watcher = new QDBusServiceWatcher(
        service, session_,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, ask);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this, service] {
      // A screen saver that went away no longer holds the screen.
      (service == kGnomeSaver ? gnomeActive_ : freedesktopActive_) = false;
      updateLocked();
    });
    ask();
  }
}

void SystemEventMonitor::freedesktopScreenSaverChanged(bool active) {
  freedesktopActive_ = active;
  updateLocked();
}

void SystemEventMonitor::gnomeScreenSaverChanged(bool active) {
  gnomeActive_ = active;
  updateLocked();
}

void SystemEventMonitor::updateLocked() {
  const bool locked = lockedHint_ || !sessionActive_ || freedesktopActive_ || gnomeActive_;
  if (locked == lockedReported_) return;
  lockedReported_ = locked;
  report(AwayReason::screenLocked, locked);
}

// --- Screens --------------------------------------------------------------------

void SystemEventMonitor::pollScreens() {
  poll_ = time_.callAfter(screensPollInterval, Seconds(1), [this] { pollScreens(); });
  const auto off = screensOff_();
  if (!off || *off == screensOffReported_) return;
  screensOffReported_ = *off;
  report(AwayReason::screensOff, *off);
}

namespace {
Display* qtDisplay() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->display() : nullptr;
}
}  // namespace

bool SystemEventMonitor::x11OffersDpms() {
  Display* display = qtDisplay();
  int eventBase = 0, errorBase = 0;
  return display && DPMSQueryExtension(display, &eventBase, &errorBase);
}

std::optional<bool> SystemEventMonitor::x11ScreensOff() {
  Display* display = qtDisplay();
  if (!display) return std::nullopt;
  int eventBase = 0, errorBase = 0;
  if (!DPMSQueryExtension(display, &eventBase, &errorBase) || !DPMSCapable(display))
    return std::nullopt;
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  if (!DPMSInfo(display, &level, &enabled)) return std::nullopt;
  return enabled && level != DPMSModeOn;
}

void SystemEventMonitor::watchScreen(QScreen* screen) {
  connect(screen, &QScreen::geometryChanged, this, [this] { screensChanged(); });
  connect(screen, &QScreen::availableGeometryChanged, this, [this] { screensChanged(); });
}

void SystemEventMonitor::screensChanged() {
  if (onScreenParametersChanged) onScreenParametersChanged();
}

}  // namespace pimble
