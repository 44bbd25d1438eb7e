// The General tab on the real model: the companion switches and size, the
// corner, reset and tour buttons, and the login switch on a private
// autostart folder.
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "settings/general_settings_view.h"
#include "settings/segmented_control.h"
#include "settings/settings_fixture.h"
#include "settings/settings_window_controller.h"
#include "support/desktop_peers.h"

namespace pimble {
namespace {

using testing::click;
using testing::SettingsWrites;

const QString on = QStringLiteral("On. Pimble opens when you log in.");

class GeneralTabTest : public testing::ViewFixture<GeneralSettingsView> {
 protected:
  void prepare(GeneralSettingsView& v) override {
    v.openUrl = [this](const QUrl& url) {
      opened.push_back(url);
      return true;
    };
  }
  QCheckBox* loginSwitch() { return find<QCheckBox>("openAtLogin"); }
  QLabel* statusLine() { return find<QLabel>("loginStatus"); }
  QLabel* errorLine() { return find<QLabel>("loginError"); }
  QPushButton* openLoginItems() { return find<QPushButton>("openLoginItems"); }
  QString autostartFolder() const { return config_.filePath(QStringLiteral("autostart")); }

  std::vector<QUrl> opened;
};

TEST_F(GeneralTabTest, ControlsWriteTheirFieldButtonsCallTheirActionsAndModelChangesShow) {
  view();
  auto* size = find<SegmentedControl>("companionSize");
  expectEdit([&] { click(find<QCheckBox>("showCompanion")); },
             [](AppSettings& s) { s.showCompanion = false; });
  expectEdit([&] { click(find<QCheckBox>("alwaysOnTop")); },
             [](AppSettings& s) { s.alwaysOnTop = false; });
  expectEdit([&] { click(size->segment(2)); },
             [](AppSettings& s) { s.companionSize = CompanionSize::large; });

  expectEdit(
      [&] {
        for (const char* corner : {"bottomRight", "bottomLeft", "topRight", "topLeft"})
          click(find<QPushButton>((std::string("corner-") + corner).c_str()));
        click(find<QPushButton>("resetPosition"));
        click(find<QPushButton>("showWelcomeTour"));
      },
      [](AppSettings&) {}, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"moveToCorner bottomRight", "moveToCorner bottomLeft",
                                             "moveToCorner topRight", "moveToCorner topLeft",
                                             "resetPosition", "startOnboarding"}));

  // A change made elsewhere shows and is not written back.
  SettingsWrites writes(model());
  changeSettings([](AppSettings& s) {
    s.showCompanion = true;
    s.alwaysOnTop = true;
    s.companionSize = CompanionSize::small;
  });
  EXPECT_TRUE(find<QCheckBox>("showCompanion")->isChecked());
  EXPECT_TRUE(find<QCheckBox>("alwaysOnTop")->isChecked());
  EXPECT_EQ(size->currentIndex(), 0);
  EXPECT_EQ(writes.count(), 1);
}

TEST_F(GeneralTabTest, TheLoginSwitchWritesAndRemovesTheEntryAndRereadsItsStatus) {
  EXPECT_FALSE(loginSwitch()->isChecked());
  EXPECT_EQ(statusLine()->text(), "Off");
  SettingsWrites writes(model());
  click(loginSwitch());
  EXPECT_EQ(LaunchAtLogin::status(), LaunchAtLogin::Status::enabled);
  EXPECT_TRUE(loginSwitch()->isChecked());
  EXPECT_EQ(statusLine()->text(), on);
  EXPECT_FALSE(errorLine()->isVisible());
  EXPECT_FALSE(openLoginItems()->isVisible());
  click(loginSwitch());
  EXPECT_FALSE(QFile::exists(LaunchAtLogin::autostartPath()));
  EXPECT_EQ(statusLine()->text(), "Off");
  EXPECT_EQ(writes.count(), 0) << "opening at login is not a setting";

  // The entry appears behind the tab's back (another tool, the tour): read
  // again when the tab is shown.
  ASSERT_EQ(LaunchAtLogin::set(true), std::nullopt);
  EXPECT_FALSE(loginSwitch()->isChecked());
  view().hide();
  view().show();
  EXPECT_TRUE(loginSwitch()->isChecked());

  // The desktop's own switch turns it off while another window is in front:
  // read again when the tab's window is activated. Activation is handed out
  // by the application itself: a window manager may refuse a test's focus.
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  QFile entry(LaunchAtLogin::autostartPath());
  ASSERT_TRUE(entry.open(QIODevice::Append));
  entry.write("Hidden=true\n");
  entry.close();
  EXPECT_TRUE(loginSwitch()->isChecked());
  QApplication::setActiveWindow(&view());
  ASSERT_TRUE(view().isActiveWindow());
  EXPECT_FALSE(loginSwitch()->isChecked());
  EXPECT_EQ(statusLine()->text(), "Off");
}

// The real settings window on the test desktop: the user goes to another
// application's window, the entry is made (then removed) meanwhile, and the
// window manager brings the settings back.
TEST_F(GeneralTabTest, TheSwitchShowsTheEntryWhenTheUserComesBackToTheSettingsWindow) {
  for (auto why :
       {testing::missingX(), testing::missingProgram("xdotool"), testing::missingProgram("xterm")})
    if (why) GTEST_SKIP() << *why;
  SettingsWindowController settings(model());
  settings.show(SettingsTab::general);
  const auto active = [&] { return settings.window()->isActiveWindow(); };
  ASSERT_TRUE(testing::waitUntil(active));
  auto* login = settings.page(SettingsTab::general)->findChild<QCheckBox*>("openAtLogin");
  testing::ScopedProcess other("xterm", {"-e", "sleep", "60"});
  ASSERT_TRUE(other.started());
  const auto activate = [](const std::optional<QString>& window) {
    return window && testing::runTool("xdotool", {"windowactivate", window->section('\n', 0, 0)});
  };
  const auto xterm = testing::runTool(
      "xdotool", {"search", "--sync", "--onlyvisible", "--pid", QString::number(other.pid())});
  for (const bool entry : {true, false}) {
    ASSERT_TRUE(activate(xterm));
    ASSERT_TRUE(testing::waitUntil([&] { return !active(); }));
    if (entry)
      ASSERT_EQ(LaunchAtLogin::set(true, QCoreApplication::applicationFilePath()), std::nullopt);
    else
      ASSERT_TRUE(QFile::remove(LaunchAtLogin::autostartPath()));
    ASSERT_TRUE(activate(QString::number(settings.window()->winId())));
    ASSERT_TRUE(testing::waitUntil(active));
    EXPECT_EQ(login->isChecked(), entry);
  }
}

TEST_F(GeneralTabTest, AFailedWriteShowsTheErrorInRedWithTheFolderButton) {
  view();
  // A read-only autostart folder; the superuser writes through permissions,
  // so for it a folder stands where the entry would be written.
  ASSERT_TRUE(QDir().mkpath(autostartFolder()));
  ASSERT_TRUE(QFile::setPermissions(autostartFolder(), QFile::ReadOwner | QFile::ExeOwner));
  if (geteuid() == 0) {
    ASSERT_TRUE(QDir().mkpath(LaunchAtLogin::autostartPath()));
  }

  click(loginSwitch());
  EXPECT_FALSE(loginSwitch()->isChecked()) << "the switch shows the real status";
  EXPECT_TRUE(errorLine()->isVisible());
  EXPECT_FALSE(statusLine()->isVisible());
  EXPECT_TRUE(errorLine()->text().contains("(code ")) << errorLine()->text().toStdString();
  const QColor red = errorLine()->palette().color(errorLine()->foregroundRole());
  EXPECT_GT(red.red(), 180);
  EXPECT_LT(red.green(), 60);
  ASSERT_TRUE(openLoginItems()->isVisible());
  EXPECT_EQ(openLoginItems()->text(), "Open Login Items…");
  click(openLoginItems());
  EXPECT_EQ(opened, std::vector{QUrl::fromLocalFile(autostartFolder())});

  // Refreshing keeps the error; a later change that succeeds clears it.
  view().hide();
  view().show();
  EXPECT_TRUE(errorLine()->isVisible());
  QFile::setPermissions(autostartFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QDir(LaunchAtLogin::autostartPath()).removeRecursively();
  click(loginSwitch());
  EXPECT_TRUE(loginSwitch()->isChecked());
  EXPECT_FALSE(errorLine()->isVisible());
  EXPECT_FALSE(openLoginItems()->isVisible());
  EXPECT_EQ(statusLine()->text(), on);

  // With XDG_CONFIG_HOME a file no folder can be made: the button opens the
  // nearest folder that exists.
  click(loginSwitch());
  ASSERT_FALSE(loginSwitch()->isChecked());
  QFile blocker(config_.filePath(QStringLiteral("blocked")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  testing::ScopedEnv env("XDG_CONFIG_HOME", blocker.fileName());
  click(loginSwitch());
  ASSERT_TRUE(openLoginItems()->isVisible());
  click(openLoginItems());
  EXPECT_EQ(opened.back(), QUrl::fromLocalFile(config_.path()));
}

}  // namespace
}  // namespace pimble
