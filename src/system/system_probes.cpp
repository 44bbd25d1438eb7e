#include "system/system_probes.h"

#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <cstdlib>

#include "system/process_info.h"
#include "system/workspace.h"

namespace pimble {

namespace {
constexpr int kTolerancePx = 2;

bool coversMonitor(const QRect& window, const QRect& monitor) {
  return std::abs(window.x() - monitor.x()) <= kTolerancePx &&
         std::abs(window.y() - monitor.y()) <= kTolerancePx &&
         std::abs(window.width() - monitor.width()) <= kTolerancePx &&
         std::abs(window.height() - monitor.height()) <= kTolerancePx;
}

// An application id as inhibitors give it, compared with ours: the same id,
// the id of one of its helpers ("org.app.Helper" for "org.app"), or the
// same name in another case ("Firefox" for "firefox").
bool sameApplication(std::string given, const std::string& bundleID) {
  if (given.ends_with(".desktop")) given.resize(given.size() - 8);
  if (given == bundleID) return true;
  if (given.size() > bundleID.size() && given.starts_with(bundleID) &&
      given[bundleID.size()] == '.') {
    return true;
  }
  return QString::fromStdString(given).compare(QString::fromStdString(bundleID),
                                               Qt::CaseInsensitive) == 0;
}
}  // namespace

SystemProbes::SystemProbes(Workspace& workspace, QObject* parent)
    : SystemProbes(workspace, Options{}, parent) {}

SystemProbes::SystemProbes(Workspace& workspace, Options options, QObject* parent)
    : QObject(parent),
      workspace_(workspace),
      camera_(std::move(options.cameraDevicePattern)),
      microphone_(std::make_unique<MicrophoneUsers>(this)),
      inhibitors_(std::make_unique<IdleInhibitors>(this)),
      ownPid_(::getpid()) {}

SystemProbes::~SystemProbes() = default;

bool SystemProbes::keepsDisplayAwake(const AppIdentity& app) {
  const std::string& bundleID = app.bundleID;
  const pid_t pid = app.pid;
  if (bundleID.empty() && pid <= 0) return false;
  for (const auto& inhibitor : inhibitors_->current()) {
    if (inhibitor.pid > 0 && pid > 0 && ProcessInfo::descendsFrom(inhibitor.pid, pid)) return true;
    if (!inhibitor.appId.empty() && !bundleID.empty() &&
        sameApplication(inhibitor.appId, bundleID)) {
      return true;
    }
  }
  return false;
}

bool SystemProbes::hasFullscreenWindow(pid_t pid) {
  if (pid <= 0) return false;
  X11Windows& x = workspace_.windows();
  if (!x.isConnected()) return false;
  std::vector<QRect> monitors;
  bool monitorsRead = false;
  for (WindowId window : x.clientList()) {
    if (x.windowPid(window) != pid || !x.isShown(window) || x.isDesktopElement(window)) continue;
    if (auto opacity = x.opacity(window); opacity && *opacity <= 0.01) continue;
    if (x.isFullscreenState(window)) return true;
    const auto geometry = x.rootGeometry(window);
    if (!geometry) continue;
    if (!monitorsRead) {
      monitors = x.monitors();
      monitorsRead = true;
    }
    for (const QRect& monitor : monitors) {
      if (coversMonitor(*geometry, monitor)) return true;
    }
  }
  return false;
}

std::vector<std::string> SystemProbes::appsUsingMicrophone() {
  std::vector<std::string> names;
  for (const auto& recorder : microphone_->recorders()) {
    if (recorder.pid == ownPid_) continue;
    std::optional<std::string> name = workspace_.appName(recorder.pid);
    if (!name || name->empty()) {
      if (!recorder.name.empty()) {
        name = recorder.name;
      } else {
        name = ProcessInfo::commandName(recorder.pid);
      }
    }
    names.push_back(name && !name->empty() ? *name : std::string("An app"));
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

bool SystemProbes::cameraInUse() {
  return camera_.inUse();
}

std::string SystemProbes::listText(const std::vector<std::string>& names, const QLocale& locale) {
  QStringList list;
  for (const auto& name : names) list << QString::fromStdString(name);
  // The status line is English; the bare C locale would join with commas only.
  const QLocale effective =
      locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
  return effective.createSeparatedList(list).toStdString();
}

}  // namespace pimble
