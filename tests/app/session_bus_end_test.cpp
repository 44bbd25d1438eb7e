// The real program on a session bus of the test's own that can start the
// desktop's file system daemon (gvfs), as the bus of every GNOME, MATE, Xfce
// and Cinnamon session can. Under Qt's GTK theme, GTK and gvfs's client in
// the program share GIO's connection to that bus, which raises SIGTERM when
// the bus goes. The bus's end leaves the program running until its own end,
// under that theme as with no desktop named.
#include <signal.h>

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include "app/pimble_process.h"

namespace pimble::testing {
namespace {

constexpr const char* documents[] = {"settings", "reminders", "progress", "schedule", "activity"};

// The program gvfs's installed service file starts, or nothing.
QString gvfsDaemon() {
  const QByteArray service = contents("/usr/share/dbus-1/services/org.gtk.vfs.Daemon.service");
  for (const QByteArray& line : service.split('\n'))
    if (line.startsWith("Exec=")) return QString::fromUtf8(line.mid(5)).trimmed();
  return {};
}

// Every process that carries `mark` in its environment: what the bus
// started, and what that started in turn.
std::vector<pid_t> marked(const QByteArray& mark) {
  std::vector<pid_t> found;
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs))
    if (pid.toInt() > 0 && contents("/proc/" + pid + "/environ").split('\0').contains(mark))
      found.push_back(pid.toInt());
  return found;
}

TEST_F(ProcessTest, TheSessionBusEndingLeavesTheProgramRunningUnderEveryTheme) {
  if (auto why = missingProgram("dbus-daemon")) GTEST_SKIP() << *why;
  const QString daemon = gvfsDaemon();
  if (daemon.isEmpty()) GTEST_SKIP() << "gvfs (gvfs-daemons) is not installed";
  qDBusRegisterMetaType<QMap<QString, QString>>();
  const QString vfs = QStringLiteral("org.gtk.vfs.Daemon");
  struct Case {
    const char* name;
    QStringList environment;
    bool gtk;
  };
  // The theme asked for by name, whatever desktop the test runs on; GIO left
  // to pick gvfs as a desktop session's programs do.
  for (const Case& k :
       {Case{"no desktop named", {"QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP"}, false},
        Case{"the GTK theme",
             {"QT_QPA_PLATFORMTHEME=gtk3", "XDG_CURRENT_DESKTOP", "GIO_USE_VFS"},
             true}}) {
    SCOPED_TRACE(k.name);
    OwnSessionBus bus({{vfs, daemon}});
    if (bus.address.isEmpty()) GTEST_SKIP() << "dbus-daemon did not start";
    // What the bus starts is known by a mark of the test's own, and gvfs
    // mounts no FUSE folder (one would outlive its daemon's end by kill).
    const QString markValue = dir_.path() + '/' + k.name;
    const QByteArray mark = "PIMBLE_TEST_BUS=" + markValue.toUtf8();
    const QMap<QString, QString> serviceEnvironment{{"GVFS_DISABLE_FUSE", "1"},
                                                    {"PIMBLE_TEST_BUS", markValue}};
    const QDBusReply<void> updated = bus.connection().call(
        QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "UpdateActivationEnvironment")
        << QVariant::fromValue(serviceEnvironment));
    ASSERT_TRUE(updated.isValid()) << updated.error().message().toStdString();
    const auto stopServices = qScopeGuard([&] {
      for (pid_t pid : marked(mark)) ::kill(pid, SIGKILL);
    });

    const QString data = data_ + '-' + (k.gtk ? "gtk" : "none");
    AppSettings settings;
    settings.onboardingCompleted = true;
    FilePersistence(data.toStdString()).save(settings, "settings");
    Pimble pimble(data, {}, k.environment + QStringList{bus.environment()});
    ASSERT_TRUE(pimble.showsWindow());
    pause(1s);  // settled in
    const QByteArray maps = contents("/proc/" + QString::number(pimble.pid()) + "/maps");
    if (k.gtk) {
      if (!maps.contains("/libgtk-3.so"))
        GTEST_SKIP() << "Qt's GTK theme (qt6-gtk-platformtheme) did not load";
      if (!maps.contains("/libgvfsdbus.so"))
        GTEST_SKIP() << "gvfs's GIO client (libgvfsdbus.so) is not in the program";
      if (!waitUntil([&] { return bus.connection().interface()->isServiceRegistered(vfs).value(); },
                     10s))
        GTEST_SKIP() << "the bus did not start gvfs's daemon";
    } else {
      EXPECT_FALSE(maps.contains("/libgtk-3.so"));
    }

    ASSERT_EQ(::kill(pid_t(bus.pid()), SIGTERM), 0);
    const bool ended = waitUntil([&] { return !pimble.running(); }, 5s);
    QByteArray said = pimble.output();
    ASSERT_FALSE(ended) << said.toStdString();
    EXPECT_TRUE(pimble.showsWindow(1s));
    for (const char* name : documents) QFile::remove(data + "/" + name + ".json");
    EXPECT_EQ(pimble.end(), 0);
    // Under the theme the bus's end did reach the program as GIO's signal.
    said += pimble.output();
    EXPECT_EQ(said.contains("raised SIGTERM"), k.gtk) << said.toStdString();
    for (const char* name : documents)
      EXPECT_TRUE(QFile::exists(data + "/" + name + ".json")) << name;
  }
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) {
    EXPECT_FALSE(contents("/proc/self/mounts").contains(runtime.toUtf8()));
  }
}

}  // namespace
}  // namespace pimble::testing
