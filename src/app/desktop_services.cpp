#include "app/desktop_services.h"

#include "services/app_catalog.h"
#include "system/hot_key.h"
#include "system/idle_time.h"
#include "system/reduce_motion.h"
#include "system/system_event_monitor.h"
#include "system/system_probes.h"
#include "system/tray_host_watch.h"
#include "system/workspace.h"

namespace pimble {
namespace {

class LiveWorkspace : public WorkspaceService {
 public:
  explicit LiveWorkspace(TimeSource& time) : workspace(time) {
    workspace.onActivate = [this](const std::optional<AppIdentity>& app) {
      if (onActivate) onActivate(app);
    };
    workspace.onTerminate = [this](const AppIdentity& app) {
      if (onTerminate) onTerminate(app);
    };
    workspace.onSpaceChange = [this] {
      if (onSpaceChange) onSpaceChange();
    };
  }

  std::optional<AppIdentity> frontmost() override { return workspace.frontmost(); }

  bool bringToFront(const ReturnTarget& app) override {
    return workspace.bringToFront(app.bundleID);
  }
  void open(const ReturnTarget& app) override { workspace.open(app.bundleID); }

  AppCatalog::Platform catalogPlatform() override { return workspace.catalogPlatform(); }

  bool isInstalled(const std::string& bundleID) override {
    return workspace.entries().byId(QString::fromStdString(bundleID)).has_value();
  }

  Workspace workspace;
};

class LiveProbes : public ProbeService {
 public:
  explicit LiveProbes(Workspace& workspace) : probes(workspace) {}
  bool hasFullscreenWindow(std::int32_t pid) override { return probes.hasFullscreenWindow(pid); }
  std::vector<std::string> appsUsingMicrophone() override { return probes.appsUsingMicrophone(); }
  bool cameraInUse() override { return probes.cameraInUse(); }
  bool keepsDisplayAwake(const AppIdentity& app) override { return probes.keepsDisplayAwake(app); }
  std::string listText(const std::vector<std::string>& names) override {
    return SystemProbes::listText(names);
  }
  SystemProbes probes;
};

class LiveEvents : public SystemEvents {
 public:
  explicit LiveEvents(TimeSource& time) : monitor(time) {
    monitor.onAwayChange = [this](AwayReason reason, bool away) {
      if (onAwayChange) onAwayChange(reason, away);
    };
    monitor.onScreenParametersChanged = [this] {
      if (onScreenParametersChanged) onScreenParametersChanged();
    };
  }
  void start() override { monitor.start(); }
  SystemEventMonitor monitor;
};

class LiveSounds : public SoundPlayer {
 public:
  void playAlways(SoundService::Effect effect) override { service.playAlways(effect); }
  SoundService service;
};

class LiveShortcut : public GlobalShortcut {
 public:
  bool registerKey(std::function<void()> onPressed) override {
    return key.registerKey(std::move(onPressed));
  }
  void unregisterKey() override { key.unregisterKey(); }
  bool isRegistered() const override { return key.isRegistered(); }
  HotKey key;
};

class LiveLoginItem : public LoginItem {
 public:
  LaunchAtLogin::Status status() override { return LaunchAtLogin::status(); }
  std::optional<LaunchAtLogin::Error> set(bool enabled) override {
    return LaunchAtLogin::set(enabled);
  }
  std::string describe(const LaunchAtLogin::Error& error) override {
    return LaunchAtLogin::describe(error);
  }
};

class LiveMotion : public MotionPreference {
 public:
  LiveMotion() {
    reader.onChanged = [this] {
      if (onChanged) onChanged();
    };
  }
  bool reduceMotion() const override { return reader.reduceMotion(); }
  ReduceMotion reader;
};

class LiveTrayHosts : public TrayHosts {
 public:
  LiveTrayHosts() {
    watch.onChanged = [this] {
      if (watch.isAvailable() && onAppeared) onAppeared();
    };
  }
  bool isAvailable() const override { return watch.isAvailable(); }
  TrayHostWatch watch;
};

}  // namespace

LiveNotifier::LiveNotifier() {
  service.onAction = [this](const Uuid& id, NotificationService::Action action) {
    if (onAction) onAction(id, action);
  };
  service.onCheckInAction = [this](const Uuid& id, const CheckInResponse& response) {
    if (onCheckInAction) onCheckInAction(id, response);
  };
}

std::unique_ptr<LiveNotifier> DesktopServices::liveNotifier() {
  return std::make_unique<LiveNotifier>();
}

std::unique_ptr<WorkspaceService> DesktopServices::liveWorkspace(TimeSource& time) {
  return std::make_unique<LiveWorkspace>(time);
}

std::unique_ptr<GlobalShortcut> DesktopServices::liveShortcut() {
  return std::make_unique<LiveShortcut>();
}

DesktopServices DesktopServices::live(TimeSource& time) {
  DesktopServices d;
  auto workspace = std::make_unique<LiveWorkspace>(time);
  d.probes = std::make_unique<LiveProbes>(workspace->workspace);
  d.workspace = std::move(workspace);
  d.events = std::make_unique<LiveEvents>(time);
  d.notifier = liveNotifier();
  d.sounds = std::make_unique<LiveSounds>();
  d.shortcut = std::make_unique<LiveShortcut>();
  d.loginItem = std::make_unique<LiveLoginItem>();
  d.motion = std::make_unique<LiveMotion>();
  d.trays = std::make_unique<LiveTrayHosts>();
  auto idle = std::make_shared<IdleTime>();
  d.idleSeconds = [idle] { return idle->idleSeconds(); };
  return d;
}

}  // namespace pimble
