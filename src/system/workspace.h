#pragma once

// The desktop's applications as Pimble sees them on X11: which one is in
// front, which are running, bringing one forward or launching it, the
// default browser, installed applications, names and icons. An application
// is known by its desktop-entry id (the file name without ".desktop"), or
// by its WM_CLASS class when it has no entry. Our own windows are never
// running applications to switch to.

#include <sys/types.h>
#include <QIcon>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "models/app_identity.h"
#include "models/return_target.h"
#include "services/app_catalog.h"
#include "system/desktop_entries.h"
#include "system/time_source.h"
#include "system/x11_windows.h"

class QSocketNotifier;

namespace pimble {

class Workspace : public QObject {
  Q_OBJECT

 public:
  // `time` carries the wait before a lasting "no active window" counts.
  explicit Workspace(TimeSource& time, QObject* parent = nullptr);
  ~Workspace() override;

  // How long the active window must stay "none" before no application
  // counts as in front: a window manager clears it for a moment between two
  // activations, while on a Wayland desktop it stays none as long as a
  // native Wayland window is in front.
  static constexpr Seconds noActiveWindowWait{1.0};

  // The application owning the active window: this program
  // (AppCatalog::ownBundleID) while its settings window, tour or a dialog of
  // theirs is active. The character and its bubbles, and the window
  // manager's brief "no window", are passed over (the previous one stays in
  // front while it has a window). Nothing when none is known, once the one
  // in front has no window left, or once no window has been active for
  // `noActiveWindowWait`.
  std::optional<AppIdentity> frontmost();
  // Applications with a normal taskbar window, one row per application id
  // (never this program or the desktop shell), sorted by name for the
  // user's locale, case-insensitively; equal names keep the order their
  // first windows appeared in.
  std::vector<AppIdentity> runningApps();
  // Activates a window of the application when it runs; false otherwise
  // (nothing is launched).
  bool bringToFront(const std::string& bundleID);
  // Brings the application forward, or launches it from its desktop entry
  // when it is not running. Unknown applications are left alone.
  void open(const std::string& bundleID);
  // The identity of the desktop entry file at `path` (an application picked
  // from a file chooser or the installed list).
  static std::optional<ReturnTarget> target(const QString& pathOfDesktopFile);
  // The user's default web browser (x-scheme-handler/https, then http).
  std::optional<ReturnTarget> defaultBrowser();
  // The app catalogue's questions answered by this workspace: declared
  // categories, running applications and the default browser. Answers
  // nothing once the workspace is gone.
  AppCatalog::Platform catalogPlatform();
  // Applications the user can pick, sorted by name.
  std::vector<ReturnTarget> installedApps();
  // The application's icon from the theme, a generic application icon when
  // it has none, an empty icon when even that is missing.
  QIcon icon(const std::string& bundleID);
  // The desktop entry's Categories value ("AudioVideo;Video;Player;"), for
  // the app catalogue's rules; nothing without an entry or categories.
  std::optional<std::string> appStoreCategory(const std::string& bundleID);
  // The user-visible name of the application a process belongs to: the
  // running application of the process or of a parent, else the entry of
  // its executable. Nothing when unknown.
  std::optional<std::string> appName(pid_t pid);

  X11Windows& windows() { return *windows_; }
  DesktopEntries& entries() { return entries_; }

  // The application in front changed (nothing: no application).
  std::function<void(const std::optional<AppIdentity>&)> onActivate;
  // A running application quit: its last process with a window ended.
  std::function<void(const AppIdentity&)> onTerminate;
  // The current desktop (workspace) changed.
  std::function<void()> onSpaceChange;

 private:
  std::optional<AppIdentity> identify(WindowId window);
  std::optional<AppIdentity> identifyUncached(WindowId window);
  // The application in front while `window` is active; `keep` is set when
  // the window leaves the one in front as it is.
  std::optional<AppIdentity> appInFront(WindowId window, bool& keep);
  void activeWindowChanged();
  void clientListChanged();
  // `app`, or another process of its application, while one of their
  // windows is still there; nothing once the application has closed.
  std::optional<AppIdentity> withWindow(const AppIdentity& app);
  // Reports that no application is in front once the one in front closed.
  void leaveClosedFront();
  void watchProcess(const AppIdentity& app);
  void processEnded(pid_t pid);
  std::optional<WindowId> windowOf(const std::string& bundleID);

  TimeSource& time_;
  std::unique_ptr<ScheduledCall> noActiveWindow_;
  std::unique_ptr<X11Windows> windows_;
  DesktopEntries entries_;
  std::optional<AppIdentity> front_;     // the last application seen in front
  std::optional<AppIdentity> reported_;  // the last one reported through onActivate
  std::map<WindowId, std::optional<AppIdentity>> identities_;
  struct Watch {
    AppIdentity app;
    int pidfd = -1;
    QSocketNotifier* notifier = nullptr;
  };
  std::map<pid_t, Watch> watches_;
  pid_t ownPid_ = 0;
};

}  // namespace pimble
