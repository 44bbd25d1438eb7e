#pragma once

// What the application controller asks of the desktop, each behind a small
// interface so that the controller runs on fakes in tests and on the real
// adapters of src/system in the program (DesktopServices::live). Every call
// is made on the main thread and answers at once: the real adapters never
// wait on a peer, and answer none or false when the peer is missing.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "models/app_identity.h"
#include "models/check_in.h"
#include "models/reminder.h"
#include "models/return_target.h"
#include "models/uuid.h"
#include "services/app_catalog.h"
#include "services/away_reason.h"
#include "system/launch_at_login.h"
#include "system/notification_service.h"
#include "system/sound_service.h"

namespace pimble {

class TimeSource;

// The applications of the session.
class WorkspaceService {
 public:
  virtual ~WorkspaceService() = default;

  // The application in front; none when none is known. This program while
  // its settings window or tour is active; the character and the bubbles
  // never change it.
  virtual std::optional<AppIdentity> frontmost() = 0;
  // Brings a running application forward; false (and nothing launched)
  // when it does not run.
  virtual bool bringToFront(const ReturnTarget& app) = 0;
  // Brings it forward, or launches it; failures are silent.
  virtual void open(const ReturnTarget& app) = 0;
  // What the app catalogue asks of the session: declared categories (for
  // its quiet kinds and suggested categories), the running applications by
  // name and the default browser. The controller installs it, so the
  // catalogue's runningApps() and browserForSession() answer from here.
  virtual AppCatalog::Platform catalogPlatform() = 0;
  // Whether the desktop knows how to start the application (it has a
  // desktop entry).
  virtual bool isInstalled(const std::string& bundleID) = 0;

  // The application in front changed (none: no application).
  std::function<void(const std::optional<AppIdentity>&)> onActivate;
  // A running application quit.
  std::function<void(const AppIdentity&)> onTerminate;
  // The current workspace (desktop) changed.
  std::function<void()> onSpaceChange;
};

// The machine's answers on calls, full screen and media.
class ProbeService {
 public:
  virtual ~ProbeService() = default;
  virtual bool hasFullscreenWindow(std::int32_t pid) = 0;
  // Names of the applications recording from an input, sorted, without
  // duplicates, this program excluded.
  virtual std::vector<std::string> appsUsingMicrophone() = 0;
  virtual bool cameraInUse() = 0;
  // A process of the application keeps the display awake (it plays media).
  virtual bool keepsDisplayAwake(const AppIdentity& app) = 0;
  // Names joined as the user's language lists them.
  virtual std::string listText(const std::vector<std::string>& names) = 0;
};

// Sleep, screens, lock, session and display events.
class SystemEvents {
 public:
  virtual ~SystemEvents() = default;
  // Starts observing; later calls do nothing.
  virtual void start() = 0;
  // An away reason began (true) or ended (false).
  std::function<void(AwayReason, bool)> onAwayChange;
  // Displays were added, removed or changed.
  std::function<void()> onScreenParametersChanged;
};

// Reminders and check-ins as desktop notifications with actions.
class Notifier {
 public:
  virtual ~Notifier() = default;
  // Starts listening for the notification server and its answers; the
  // callbacks are set before.
  virtual void start() = 0;
  virtual void post(const Reminder& reminder) = 0;
  virtual void post(const CheckIn& checkIn) = 0;
  // Withdraws the notification of a reminder or check-in, if shown.
  virtual void clear(const Uuid& id) = 0;

  // A reminder notification was answered (the body click counts as done).
  std::function<void(const Uuid&, NotificationService::Action)> onAction;
  // A check-in notification was answered.
  std::function<void(const Uuid&, const CheckInResponse&)> onCheckInAction;
};

// The notifications on the session bus.
class LiveNotifier : public Notifier {
 public:
  LiveNotifier();
  void start() override { service.start(); }
  void post(const Reminder& reminder) override { service.post(reminder); }
  void post(const CheckIn& checkIn) override { service.post(checkIn); }
  void clear(const Uuid& id) override { service.clear(id); }
  NotificationService service;
};

// Short event sounds.
class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Whether interface sounds may play: the controller keeps it (the sound
  // setting, off at night) and tests it before playing an effect.
  bool effectsEnabled = true;
  // Plays the effect whatever `effectsEnabled` says.
  virtual void playAlways(SoundService::Effect effect) = 0;
};

// The global shortcut Ctrl+Alt+I.
class GlobalShortcut {
 public:
  virtual ~GlobalShortcut() = default;
  // Takes the key; false when it cannot (no X, or another program holds it).
  virtual bool registerKey(std::function<void()> onPressed) = 0;
  virtual void unregisterKey() = 0;
  virtual bool isRegistered() const = 0;
};

// Starting at login.
class LoginItem {
 public:
  virtual ~LoginItem() = default;
  virtual LaunchAtLogin::Status status() = 0;
  // Registers (true) or removes (false) the login item; the error, if any.
  virtual std::optional<LaunchAtLogin::Error> set(bool enabled) = 0;
  // The sentence for the user about an error.
  virtual std::string describe(const LaunchAtLogin::Error& error) = 0;
};

// The desktop's wish for less motion.
class MotionPreference {
 public:
  virtual ~MotionPreference() = default;
  virtual bool reduceMotion() const = 0;
  // The answer may have changed.
  std::function<void()> onChanged;
};

// The desktop's tray, where the status icon shows: a StatusNotifierItem
// host or an XEmbed system tray. A desktop may have none, or get one later
// (a panel that starts after the program at login).
class TrayHosts {
 public:
  virtual ~TrayHosts() = default;
  virtual bool isAvailable() const = 0;
  // A tray came up where none was.
  std::function<void()> onAppeared;
};

// Everything above, owned by the controller for the life of the process.
struct DesktopServices {
  std::unique_ptr<WorkspaceService> workspace;
  std::unique_ptr<ProbeService> probes;
  std::unique_ptr<SystemEvents> events;
  std::unique_ptr<Notifier> notifier;
  std::unique_ptr<SoundPlayer> sounds;
  std::unique_ptr<GlobalShortcut> shortcut;
  std::unique_ptr<LoginItem> loginItem;
  std::unique_ptr<MotionPreference> motion;
  std::unique_ptr<TrayHosts> trays;
  // Seconds since the user's last keyboard or mouse input.
  std::function<double()> idleSeconds;

  // The real adapters on the session's X server, buses and sound server.
  // The time source carries the event monitor's polling.
  static DesktopServices live(TimeSource& time);
  // Single real adapters, for tests that put one beside fakes: the
  // notifications on the session bus, the workspace, the hot key.
  static std::unique_ptr<LiveNotifier> liveNotifier();
  static std::unique_ptr<WorkspaceService> liveWorkspace(TimeSource& time);
  static std::unique_ptr<GlobalShortcut> liveShortcut();
};

}  // namespace pimble
