// The controller's settings window: made once, brought back on its last
// tab, kept when closed, opened by a second launch, Ctrl+Q in it quits the
// orderly way, and time in it is time in this program.
#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include "app/awareness_fixture.h"
#include "settings/settings_window_controller.h"

namespace pimble::testing {
namespace {

using ControllerWindowsTest = ControllerTest;

TEST_F(ControllerWindowsTest, OneWindowBroughtBackOnTheTabLastInFrontAndByASecondLaunch) {
  AppSettings hidden;
  hidden.showCompanion = false;
  seedQuietUser(hidden);
  AppController& c = started();
  EXPECT_EQ(c.settingsWindow(), nullptr) << "no window until asked for";

  c.openSettings();
  SettingsWindowController* window = c.settingsWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->window()->isVisible());
  EXPECT_EQ(window->currentTab(), SettingsTab::general);
  c.openSettings(SettingsTab::progress);
  EXPECT_EQ(c.settingsWindow(), window);
  EXPECT_EQ(window->currentTab(), SettingsTab::progress);

  window->selection().setTab(SettingsTab::focus);
  window->window()->close();
  EXPECT_FALSE(window->window()->isVisible());
  EXPECT_FALSE(c.isShutDown()) << "closing the window keeps the program running";
  c.openSettings();
  EXPECT_EQ(c.settingsWindow(), window);
  EXPECT_TRUE(window->window()->isVisible());
  EXPECT_EQ(window->currentTab(), SettingsTab::focus);

  // A second launch shows the character and the window on its tab.
  window->window()->close();
  c.reopen();
  EXPECT_TRUE(settings().showCompanion);
  EXPECT_TRUE(window->window()->isVisible());
  EXPECT_EQ(window->currentTab(), SettingsTab::focus);
}

TEST_F(ControllerWindowsTest, TheWindowsControlsReachTheProgramAndCtrlQQuitsTheOrderlyWay) {
  seedQuietUser();
  AppController& c = started();
  c.openSettings(SettingsTab::general);
  QWidget* window = c.settingsWindow()->window();
  auto* onTop = window->findChild<QAbstractButton*>("alwaysOnTop");
  ASSERT_NE(onTop, nullptr);
  onTop->click();
  ASSERT_TRUE(c.appliedSettings().has_value());
  EXPECT_FALSE(c.appliedSettings()->alwaysOnTop) << "applied through the model's observer";

  // A window manager may refuse a test's request for focus; window
  // shortcuts need only the application's active window.
  QApplication::setActiveWindow(window);
  ASSERT_TRUE(window->isActiveWindow());
  store.forget();
  QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_TRUE(c.isShutDown());
  EXPECT_EQ(store.writeCount("settings"), 1);
  EXPECT_EQ(store.writeCount("progress"), 1);
}

TEST_F(ControllerWindowsTest, TimeInTheSettingsWindowIsNotCountedToTheApplicationBefore) {
  for (auto program : {"xterm", "wmctrl"})
    if (auto why = missingProgram(program)) GTEST_SKIP() << *why;
  AppSettings s;
  s.awareness.isEnabled = true;
  s.awareness.apps = {watched({"debian-xterm", "XTerm", 0}, AppCategory::social)};
  seedQuietUser(s);
  DesktopServices services = desktop.services();
  services.workspace = DesktopServices::liveWorkspace(time);
  controller = std::make_unique<AppController>(store, time, std::move(services));
  AppController& c = started();
  const auto inFront = [&](const std::string& id) {
    return c.frontmost() && c.frontmost()->bundleID == id;
  };
  ScopedProcess xterm("xterm", {"-title", "pimble-counted", "-e", "sleep", "120"});
  ASSERT_TRUE(xterm.started());
  ASSERT_TRUE(waitUntil([&] {
    return runTool("wmctrl", {"-a", "pimble-counted"}) && inFront("debian-xterm");
  }));
  time.advance(Seconds(5));

  c.openSettings();
  QWidget* window = c.settingsWindow()->window();
  ASSERT_TRUE(waitUntil([&] {
    window->activateWindow();
    return window->isActiveWindow();
  }));
  // The window manager's word on the active window follows the focus.
  waitUntil([&] { return inFront(AppCatalog::ownBundleID()); }, std::chrono::seconds(1));
  time.advance(Seconds(20));
  EXPECT_DOUBLE_EQ(c.awareness().tracker().activeSeconds("debian-xterm"), 5);
}

}  // namespace
}  // namespace pimble::testing
