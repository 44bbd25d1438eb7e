// `cmake --install` of this build into a prefix whose path needs quoting:
// the binary, the desktop entry the menus list and the icon in its sizes.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>

#include "system/desktop_entry.h"
#include "system/launch_at_login.h"

namespace pimble {
namespace {

TEST(Install, PutsTheBinaryTheDesktopEntryAndTheIcons) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString prefix = dir.path() + QStringLiteral("/My Apps $HOME");
  QProcess install;
  install.setProcessChannelMode(QProcess::MergedChannels);
  install.start(QStringLiteral("cmake"), {"--install", PIMBLE_BINARY_DIR, "--prefix", prefix});
  ASSERT_TRUE(install.waitForFinished(120000));
  ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();

  const QString binary = prefix + QStringLiteral("/bin/pimble");
  EXPECT_TRUE(QFileInfo(binary).isExecutable());
  QFile installed(binary);
  ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
  EXPECT_FALSE(installed.readAll().contains(".debug_info"))
      << "installed with debugging information";

  const QString entryPath = prefix + QStringLiteral("/share/applications/pimble-glimmet.desktop");
  const auto entry = DesktopEntry::load(entryPath, QStringLiteral("pimble-glimmet"), {});
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->name, QStringLiteral("Pimble Glimmet"));
  EXPECT_EQ(entry->icon, QStringLiteral("pimble-glimmet"));
  EXPECT_TRUE(entry->isListed());
  // The class of the program's windows (its application name).
  EXPECT_EQ(entry->startupWMClass, QStringLiteral("Pimble Glimmet"));
  EXPECT_EQ(entry->commandLine(), QStringList{binary});
  // The autostart entry of the installed program runs the same command.
  QFile file(entryPath);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("\nExec=") +
                            LaunchAtLogin::execValue(binary).chopped(
                                int(std::strlen(LaunchAtLogin::loginItemArgument)) + 1) +
                            QStringLiteral("\n")))
      << text.toStdString();

  for (int size : {16, 32, 64, 128, 256, 512}) {
    const QString icon =
        prefix + QStringLiteral("/share/icons/hicolor/%1x%1/apps/pimble-glimmet.png").arg(size);
    const QImage image(icon);
    EXPECT_EQ(image.size(), QSize(size, size)) << icon.toStdString();
  }
}

}  // namespace
}  // namespace pimble
