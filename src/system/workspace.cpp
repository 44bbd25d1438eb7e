#include "system/workspace.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <QCollator>
#include <QPointer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <set>

#include "system/mime_apps.h"
#include "system/process_info.h"

namespace pimble {

namespace {

int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

bool processAlive(pid_t pid) {
  return ProcessInfo::isRunning(pid);
}

ReturnTarget targetOf(const DesktopEntry& entry) {
  const QString name = entry.name.isEmpty() ? entry.id : entry.name;
  return {entry.id.toStdString(), name.toStdString()};
}

}  // namespace

Workspace::Workspace(TimeSource& time, QObject* parent)
    : QObject(parent), time_(time), windows_(std::make_unique<X11Windows>()), ownPid_(::getpid()) {
  windows_->onActiveWindowChanged = [this] { activeWindowChanged(); };
  windows_->onClientListChanged = [this] { clientListChanged(); };
  windows_->onCurrentDesktopChanged = [this] {
    if (onSpaceChange) onSpaceChange();
  };
  if (!windows_->isConnected()) return;
  clientListChanged();
  const WindowId active = windows_->activeWindow();
  if (active != 0) {
    bool keep = false;
    auto app = appInFront(active, keep);
    if (app && !keep) front_ = reported_ = app;
  }
}

Workspace::~Workspace() {
  for (auto& [pid, watch] : watches_) {
    delete watch.notifier;
    if (watch.pidfd >= 0) ::close(watch.pidfd);
  }
}

std::optional<AppIdentity> Workspace::identifyUncached(WindowId window) {
  const auto pid = windows_->windowPid(window);
  WindowIdentity who;
  std::tie(who.wmInstance, who.wmClass) = windows_->windowClass(window);
  who.gtkApplicationId = windows_->gtkApplicationId(window);
  if (pid) {
    if (auto exe = ProcessInfo::executable(*pid)) who.executable = QString::fromStdString(*exe);
    if (auto arg0 = ProcessInfo::firstArgument(*pid)) {
      who.firstArgument = QString::fromStdString(*arg0);
    }
  }
  AppIdentity app;
  app.pid = pid.value_or(0);
  if (auto entry = entries_.forWindow(who)) {
    const ReturnTarget target = targetOf(*entry);
    app.bundleID = target.bundleID;
    app.name = target.name;
    return app;
  }
  // Without an entry the class names the application.
  const QString cls = !who.wmClass.isEmpty() ? who.wmClass : who.wmInstance;
  if (cls.isEmpty()) return std::nullopt;
  app.bundleID = cls.toStdString();
  app.name = cls.toStdString();
  return app;
}

std::optional<AppIdentity> Workspace::identify(WindowId window) {
  // X reuses window ids of clients that have gone: a cached identity counts
  // only while the window still names the same process, and a window that
  // could not be identified (its properties not set yet) is asked again.
  const pid_t pid = windows_->windowPid(window).value_or(0);
  const auto it = identities_.find(window);
  if (it != identities_.end() && it->second && it->second->pid == pid) return it->second;
  auto app = identifyUncached(window);
  if (app) {
    identities_[window] = app;
  } else {
    identities_.erase(window);
  }
  return app;
}

std::optional<AppIdentity> Workspace::appInFront(WindowId window, bool& keep) {
  auto app = identify(window);
  keep = false;
  if (!app || app->pid != ownPid_) return app;
  // The character and its bubbles are utility windows: a click on a
  // bubble's button is no switch away from the application the user is in.
  // Our settings window, the tour and their dialogs are where the user is.
  if (!windows_->isWorkWindow(window)) {
    keep = true;
    return std::nullopt;
  }
  return AppIdentity{AppCatalog::ownBundleID(), "Pimble Glimmet", ownPid_};
}

void Workspace::activeWindowChanged() {
  const WindowId active = windows_->activeWindow();
  if (active == 0) {
    // Only a "none" that lasts means that no application is in front.
    if (!noActiveWindow_) {
      noActiveWindow_ = time_.callAfter(noActiveWindowWait, Seconds(0.1), [this] {
        noActiveWindow_.reset();
        front_.reset();
        if (!reported_) return;
        reported_.reset();
        if (onActivate) onActivate(std::nullopt);
      });
    }
    return;
  }
  noActiveWindow_.reset();
  bool keep = false;
  auto app = appInFront(active, keep);
  if (keep) return;
  front_ = app;
  if (app == reported_) return;
  reported_ = app;
  if (onActivate) onActivate(app);
}

void Workspace::clientListChanged() {
  const auto clients = windows_->clientList();
  const std::set<WindowId> present(clients.begin(), clients.end());
  std::erase_if(identities_, [&](const auto& item) { return present.count(item.first) == 0; });
  for (WindowId window : clients) {
    if (auto app = identify(window); app && app->pid > 0 && app->pid != ownPid_) {
      watchProcess(*app);
    }
  }
  // Processes we could not get a pidfd for are checked here instead.
  std::vector<pid_t> ended;
  for (const auto& [pid, watch] : watches_) {
    if (watch.pidfd < 0 && !processAlive(pid)) ended.push_back(pid);
  }
  for (pid_t pid : ended) processEnded(pid);
  // A window closed: the application in front may have none left.
  leaveClosedFront();
}

std::optional<AppIdentity> Workspace::withWindow(const AppIdentity& app) {
  if (app.bundleID == AppCatalog::ownBundleID()) return app;
  std::vector<WindowId> windows = windows_->clientList();
  if (const WindowId active = windows_->activeWindow(); active != 0) windows.push_back(active);
  std::optional<AppIdentity> other;
  for (WindowId window : windows) {
    const auto found = identify(window);
    if (!found || found->pid == ownPid_ || found->bundleID != app.bundleID) continue;
    // A window can outlive its process for a moment.
    if (found->pid > 0 && !processAlive(found->pid)) continue;
    if (found->pid == app.pid) return app;
    if (!other) other = found;
  }
  return other;
}

void Workspace::leaveClosedFront() {
  // While the character or a bubble is active the application in front
  // stays what it was, but a closed one must neither go on counting nor be
  // taken for the application in front when the user asks to go to it.
  if (front_) front_ = withWindow(*front_);
  if (!reported_) return;
  const auto still = withWindow(*reported_);
  if (still == reported_) return;
  reported_ = still;
  if (onActivate) onActivate(still);
}

void Workspace::watchProcess(const AppIdentity& app) {
  if (watches_.count(app.pid) != 0) return;
  Watch watch{app, openPidfd(app.pid), nullptr};
  if (watch.pidfd >= 0) {
    watch.notifier = new QSocketNotifier(watch.pidfd, QSocketNotifier::Read, this);
    const pid_t pid = app.pid;
    connect(watch.notifier, &QSocketNotifier::activated, this, [this, pid] { processEnded(pid); });
  }
  watches_.emplace(app.pid, std::move(watch));
}

void Workspace::processEnded(pid_t pid) {
  const auto it = watches_.find(pid);
  if (it == watches_.end()) return;
  const AppIdentity app = it->second.app;
  if (it->second.notifier) {
    it->second.notifier->setEnabled(false);
    it->second.notifier->deleteLater();
  }
  if (it->second.pidfd >= 0) ::close(it->second.pidfd);
  watches_.erase(it);
  std::erase_if(identities_,
                [&](const auto& item) { return item.second && item.second->pid == pid; });
  leaveClosedFront();
  // An application with another process still running has not quit.
  for (const auto& [otherPid, watch] : watches_) {
    if (watch.app.bundleID == app.bundleID) return;
  }
  if (onTerminate) onTerminate(app);
}

std::optional<AppIdentity> Workspace::frontmost() {
  if (!windows_->isConnected()) return std::nullopt;
  // Read the property now rather than wait for its change event, so that a
  // caller right after an activation sees it; the change itself is reported
  // by the event.
  const WindowId active = windows_->activeWindow();
  if (active != 0) {
    bool keep = false;
    auto app = appInFront(active, keep);
    if (!keep) front_ = app;
  }
  if (front_) front_ = withWindow(*front_);
  return front_;
}

std::vector<AppIdentity> Workspace::runningApps() {
  std::vector<AppIdentity> result;
  std::set<std::string> seen;
  for (WindowId window : windows_->clientList()) {
    if (!windows_->isTaskbarWindow(window)) continue;
    auto app = identify(window);
    if (!app || app->pid == ownPid_ || app->bundleID.empty()) continue;
    if (AppCatalog::isSystemInterface(app->bundleID)) continue;
    // A window can outlive its process for a moment.
    if (app->pid > 0 && !processAlive(app->pid)) continue;
    if (!seen.insert(app->bundleID).second) continue;
    result.push_back(*app);
  }
  // The user reads the list: "beta" belongs between "Alpha" and "Gamma".
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::vector<std::pair<QString, AppIdentity>> keyed;
  keyed.reserve(result.size());
  for (AppIdentity& app : result)
    keyed.emplace_back(QString::fromStdString(app.name), std::move(app));
  std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
    return collator.compare(a.first, b.first) < 0;
  });
  result.clear();
  for (auto& item : keyed) result.push_back(std::move(item.second));
  return result;
}

std::optional<WindowId> Workspace::windowOf(const std::string& bundleID) {
  // The topmost of its windows is the one the user saw last.
  const auto stacking = windows_->clientList(true);
  for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
    if (!windows_->isTaskbarWindow(*it)) continue;
    auto app = identify(*it);
    if (app && app->pid != ownPid_ && app->bundleID == bundleID &&
        (app->pid <= 0 || processAlive(app->pid))) {
      return *it;
    }
  }
  return std::nullopt;
}

bool Workspace::bringToFront(const std::string& bundleID) {
  if (bundleID.empty()) return false;
  const auto window = windowOf(bundleID);
  if (!window) return false;
  windows_->requestActivation(*window);
  return true;
}

void Workspace::open(const std::string& bundleID) {
  if (bringToFront(bundleID)) return;
  if (auto entry = entries_.byId(QString::fromStdString(bundleID))) entry->launch();
}

std::optional<ReturnTarget> Workspace::target(const QString& pathOfDesktopFile) {
  const auto entry = DesktopEntries::atPath(pathOfDesktopFile);
  if (!entry) return std::nullopt;
  return targetOf(*entry);
}

std::optional<ReturnTarget> Workspace::defaultBrowser() {
  auto installed = [this](const QString& id) { return entries_.byId(id).has_value(); };
  for (const char* scheme : {"x-scheme-handler/https", "x-scheme-handler/http"}) {
    const QString type = QString::fromLatin1(scheme);
    const QString id = MimeApps::defaultApplication(
        type, installed, [&](const QString& folder) { return entries_.declaring(type, folder); });
    if (id.isEmpty()) continue;
    if (auto entry = entries_.byId(id)) return targetOf(*entry);
  }
  return std::nullopt;
}

AppCatalog::Platform Workspace::catalogPlatform() {
  AppCatalog::Platform platform;
  const QPointer<Workspace> self(this);
  platform.appStoreCategory = [self](const std::string& bundleID) -> std::optional<std::string> {
    return self ? self->appStoreCategory(bundleID) : std::nullopt;
  };
  platform.runningApps = [self] {
    std::vector<ReturnTarget> result;
    if (!self) return result;
    for (const AppIdentity& app : self->runningApps()) result.push_back({app.bundleID, app.name});
    return result;
  };
  platform.defaultBrowser = [self]() -> std::optional<ReturnTarget> {
    return self ? self->defaultBrowser() : std::nullopt;
  };
  return platform;
}

std::vector<ReturnTarget> Workspace::installedApps() {
  std::vector<ReturnTarget> result;
  for (const DesktopEntry& entry : entries_.installed()) result.push_back(targetOf(entry));
  return result;
}

QIcon Workspace::icon(const std::string& bundleID) {
  if (auto entry = entries_.byId(QString::fromStdString(bundleID))) {
    const QIcon icon = entry->themeIcon();
    if (!icon.isNull()) return icon;
  }
  return QIcon::fromTheme(QStringLiteral("application-x-executable"));
}

std::optional<std::string> Workspace::appStoreCategory(const std::string& bundleID) {
  const auto entry = entries_.byId(QString::fromStdString(bundleID));
  if (!entry) return std::nullopt;
  if (entry->categories.isEmpty()) return std::nullopt;
  return (entry->categories.join(';') + ';').toStdString();
}

std::optional<std::string> Workspace::appName(pid_t pid) {
  if (pid <= 0) return std::nullopt;
  std::map<pid_t, AppIdentity> byPid;
  for (WindowId window : windows_->clientList()) {
    if (auto app = identify(window); app && app->pid > 0) byPid.emplace(app->pid, *app);
  }
  // Helper processes (audio, web content) belong to the application above them.
  std::optional<pid_t> current = pid;
  for (int depth = 0; current && depth < 64; ++depth) {
    if (*current == ownPid_ && *current != pid) break;
    if (const auto it = byPid.find(*current); it != byPid.end()) return it->second.name;
    current = ProcessInfo::parent(*current);
  }
  WindowIdentity who;
  if (auto exe = ProcessInfo::executable(pid)) who.executable = QString::fromStdString(*exe);
  if (auto arg0 = ProcessInfo::firstArgument(pid))
    who.firstArgument = QString::fromStdString(*arg0);
  if (auto entry = entries_.forWindow(who)) return targetOf(*entry).name;
  return std::nullopt;
}

}  // namespace pimble
