// The autostart file in a private XDG_CONFIG_HOME.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "system/launch_at_login.h"

namespace pimble {
namespace {

using Status = LaunchAtLogin::Status;

class LaunchAtLoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    saved_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
  }
  void TearDown() override { qputenv("XDG_CONFIG_HOME", saved_); }
  QString contents() {
    QFile f(LaunchAtLogin::autostartPath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  // A stand-in executable at a path full of characters that need quoting.
  QString hostileExecutable() {
    const QString folder = dir_.filePath("a b/q\"d$e`f\\g%h");
    QDir().mkpath(folder);
    const QString path = folder + "/pimble";
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n");
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }
  QString otherExecutable() {
    const QString path = dir_.filePath("other-pimble");
    QFile f(path);
    if (!f.exists() && f.open(QIODevice::WriteOnly)) f.write("#!/bin/sh\n");
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }

  QTemporaryDir dir_;
  QByteArray saved_;
};

TEST_F(LaunchAtLoginTest, RegistersWithAQuotedAbsoluteExecAndUnregisters) {
  EXPECT_EQ(LaunchAtLogin::autostartPath(),
            dir_.filePath("config/autostart/pimble-glimmet.desktop"));
  EXPECT_EQ(LaunchAtLogin::status(), Status::notRegistered);
  const QString exe = hostileExecutable();
  EXPECT_EQ(LaunchAtLogin::set(true, exe), std::nullopt);
  EXPECT_EQ(LaunchAtLogin::status(), Status::enabled);
  const QString text = contents();
  const QString expected =
      "Exec=\"" + dir_.path() + "/a b/q\\\\\"d\\\\$e\\\\`f\\\\\\\\g%%h/pimble\" --login-item\n";
  EXPECT_TRUE(text.contains(expected)) << text.toStdString();

  // Already registered by a copy that is there: nothing is rewritten.
  EXPECT_EQ(LaunchAtLogin::set(true, otherExecutable()), std::nullopt);
  EXPECT_EQ(contents(), text);

  // The copy the entry names is gone: it starts nothing, so it reads off,
  // and turning it on names this copy.
  QFile::remove(exe);
  EXPECT_EQ(LaunchAtLogin::status(), Status::notRegistered);
  EXPECT_EQ(LaunchAtLogin::set(true, otherExecutable()), std::nullopt);
  EXPECT_EQ(LaunchAtLogin::status(), Status::enabled);
  EXPECT_TRUE(contents().contains("Exec=\"" + otherExecutable() + "\" --login-item\n"));

  EXPECT_EQ(LaunchAtLogin::set(false), std::nullopt);
  EXPECT_FALSE(QFile::exists(LaunchAtLogin::autostartPath()));
  EXPECT_EQ(LaunchAtLogin::status(), Status::notRegistered);
  EXPECT_EQ(LaunchAtLogin::set(false), std::nullopt);
}

TEST_F(LaunchAtLoginTest, StatusFollowsTheDesktopsSwitches) {
  ASSERT_EQ(LaunchAtLogin::set(true, hostileExecutable()), std::nullopt);
  const QString text = contents();
  for (const char* off : {"Hidden=true\n", "X-GNOME-Autostart-enabled=false\n"}) {
    QFile f(LaunchAtLogin::autostartPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write((QString(text).replace("X-GNOME-Autostart-enabled=true\n", "") + off).toUtf8());
    f.close();
    EXPECT_EQ(LaunchAtLogin::status(), Status::notRegistered) << off;
  }
  // Turned on again from Pimble: the file is written afresh.
  ASSERT_EQ(LaunchAtLogin::set(true, hostileExecutable()), std::nullopt);
  EXPECT_EQ(LaunchAtLogin::status(), Status::enabled);
}

TEST_F(LaunchAtLoginTest, FailuresBecomeSentencesWithTheirCode) {
  auto missing = LaunchAtLogin::set(true, dir_.filePath("nowhere/pimble"));
  ASSERT_TRUE(missing);
  EXPECT_EQ(LaunchAtLogin::describe(*missing),
            "The system couldn't find this copy of Pimble. Make sure it's installed and opened "
            "from there. (code 2)");
  // A file where the autostart folder should be (root ignores permissions).
  QDir().mkpath(dir_.filePath("config"));
  QFile blocker(dir_.filePath("config/autostart"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  auto blocked = LaunchAtLogin::set(true, hostileExecutable());
  ASSERT_TRUE(blocked);
  EXPECT_EQ(blocked->kind, LaunchAtLogin::Error::Kind::fileSystem);
  EXPECT_TRUE(LaunchAtLogin::describe(*blocked).ends_with(" (code 13)"));
  EXPECT_EQ(LaunchAtLogin::status(), Status::notRegistered);

  EXPECT_TRUE(LaunchAtLogin::launchedAsLoginItem({"/usr/bin/pimble", "--login-item"}));
  EXPECT_FALSE(LaunchAtLogin::launchedAsLoginItem({"/usr/bin/pimble", "--render-sheet"}));
}

}  // namespace
}  // namespace pimble
