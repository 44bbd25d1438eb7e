// The real program under the window managers of the big desktops, each on an
// X server, a session bus and settings of the test's own: each draws its own
// conclusions from how the character's and the bubbles' windows are tied
// to each other and to the program's other windows.
#include <QDir>
#include <QRegularExpression>

#include "app/pimble_process.h"
#include "bubbles/bubble_placement.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"
#include "system/probe_test_support.h"

namespace pimble::testing {
namespace {

struct Manager {
  const char* name;
  QStringList command;
};

void PrintTo(const Manager& m, std::ostream* out) {
  *out << m.name;
}

class WindowManagerTest : public ProcessTest, public ::testing::WithParamInterface<Manager> {
 protected:
  // The window manager on a server of its own with four workspaces; false
  // (the test skipped) when it cannot start.
  bool startDesktop() {
    const QStringList command = GetParam().command;
    if (missingProgram(command.first()) || missingProgram("dbus-daemon") ||
        missingProgram("wmctrl") || missingProgram("xprop"))
      return false;
    if (server_.display.isEmpty()) return false;
    // A bus that starts no services: one started for the window manager
    // (KWin's shortcuts) would outlive the test.
    const QString busConfig = dir_.path() + "/bus.conf";
    writeFile(busConfig,
              "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    bus_ = std::make_unique<ScopedProcess>(
        "dbus-daemon", QStringList{"--config-file=" + busConfig, "--nofork", "--print-address=1"});
    if (!bus_->process().waitForReadyRead(5000)) return false;
    const QString config = dir_.path() + "/wm-config";
    writeFile(config + "/glib-2.0/settings/keyfile",
              "[org/gnome/mutter]\ndynamic-workspaces=false\n"
              "[org/gnome/desktop/wm/preferences]\nnum-workspaces=4\n"
              "[org/mate/marco/general]\nnum-workspaces=4\n");
    env_.emplace_back(std::make_unique<ScopedEnv>("DISPLAY", server_.display));
    env_.emplace_back(std::make_unique<ScopedEnv>(
        "DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(bus_->process().readLine()).trimmed()));
    env_.emplace_back(std::make_unique<ScopedEnv>("GSETTINGS_BACKEND", QString("keyfile")));
    env_.emplace_back(std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", config));
    manager_ = std::make_unique<ScopedProcess>(command.first(), command.mid(1));
    if (!waitUntil([] { return runTool("wmctrl", {"-m"}).has_value(); }, 10s)) return false;
    runTool("wmctrl", {"-n", "4"});
    return waitUntil([] { return runTool("wmctrl", {"-d"}).value_or("").count('\n') == 3; });
  }

  // One reminder that comes by itself a few seconds after the character.
  void seedReminderSoon() {
    seed(true);
    Reminder water = Reminder::defaults().front();
    water.soundEnabled = false;
    ScheduleSnapshot schedule;
    schedule.runtime[water.id.string()].nextDue = systemNow() + Seconds(9);
    FilePersistence store(data_.toStdString());
    store.save(RemindersFile{{water}}, "reminders");
    store.save(schedule, "schedule");
  }

  // Another application, in front.
  void startOtherApplication() {
    other_ = std::make_unique<ScopedProcess>("xterm", QStringList{"-geometry", "80x20+40+40"});
    QString window;
    waitUntil([&] {
      window = runTool("xdotool", {"search", "--onlyvisible", "--class", "xterm"})
                   .value_or("")
                   .section('\n', 0, 0);
      return !window.isEmpty();
    });
    runTool("xdotool", {"windowactivate", "--sync", window});
  }

  static QString property(const QString& window, const QString& name) {
    return runTool("xprop", {"-id", window, name}).value_or("").section(" = ", 1);
  }
  // Shown, not hidden by the window manager, and on the current workspace
  // because on all of them.
  static bool onEveryWorkspace(const QString& window) {
    return runTool("xwininfo", {"-id", window}).value_or("").contains("IsViewable") &&
           !property(window, "_NET_WM_STATE").contains("HIDDEN") &&
           property(window, "_NET_WM_DESKTOP") == "4294967295";
  }

  OwnXServer server_;
  std::unique_ptr<ScopedProcess> bus_, manager_, other_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
};

TEST_P(WindowManagerTest,
       ABubbleWhileAnotherApplicationIsActiveShowsBesideTheCharacterOnEveryWorkspace) {
  if (!startDesktop())
    GTEST_SKIP() << GetParam().name << " did not start on an X server of its own";
  if (missingProgram("xterm")) GTEST_SKIP() << "xterm is not installed";
  seedReminderSoon();
  startOtherApplication();
  Pimble pimble(data_);
  ASSERT_TRUE(pimble.showsWindow(20s));
  const QString character = pimble.windows("^Pimble Glimmet$").value(0);
  // The speech bubble, as wide as ever; the greeting's is narrower.
  const QString width = QStringLiteral("Geometry: %1x").arg(int(BubblePlacement::panelWidth));
  QString bubble;
  ASSERT_TRUE(waitUntil(
      [&] {
        for (const QString& w : pimble.windows(".*"))
          if (runTool("xdotool", {"getwindowgeometry", w}).value_or("").contains(width)) bubble = w;
        return !bubble.isEmpty() && onEveryWorkspace(bubble);
      },
      30s))
      << "no reminder bubble shown";
  pause(500ms);
  for (const char* workspace : {"0", "1", "2"}) {
    SCOPED_TRACE(workspace);
    runTool("wmctrl", {"-s", workspace});
    pause(500ms);
    EXPECT_TRUE(onEveryWorkspace(character));
    EXPECT_TRUE(onEveryWorkspace(bubble));
  }
  // A click on the bubble hands it the keyboard where the window manager lets it.
  runTool("xdotool", {"mousemove", "--window", bubble, "60", "30", "click", "1"});
  waitUntil([&] { return runTool("xdotool", {"getactivewindow"}) == bubble; }, 2s);
  runTool("wmctrl", {"-s", "3"});
  pause(500ms);
  EXPECT_TRUE(onEveryWorkspace(character));
  EXPECT_TRUE(onEveryWorkspace(bubble));
  // Taking the keyboard kept it above other windows.
  EXPECT_TRUE(property(bubble, "_NET_WM_STATE").contains("_NET_WM_STATE_ABOVE"));
  saveScreenshot(QStringLiteral("window-manager-%1.png").arg(GetParam().name));
}

TEST_P(WindowManagerTest, TheSettingsWindowMinimisedLeavesTheCharacterOnScreen) {
  if (!startDesktop())
    GTEST_SKIP() << GetParam().name << " did not start on an X server of its own";
  seed(true);
  Pimble pimble(data_);
  ASSERT_TRUE(pimble.showsWindow(20s));
  const QString character = pimble.windows("^Pimble Glimmet$").value(0);
  // Started again, it opens the settings.
  EXPECT_EQ(Pimble(data_).finish(), 0);
  QString settings;
  ASSERT_TRUE(waitUntil([&] {
    settings = pimble.windows("^Pimble Glimmet Settings$").value(0);
    return !settings.isEmpty();
  }));
  ASSERT_TRUE(runTool("xdotool", {"windowminimize", "--sync", settings}));
  pause(500ms);
  EXPECT_TRUE(onEveryWorkspace(character));
  runTool("xdotool", {"windowactivate", "--sync", settings});
  pause(500ms);
  EXPECT_TRUE(onEveryWorkspace(character));
  EXPECT_TRUE(property(character, "_NET_WM_STATE").contains("_NET_WM_STATE_ABOVE"));
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, WindowManagerTest,
    ::testing::Values(Manager{"mutter", {"mutter", "--x11", "--replace", "--sm-disable"}},
                      Manager{"marco", {"marco", "--replace", "--no-composite"}},
                      Manager{"kwin", {"kwin_x11", "--replace"}},
                      Manager{"xfwm4", {"xfwm4", "--replace"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pimble::testing
