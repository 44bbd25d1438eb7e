#pragma once

// Fakes of every desktop service the controller uses, recording what they
// are asked and answering what the test sets. FakeDesktop builds them and
// keeps plain pointers to them after handing them to a controller.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/desktop_services.h"
#include "services/interruption_guard.h"

namespace pimble::testing {

class FakeWorkspace : public WorkspaceService {
 public:
  std::optional<AppIdentity> front;
  std::vector<ReturnTarget> running;
  std::optional<ReturnTarget> defaultBrowser;
  // Applications with a desktop entry, running or not.
  std::set<std::string> installed;
  // Declared categories by bundle id ("AudioVideo;Video;").
  std::map<std::string, std::string> categories;
  std::vector<ReturnTarget> broughtToFront;
  std::vector<ReturnTarget> opened;

  std::optional<AppIdentity> frontmost() override { return front; }
  bool bringToFront(const ReturnTarget& app) override {
    broughtToFront.push_back(app);
    for (const auto& r : running)
      if (r.bundleID == app.bundleID) return true;
    return false;
  }
  void open(const ReturnTarget& app) override { opened.push_back(app); }
  bool isInstalled(const std::string& bundleID) override { return installed.contains(bundleID); }
  AppCatalog::Platform catalogPlatform() override {
    AppCatalog::Platform platform;
    platform.appStoreCategory = [this](const std::string& bundleID) -> std::optional<std::string> {
      auto it = categories.find(bundleID);
      if (it == categories.end()) return std::nullopt;
      return it->second;
    };
    platform.runningApps = [this] { return running; };
    platform.defaultBrowser = [this] { return defaultBrowser; };
    return platform;
  }

  // Puts an application in front and reports it.
  void activate(std::optional<AppIdentity> app) {
    front = std::move(app);
    if (onActivate) onActivate(front);
  }
};

class FakeProbes : public ProbeService {
 public:
  std::set<std::int32_t> fullscreenPids;
  std::vector<std::string> microphone;
  bool camera = false;
  std::set<std::string> playingMedia;

  bool hasFullscreenWindow(std::int32_t pid) override { return fullscreenPids.contains(pid); }
  std::vector<std::string> appsUsingMicrophone() override { return microphone; }
  bool cameraInUse() override { return camera; }
  bool keepsDisplayAwake(const AppIdentity& app) override {
    return playingMedia.contains(app.bundleID);
  }
  std::string listText(const std::vector<std::string>& names) override {
    return InterruptionGuard::englishList(names);
  }
};

class FakeEvents : public SystemEvents {
 public:
  int starts = 0;
  void start() override { ++starts; }
};

class FakeNotifier : public Notifier {
 public:
  int starts = 0;
  std::vector<Reminder> postedReminders;
  std::vector<CheckIn> postedCheckIns;
  std::vector<Uuid> cleared;

  void start() override { ++starts; }
  void post(const Reminder& reminder) override { postedReminders.push_back(reminder); }
  void post(const CheckIn& checkIn) override { postedCheckIns.push_back(checkIn); }
  void clear(const Uuid& id) override { cleared.push_back(id); }
};

class FakeSounds : public SoundPlayer {
 public:
  std::vector<SoundService::Effect> played;
  void playAlways(SoundService::Effect effect) override { played.push_back(effect); }
};

class FakeShortcut : public GlobalShortcut {
 public:
  // Another program holds the key: registering fails.
  bool taken = false;
  int registrations = 0;
  int unregistrations = 0;
  std::function<void()> pressed;

  bool registerKey(std::function<void()> onPressed) override {
    if (taken) return false;
    ++registrations;
    pressed = std::move(onPressed);
    return true;
  }
  void unregisterKey() override {
    if (!pressed) return;
    ++unregistrations;
    pressed = nullptr;
  }
  bool isRegistered() const override { return static_cast<bool>(pressed); }
};

class FakeLoginItem : public LoginItem {
 public:
  LaunchAtLogin::Status current = LaunchAtLogin::Status::notRegistered;
  std::optional<LaunchAtLogin::Error> failure;
  std::vector<bool> sets;
  // Writes the real entry too, for the settings window to read.
  bool onDisk = false;

  LaunchAtLogin::Status status() override { return current; }
  std::optional<LaunchAtLogin::Error> set(bool enabled) override {
    sets.push_back(enabled);
    if (failure) return failure;
    current = enabled ? LaunchAtLogin::Status::enabled : LaunchAtLogin::Status::notRegistered;
    if (onDisk) return LaunchAtLogin::set(enabled, QCoreApplication::applicationFilePath());
    return std::nullopt;
  }
  std::string describe(const LaunchAtLogin::Error& error) override {
    return LaunchAtLogin::describe(error);
  }
};

class FakeMotion : public MotionPreference {
 public:
  bool reduce = false;
  bool reduceMotion() const override { return reduce; }
  void set(bool value) {
    reduce = value;
    if (onChanged) onChanged();
  }
};

class FakeTrayHosts : public TrayHosts {
 public:
  bool available = false;
  bool isAvailable() const override { return available; }
  // A tray comes up.
  void appear() {
    available = true;
    if (onAppeared) onAppeared();
  }
};

struct FakeDesktop {
  FakeWorkspace* workspace = nullptr;
  FakeProbes* probes = nullptr;
  FakeEvents* events = nullptr;
  FakeNotifier* notifier = nullptr;
  FakeSounds* sounds = nullptr;
  FakeShortcut* shortcut = nullptr;
  FakeLoginItem* loginItem = nullptr;
  FakeMotion* motion = nullptr;
  // No tray unless a test brings one.
  FakeTrayHosts* trays = nullptr;
  double idle = 0;

  // Services for one controller; the pointers above stay valid as long as
  // that controller lives.
  DesktopServices services() {
    DesktopServices d;
    workspace = hand<FakeWorkspace>(d.workspace);
    probes = hand<FakeProbes>(d.probes);
    events = hand<FakeEvents>(d.events);
    notifier = hand<FakeNotifier>(d.notifier);
    sounds = hand<FakeSounds>(d.sounds);
    shortcut = hand<FakeShortcut>(d.shortcut);
    loginItem = hand<FakeLoginItem>(d.loginItem);
    motion = hand<FakeMotion>(d.motion);
    trays = hand<FakeTrayHosts>(d.trays);
    d.idleSeconds = [this] { return idle; };
    return d;
  }

 private:
  // Puts a new fake in the service's slot and returns it.
  template <class Fake, class Service>
  static Fake* hand(std::unique_ptr<Service>& slot) {
    auto fake = std::make_unique<Fake>();
    Fake* raw = fake.get();
    slot = std::move(fake);
    return raw;
  }
};

}  // namespace pimble::testing
