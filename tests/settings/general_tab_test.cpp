// The General tab on the real model: the companion switches and size, the
// corner, reset and tour buttons, and the login switch on a private
// autostart folder.
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "settings/general_settings_view.h"
#include "settings/segmented_control.h"
#include "settings/settings_fixture.h"

namespace pimble {
namespace {

using testing::click;
using testing::SettingsWrites;

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

TEST_F(GeneralTabTest, EachControlWritesItsOwnFieldOnly) {
  view();
  {
    SettingsWrites writes(model());
    click(find<QCheckBox>("showCompanion"));
    EXPECT_EQ(model().settings(), writes.expected([](AppSettings& s) { s.showCompanion = false; }));
    EXPECT_EQ(writes.count(), 1);
  }
  {
    SettingsWrites writes(model());
    click(find<QCheckBox>("alwaysOnTop"));
    EXPECT_EQ(model().settings(), writes.expected([](AppSettings& s) { s.alwaysOnTop = false; }));
  }
  {
    SettingsWrites writes(model());
    auto* size = find<SegmentedControl>("companionSize");
    ASSERT_EQ(size->count(), 3);
    EXPECT_EQ(size->segment(0)->text(), "Small");
    EXPECT_EQ(size->segment(2)->text(), "Large");
    click(size->segment(2));
    EXPECT_EQ(model().settings(),
              writes.expected([](AppSettings& s) { s.companionSize = CompanionSize::large; }));
    EXPECT_EQ(size->currentIndex(), 2);
  }
}

TEST_F(GeneralTabTest, ModelChangesShowWithoutBeingWrittenBack) {
  view();
  SettingsWrites writes(model());
  changeSettings([](AppSettings& s) {
    s.showCompanion = false;
    s.alwaysOnTop = false;
    s.companionSize = CompanionSize::small;
  });
  EXPECT_FALSE(find<QCheckBox>("showCompanion")->isChecked());
  EXPECT_FALSE(find<QCheckBox>("alwaysOnTop")->isChecked());
  EXPECT_EQ(find<SegmentedControl>("companionSize")->currentIndex(), 0);
  EXPECT_EQ(writes.count(), 1);  // the change itself, nothing echoed
}

TEST_F(GeneralTabTest, ButtonsCallTheirActionsAndChangeNoSetting) {
  view();
  SettingsWrites writes(model());
  for (const char* corner : {"bottomRight", "bottomLeft", "topRight", "topLeft"})
    click(find<QPushButton>((std::string("corner-") + corner).c_str()));
  click(find<QPushButton>("resetPosition"));
  click(find<QPushButton>("showWelcomeTour"));
  EXPECT_EQ(calls, (std::vector<std::string>{"moveToCorner bottomRight", "moveToCorner bottomLeft",
                                             "moveToCorner topRight", "moveToCorner topLeft",
                                             "resetPosition", "startOnboarding"}));
  EXPECT_EQ(find<QPushButton>("corner-topLeft")->text(), "Top left");
  EXPECT_EQ(writes.count(), 0);
}

TEST_F(GeneralTabTest, LoginSwitchWritesAndRemovesTheAutostartEntry) {
  EXPECT_FALSE(loginSwitch()->isChecked());
  EXPECT_EQ(statusLine()->text(), "Off");
  SettingsWrites writes(model());

  click(loginSwitch());
  EXPECT_TRUE(QFile::exists(LaunchAtLogin::autostartPath()));
  EXPECT_EQ(LaunchAtLogin::status(), LaunchAtLogin::Status::enabled);
  EXPECT_TRUE(loginSwitch()->isChecked());
  EXPECT_EQ(statusLine()->text(), "On. Pimble opens when you log in.");
  EXPECT_TRUE(statusLine()->isVisible());
  EXPECT_FALSE(errorLine()->isVisible());
  EXPECT_FALSE(openLoginItems()->isVisible());

  click(loginSwitch());
  EXPECT_FALSE(QFile::exists(LaunchAtLogin::autostartPath()));
  EXPECT_FALSE(loginSwitch()->isChecked());
  EXPECT_EQ(statusLine()->text(), "Off");
  EXPECT_EQ(writes.count(), 0);  // opening at login is not a setting
}

TEST_F(GeneralTabTest, StatusIsReadAgainWhenShownAndOnActivation) {
  view();
  ASSERT_FALSE(loginSwitch()->isChecked());
  // The entry appears behind the tab's back (another tool, the tour).
  ASSERT_EQ(LaunchAtLogin::set(true), std::nullopt);
  EXPECT_FALSE(loginSwitch()->isChecked());
  view().hide();
  view().show();
  EXPECT_TRUE(loginSwitch()->isChecked());
  EXPECT_EQ(statusLine()->text(), "On. Pimble opens when you log in.");

  // The desktop's own switch turns it off while another window is in front.
  // Activation is handed out by the application itself here: a window
  // manager may refuse a test's request to focus a window.
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_FALSE(view().isActiveWindow());
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
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(autostartFolder()));

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
  EXPECT_EQ(statusLine()->text(), "On. Pimble opens when you log in.");
}

TEST_F(GeneralTabTest, TheFolderButtonOpensTheNearestFolderThatExists) {
  view();
  // XDG_CONFIG_HOME itself is a file: no autostart folder can be made.
  QFile blocker(config_.filePath(QStringLiteral("blocked")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  testing::ScopedEnv env("XDG_CONFIG_HOME", blocker.fileName());
  click(loginSwitch());
  ASSERT_TRUE(openLoginItems()->isVisible());
  EXPECT_TRUE(errorLine()->text().contains("cannot create")) << errorLine()->text().toStdString();
  click(openLoginItems());
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(config_.path()));
}

}  // namespace
}  // namespace pimble
