#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

#include "services/away_reason.h"
#include "system/time_source.h"

class QScreen;

namespace pimble {

// Turns the desktop's sleep, screen, lock, session and display events into
// away changes and display-change notices:
// - sleep and wake: logind's PrepareForSleep, with a "delay" sleep inhibitor
//   held so the will-sleep side is reported before the machine sleeps;
// - screens off and on: the X11 DPMS state, polled;
// - screen locked: our logind session's LockedHint, the session's Active
//   property (another user's session in front) and the ActiveChanged signal
//   of the freedesktop and GNOME screen savers, combined into one state of
//   which only the changes are reported;
// - display changes: Qt's screen signals.
// Every bus request is asynchronous; a missing peer leaves its source quiet.
class SystemEventMonitor : public QObject {
  Q_OBJECT
 public:
  // Answers whether the screens are off, or nothing when that can't be told
  // right now (a failed read changes nothing).
  using ScreensOffProbe = std::function<std::optional<bool>()>;
  static constexpr Seconds screensPollInterval{2};

  // The system bus carries logind, the session bus the screen savers. An
  // empty probe reads the X11 DPMS state of Qt's display, polled when the X
  // server offers DPMS; a given probe is always polled.
  explicit SystemEventMonitor(TimeSource& time,
                              const QDBusConnection& systemBus = QDBusConnection::systemBus(),
                              const QDBusConnection& sessionBus = QDBusConnection::sessionBus(),
                              ScreensOffProbe screensOff = {}, QObject* parent = nullptr);
  ~SystemEventMonitor() override;

  // Read when an event arrives, so callbacks set after start() are used.
  std::function<void(AwayReason, bool)> onAwayChange;
  std::function<void()> onScreenParametersChanged;

  // Starts every observation; later calls do nothing.
  void start();

  // For the curious owner and for tests.
  bool holdsSleepInhibitor() const { return inhibitorFd_ >= 0; }
  bool isLocked() const { return lockedReported_; }
  QString sessionPath() const { return sessionPath_; }

  // The X11 DPMS state of Qt's display: true when DPMS is on and the
  // screens are in standby, suspend or off; nothing without X or DPMS.
  static std::optional<bool> x11ScreensOff();
  // Whether Qt's X server offers the DPMS extension at all.
  static bool x11OffersDpms();

 private slots:
  void prepareForSleep(bool sleeping);
  void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                const QStringList& invalidated);
  void freedesktopScreenSaverChanged(bool active);
  void gnomeScreenSaverChanged(bool active);

 private:
  void report(AwayReason reason, bool away);
  void takeInhibitor();
  void releaseInhibitor();
  void findSession();
  void readSession();
  void applySession(const QVariantMap& properties);
  void watchScreenSavers();
  void updateLocked();
  void pollScreens();
  void watchScreen(QScreen* screen);
  void screensChanged();

  TimeSource& time_;
  QDBusConnection system_;
  QDBusConnection session_;
  ScreensOffProbe screensOff_;
  std::function<bool()> screensOffOffered_;
  bool started_ = false;

  bool sleeping_ = false;
  int inhibitorFd_ = -1;
  bool inhibitorPending_ = false;

  QString sessionPath_;
  bool lockedHint_ = false;
  bool sessionActive_ = true;
  bool freedesktopActive_ = false;
  bool gnomeActive_ = false;
  bool lockedReported_ = false;

  bool screensOffReported_ = false;
  std::unique_ptr<ScheduledCall> poll_;
};

}  // namespace pimble
