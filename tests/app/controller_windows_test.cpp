// The controller's settings window: made once, brought back on its last
// tab, kept when closed, opened by a second launch, and Ctrl+Q in it quits
// the orderly way.
#include <QAbstractButton>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "app/controller_harness.h"
#include "settings/settings_window_controller.h"

namespace pimble::testing {
namespace {

class ControllerWindowsTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    if (IsSkipped()) return;
    // The General tab reads the autostart entry: keep it off the user's.
    ASSERT_TRUE(config_.isValid());
    saved_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
  }
  void TearDown() override {
    ControllerTest::TearDown();
    qputenv("XDG_CONFIG_HOME", saved_);
  }
  QTemporaryDir config_;
  QByteArray saved_;
};

TEST_F(ControllerWindowsTest, OneWindowBroughtBackOnTheTabLastInFront) {
  seedQuietUser();
  AppController& c = started();
  EXPECT_EQ(c.settingsWindow(), nullptr) << "no window until asked for";

  c.openSettings();
  SettingsWindowController* window = c.settingsWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->window()->isVisible());
  EXPECT_EQ(window->currentTab(), SettingsTab::general);

  c.openSettings();
  EXPECT_EQ(c.settingsWindow(), window);
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
}

TEST_F(ControllerWindowsTest, ASecondLaunchBringsTheCharacterAndTheSettingsBack) {
  AppSettings hidden;
  hidden.showCompanion = false;
  seedQuietUser(hidden);
  AppController& c = started();
  c.openSettings(SettingsTab::appearance);
  c.settingsWindow()->window()->close();

  c.reopen();
  EXPECT_TRUE(settings().showCompanion);
  ASSERT_NE(c.settingsWindow(), nullptr);
  EXPECT_TRUE(c.settingsWindow()->window()->isVisible());
  EXPECT_EQ(c.settingsWindow()->currentTab(), SettingsTab::appearance);
}

TEST_F(ControllerWindowsTest, TheWindowsControlsReachTheRunningProgram) {
  seedQuietUser();
  AppController& c = started();
  c.openSettings(SettingsTab::general);
  auto* onTop = c.settingsWindow()->window()->findChild<QAbstractButton*>("alwaysOnTop");
  ASSERT_NE(onTop, nullptr);
  onTop->click();
  EXPECT_FALSE(settings().alwaysOnTop);
  ASSERT_TRUE(c.appliedSettings().has_value());
  EXPECT_FALSE(c.appliedSettings()->alwaysOnTop) << "applied through the model's observer";
}

TEST_F(ControllerWindowsTest, CtrlQInTheWindowShutsDownTheOrderlyWay) {
  seedQuietUser();
  AppController& c = started();
  c.openSettings();
  QWidget* window = c.settingsWindow()->window();
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

}  // namespace
}  // namespace pimble::testing
