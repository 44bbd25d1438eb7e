#include "system/workspace.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "services/app_catalog.h"
#include "support/desktop_peers.h"
#include "system/fake_time_source.h"
#include "system/probe_test_support.h"
#include "system/system_probes.h"
#include "system/xcb_screen.h"

namespace pimble {
namespace {

using testing::ScopedEnv;
using testing::ScopedProcess;
using testing::waitUntil;

// A foreign application with its own desktop entry: an xterm whose window
// class is the entry's StartupWMClass.
constexpr const char* kHelperId = "pimble-probe-helper";
constexpr const char* kHelperClass = "PimbleProbeHelper";

class WorkspaceOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto why : {testing::missingX(), testing::missingProgram("xterm"),
                     testing::missingProgram("wmctrl"), testing::missingProgram("xdotool")}) {
      if (why) GTEST_SKIP() << *why;
    }
    ASSERT_TRUE(home_.isValid());
    dataHome_.emplace("XDG_DATA_HOME", home_.path());
    ASSERT_TRUE(testing::writeFile(
        home_.filePath(QString("applications/%1.desktop").arg(kHelperId)),
        QString("[Desktop Entry]\nType=Application\nName=Probe Helper\nExec=xterm -class %1 "
                "-e sleep 120\nStartupWMClass=%1\n")
            .arg(kHelperClass)
            .toUtf8()));
    workspace_ = std::make_unique<Workspace>(time_);
    if (!workspace_->windows().isConnected()) GTEST_SKIP() << "no EWMH window manager answers";
  }

  std::unique_ptr<ScopedProcess> startHelper() {
    return std::make_unique<ScopedProcess>(
        "xterm", QStringList{"-class", kHelperClass, "-e", "sleep", "120"});
  }

  std::vector<WindowId> windowsOf(pid_t pid) {
    std::vector<WindowId> result;
    for (WindowId w : workspace_->windows().clientList()) {
      if (workspace_->windows().windowPid(w) == pid) result.push_back(w);
    }
    return result;
  }

  // Activates a window as a pager would; the window manager may refuse to
  // focus new windows on its own after recent input elsewhere.
  void activate(WindowId window) {
    testing::runTool("wmctrl", {"-i", "-a", QString::number(window)});
  }

  std::string describeRunning() {
    std::string text;
    for (const auto& app : workspace_->runningApps()) {
      text += app.bundleID + ":" + std::to_string(app.pid) + " ";
    }
    return text;
  }

  size_t rowsFor(const std::string& id) {
    const auto apps = workspace_->runningApps();
    return std::count_if(apps.begin(), apps.end(),
                         [&](const AppIdentity& a) { return a.bundleID == id; });
  }

  // Sets the root window's active window as a window manager does.
  static void setActiveWindow(xcb_window_t window) {
    const XcbScreen x = XcbScreen::open();
    ASSERT_NE(x.connection, nullptr);
    const char* name = "_NET_ACTIVE_WINDOW";
    auto* atom = xcb_intern_atom_reply(
        x.connection, xcb_intern_atom(x.connection, 0, uint16_t(strlen(name)), name), nullptr);
    ASSERT_NE(atom, nullptr);
    // Done before the connection goes: a change still queued may be lost.
    free(xcb_request_check(
        x.connection, xcb_change_property_checked(x.connection, XCB_PROP_MODE_REPLACE, x.root,
                                                  atom->atom, XCB_ATOM_WINDOW, 32, 1, &window)));
    free(atom);
    xcb_flush(x.connection);
    xcb_disconnect(x.connection);
  }

  QTemporaryDir home_;
  std::optional<ScopedEnv> dataHome_;
  FakeTimeSource time_;
  std::unique_ptr<Workspace> workspace_;
};

TEST_F(WorkspaceOnX, ForeignWindowsAreFrontRunningOnceBroughtForwardAndFullScreen) {
  std::vector<std::optional<AppIdentity>> activations;
  std::vector<AppIdentity> terminations;
  workspace_->onActivate = [&](const std::optional<AppIdentity>& app) {
    activations.push_back(app);
  };
  workspace_->onTerminate = [&](const AppIdentity& app) { terminations.push_back(app); };

  auto helper = startHelper();
  auto second = startHelper();
  ASSERT_TRUE(helper->started() && second->started());
  const auto helperPid = static_cast<pid_t>(helper->pid());
  ASSERT_TRUE(waitUntil([&] { return !windowsOf(helperPid).empty(); }));
  activate(windowsOf(helperPid).front());
  std::optional<AppIdentity> front;
  ASSERT_TRUE(waitUntil([&] {
    front = workspace_->frontmost();
    return front && front->bundleID == kHelperId;
  }));
  EXPECT_EQ(front->name, "Probe Helper");

  ScopedProcess xterm("xterm", {"-e", "sleep", "120"});
  ASSERT_TRUE(xterm.started());
  const auto xtermPid = static_cast<pid_t>(xterm.pid());
  ASSERT_TRUE(waitUntil([&] { return !windowsOf(xtermPid).empty(); }));
  activate(windowsOf(xtermPid).front());
  ASSERT_TRUE(waitUntil([&] {
    front = workspace_->frontmost();
    return front && front->bundleID == "debian-xterm" && front->pid == xtermPid;
  }));
  EXPECT_EQ(front->name, "XTerm");
  ASSERT_TRUE(waitUntil([&] { return rowsFor("debian-xterm") == 1; }));
  EXPECT_EQ(rowsFor(kHelperId), 1u);  // two processes, one application

  // The change events arrived too, each application once per activation.
  ASSERT_TRUE(waitUntil([&] {
    return !activations.empty() && activations.back() &&
           activations.back()->bundleID == "debian-xterm";
  }));

  EXPECT_TRUE(workspace_->bringToFront(kHelperId));
  ASSERT_TRUE(waitUntil(
      [&] { return workspace_->frontmost() && workspace_->frontmost()->bundleID == kHelperId; }));
  EXPECT_FALSE(workspace_->bringToFront("pimble-not-running"));

  SystemProbes probes(*workspace_);
  EXPECT_FALSE(probes.hasFullscreenWindow(xtermPid));
  const WindowId window = windowsOf(xtermPid).front();
  ASSERT_TRUE(
      testing::runTool("wmctrl", {"-i", "-r", QString::number(window), "-b", "add,fullscreen"}));
  EXPECT_TRUE(waitUntil([&] { return probes.hasFullscreenWindow(xtermPid); }));
  EXPECT_FALSE(probes.hasFullscreenWindow(helperPid));

  // A process exit is reported through its pid.
  xterm.stop();
  ASSERT_TRUE(waitUntil([&] { return !terminations.empty(); }));
  EXPECT_EQ(terminations.front().pid, xtermPid);
  EXPECT_EQ(terminations.front().bundleID, "debian-xterm");
  EXPECT_EQ(rowsFor("debian-xterm"), 0u) << describeRunning();

  // An application has quit when its last process has ended.
  second->stop();
  helper->stop();
  auto helperQuits = [&] {
    return std::count_if(terminations.begin(), terminations.end(),
                         [](const AppIdentity& a) { return a.bundleID == kHelperId; });
  };
  ASSERT_TRUE(waitUntil([&] { return helperQuits() > 0; }));
  waitUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(helperQuits(), 1);
}

TEST_F(WorkspaceOnX, NoActiveWindowThatLastsLeavesNoApplicationInFront) {
  std::vector<std::optional<AppIdentity>> activations;
  workspace_->onActivate = [&](const std::optional<AppIdentity>& app) {
    activations.push_back(app);
  };
  ScopedProcess xterm("xterm", {"-e", "sleep", "120"});
  ASSERT_TRUE(xterm.started());
  const auto pid = static_cast<pid_t>(xterm.pid());
  ASSERT_TRUE(waitUntil([&] { return !windowsOf(pid).empty(); }));
  const WindowId window = windowsOf(pid).front();
  activate(window);
  ASSERT_TRUE(waitUntil([&] { return workspace_->frontmost() && !activations.empty(); }));
  ASSERT_EQ(workspace_->frontmost()->pid, pid);
  activations.clear();

  // The moment between two activations changes nothing.
  setActiveWindow(0);
  ASSERT_TRUE(waitUntil([&] { return time_.pendingCount() == 1; }));
  setActiveWindow(window);
  ASSERT_TRUE(waitUntil([&] { return time_.pendingCount() == 0; }));
  time_.advance(Workspace::noActiveWindowWait * 2);
  EXPECT_TRUE(activations.empty());
  EXPECT_EQ(workspace_->frontmost()->pid, pid);

  // A "none" that lasts (a native Wayland window in front): nothing is.
  setActiveWindow(0);
  ASSERT_TRUE(waitUntil([&] { return time_.pendingCount() == 1; }));
  time_.advance(Workspace::noActiveWindowWait * 0.9);
  EXPECT_TRUE(activations.empty());
  time_.advance(Workspace::noActiveWindowWait * 0.2);
  EXPECT_EQ(activations, (std::vector<std::optional<AppIdentity>>{std::nullopt}));
  EXPECT_EQ(workspace_->frontmost(), std::nullopt);
}

TEST_F(WorkspaceOnX, OurBubbleIsNeverFrontNorRunning) {
  auto helper = startHelper();
  ASSERT_TRUE(helper->started());
  const auto helperPid = static_cast<pid_t>(helper->pid());
  ASSERT_TRUE(waitUntil([&] { return !windowsOf(helperPid).empty(); }));
  activate(windowsOf(helperPid).front());
  ASSERT_TRUE(waitUntil([&] {
    return workspace_->frontmost() && workspace_->frontmost()->bundleID == kHelperId;
  })) << "front: "
      << (workspace_->frontmost()
              ? workspace_->frontmost()->bundleID + std::to_string(workspace_->frontmost()->pid)
              : "none")
      << " helper " << helperPid << " active " << workspace_->windows().activeWindow() << " "
      << describeRunning();

  // A bubble that takes the keyboard (the intention form): a utility window.
  QWidget own(nullptr, Qt::Tool | Qt::FramelessWindowHint);
  own.setWindowTitle("Pimble own window");
  own.resize(200, 100);
  own.show();
  own.activateWindow();
  const pid_t self = ::getpid();
  ASSERT_TRUE(waitUntil([&] {
    own.activateWindow();
    return workspace_->windows().windowPid(workspace_->windows().activeWindow()) == self;
  })) << "the test window never became active";

  const auto front = workspace_->frontmost();
  ASSERT_TRUE(front);
  EXPECT_EQ(front->bundleID, kHelperId);
  for (const auto& app : workspace_->runningApps()) EXPECT_NE(app.pid, self) << app.bundleID;
}

TEST_F(WorkspaceOnX, OpenLaunchesAnAppThatIsNotRunningFromItsEntry) {
  ASSERT_TRUE(testing::writeFile(
      home_.filePath("applications/pimble-probe-launch.desktop"),
      "[Desktop Entry]\nType=Application\nName=Launch Me\n"
      "Exec=xterm -class PimbleProbeLaunch -title \"Launch Me %c\" -e sleep 120 %U\n"
      "StartupWMClass=PimbleProbeLaunch\n"));
  EXPECT_FALSE(workspace_->bringToFront("pimble-probe-launch"));
  EXPECT_EQ(rowsFor("pimble-probe-launch"), 0u);
  workspace_->open("pimble-probe-launch");
  // Whatever happens below, the launched program is stopped by its pid.
  struct StopLaunched {
    Workspace& workspace;
    ~StopLaunched() {
      for (WindowId w : workspace.windows().clientList()) {
        if (workspace.windows().windowClass(w).second != "PimbleProbeLaunch") continue;
        if (auto pid = workspace.windows().windowPid(w)) ::kill(*pid, SIGTERM);
      }
    }
  } stop{*workspace_};
  std::optional<AppIdentity> launched;
  ASSERT_TRUE(waitUntil([&] {
    for (const auto& app : workspace_->runningApps()) {
      if (app.bundleID == "pimble-probe-launch") launched = app;
    }
    return launched.has_value();
  })) << describeRunning();
  EXPECT_EQ(launched->name, "Launch Me");
  ASSERT_GT(launched->pid, 0);
  ::kill(launched->pid, SIGTERM);
  EXPECT_TRUE(waitUntil([&] { return rowsFor("pimble-probe-launch") == 0; }));

  workspace_->open("pimble-no-such-app");  // unknown: nothing happens
}

TEST_F(WorkspaceOnX, RunningAppsAreSortedByNameIgnoringCaseAndTiesKeepTheirOrder) {
  // Started one after another, so the window list has them in this order.
  std::vector<std::unique_ptr<ScopedProcess>> running;
  std::vector<std::string> ids;
  int n = 0;
  for (const char* name : {"zeta", "Alpha", "Beta", "Gamma", "beta"}) {
    const QString cls = QString("PimbleSorted%1").arg(++n);
    const std::string id = "pimble-sorted-" + std::to_string(n);
    ASSERT_TRUE(testing::writeFile(
        home_.filePath(QString("applications/%1.desktop").arg(QString::fromStdString(id))),
        QString("[Desktop Entry]\nType=Application\nName=%1\nExec=xterm -class %2\n"
                "StartupWMClass=%2\n")
            .arg(name, cls)
            .toUtf8()));
    running.push_back(
        std::make_unique<ScopedProcess>("xterm", QStringList{"-class", cls, "-e", "sleep", "120"}));
    ASSERT_TRUE(running.back()->started());
    ASSERT_TRUE(waitUntil([&] { return rowsFor(id) == 1; })) << describeRunning();
    ids.push_back(id);
  }
  const auto namesInOrder = [&](const auto& apps) {
    std::vector<std::string> names;
    for (const auto& app : apps) {
      if (std::find(ids.begin(), ids.end(), app.bundleID) != ids.end()) names.push_back(app.name);
    }
    return names;
  };
  const std::vector<std::string> sorted{"Alpha", "Beta", "beta", "Gamma", "zeta"};
  EXPECT_EQ(namesInOrder(workspace_->runningApps()), sorted);

  // The catalogue asks this workspace, and nothing once it is gone.
  AppCatalog::install(workspace_->catalogPlatform());
  EXPECT_EQ(namesInOrder(AppCatalog::runningApps()), sorted);
  workspace_.reset();
  EXPECT_TRUE(AppCatalog::runningApps().empty());
  AppCatalog::install({});
}

TEST_F(WorkspaceOnX, TheSessionsBrowserIsTheOneInFrontElseTheDefault) {
  // Only this test's folders: no default browser of the machine's own.
  ScopedEnv configHome("XDG_CONFIG_HOME", home_.filePath("config"));
  ScopedEnv configDirs("XDG_CONFIG_DIRS", home_.filePath("sysconfig"));
  ScopedEnv dataDirs("XDG_DATA_DIRS", home_.filePath("system"));
  ScopedEnv desktop("XDG_CURRENT_DESKTOP", std::nullopt);
  // "firefox" is a browser by its id; this one is an xterm in disguise.
  ASSERT_TRUE(testing::writeFile(home_.filePath("applications/firefox.desktop"),
                                 "[Desktop Entry]\nType=Application\nName=Firefox\n"
                                 "Exec=xterm -class PimbleFakeFirefox\n"
                                 "StartupWMClass=PimbleFakeFirefox\n"));
  ASSERT_TRUE(testing::writeFile(home_.filePath("applications/chromium.desktop"),
                                 "[Desktop Entry]\nType=Application\nName=Chromium\nExec=true\n"));
  workspace_ = std::make_unique<Workspace>(time_);
  AppCatalog::install(workspace_->catalogPlatform());
  struct Uninstall {
    ~Uninstall() { AppCatalog::install({}); }
  } uninstall;
  const auto frontIs = [&](const std::string& id) {
    return waitUntil([&] {
      const auto front = workspace_->frontmost();
      return front && front->bundleID == id;
    });
  };

  auto helper = startHelper();
  ASSERT_TRUE(helper->started());
  const auto helperPid = static_cast<pid_t>(helper->pid());
  ASSERT_TRUE(waitUntil([&] { return !windowsOf(helperPid).empty(); }));
  activate(windowsOf(helperPid).front());
  ASSERT_TRUE(frontIs(kHelperId));
  EXPECT_EQ(AppCatalog::browserForSession(workspace_->frontmost()), std::nullopt);

  ASSERT_TRUE(
      testing::writeFile(home_.filePath("config/mimeapps.list"),
                         "[Default Applications]\nx-scheme-handler/https=chromium.desktop\n"));
  EXPECT_EQ(AppCatalog::browserForSession(workspace_->frontmost()),
            (ReturnTarget{"chromium", "Chromium"}));

  ScopedProcess browser("xterm", {"-class", "PimbleFakeFirefox", "-e", "sleep", "120"});
  ASSERT_TRUE(browser.started());
  const auto browserPid = static_cast<pid_t>(browser.pid());
  ASSERT_TRUE(waitUntil([&] { return !windowsOf(browserPid).empty(); }));
  activate(windowsOf(browserPid).front());
  ASSERT_TRUE(frontIs("firefox"));
  EXPECT_EQ(AppCatalog::browserForSession(workspace_->frontmost()),
            (ReturnTarget{"firefox", "Firefox"}));
}

TEST_F(WorkspaceOnX, SwitchingDesktopsIsReported) {
  int changes = 0;
  workspace_->onSpaceChange = [&] { ++changes; };
  const auto before = workspace_->windows().currentDesktop();
  ASSERT_TRUE(before);
  ASSERT_TRUE(testing::runTool("wmctrl", {"-s", *before == 0 ? "1" : "0"}));
  EXPECT_TRUE(waitUntil([&] { return changes > 0; }));
  testing::runTool("wmctrl", {"-s", QString::number(*before)});
}

TEST_F(WorkspaceOnX, BringingForwardAWindowOnAnotherDesktopTakesTheUserThere) {
  X11Windows& x = workspace_->windows();
  const std::uint32_t before = x.currentDesktop().value_or(0), other = before == 0 ? 1 : 0;
  struct Restore {
    QString desktop;
    ~Restore() { testing::runTool("wmctrl", {"-s", desktop}); }
  } restore{QString::number(before)};
  auto helper = startHelper();
  ASSERT_TRUE(helper->started());
  ASSERT_TRUE(waitUntil([&] { return !windowsOf(helper->pid()).empty(); }));
  const WindowId away = windowsOf(helper->pid()).front();
  ASSERT_TRUE(testing::runTool("wmctrl",
                               {"-i", "-r", QString::number(away), "-t", QString::number(other)}));
  // The requests to the window manager, as a pager on the root window sees them.
  const XcbScreen pager = XcbScreen::open();
  ASSERT_NE(pager.connection, nullptr);
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(pager.connection, pager.root, XCB_CW_EVENT_MASK, &mask);
  auto* atom = xcb_intern_atom_reply(
      pager.connection, xcb_intern_atom(pager.connection, 0, 18, "_NET_ACTIVE_WINDOW"), nullptr);
  ASSERT_NE(atom, nullptr);
  const xcb_atom_t activate = atom->atom;
  free(atom);

  EXPECT_TRUE(workspace_->bringToFront(kHelperId));
  EXPECT_TRUE(waitUntil([&] { return x.activeWindow() == away && x.currentDesktop() == other; }));
  std::uint32_t requestTime = 0;
  while (xcb_generic_event_t* event = xcb_poll_for_event(pager.connection)) {
    const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
    if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && message->type == activate)
      requestTime = message->data.data32[1];
    free(event);
  }
  xcb_disconnect(pager.connection);
  EXPECT_NE(requestTime, 0u) << "the activation carries the time of the user's action";
}

TEST_F(WorkspaceOnX, FullScreenAllowsTwoPixelsOfDifference) {
  // Our own frameless window stands in for a borderless "full-screen" game.
  const auto monitors = workspace_->windows().monitors();
  ASSERT_FALSE(monitors.empty());
  const QRect screen = monitors.front();
  QWidget window(nullptr, Qt::FramelessWindowHint);
  window.setGeometry(screen.adjusted(0, 0, -2, 0));
  window.show();
  SystemProbes probes(*workspace_);
  const pid_t self = ::getpid();
  ASSERT_TRUE(waitUntil([&] { return probes.hasFullscreenWindow(self); }));
  window.setGeometry(screen.adjusted(0, 0, -3, 0));
  EXPECT_TRUE(waitUntil([&] { return !probes.hasFullscreenWindow(self); }));
  window.setGeometry(screen);
  EXPECT_TRUE(waitUntil([&] { return probes.hasFullscreenWindow(self); }));
  window.setWindowOpacity(0.005);
  EXPECT_TRUE(waitUntil([&] { return !probes.hasFullscreenWindow(self); }));
  window.hide();
  window.setWindowOpacity(1.0);
  EXPECT_TRUE(waitUntil([&] { return !probes.hasFullscreenWindow(self); }));
}

}  // namespace
}  // namespace pimble
