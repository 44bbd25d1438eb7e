// The desktop's wish for less motion: KDE's kdeglobals file, and the desktop
// portal's settings (a dbusmock portal, with and without ReadOne) and their
// change signal.
#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QTemporaryDir>

#include "support/desktop_peers.h"
#include "system/reduce_motion.h"

namespace pimble {
namespace {

using testing::ScopedProcess;
using testing::waitUntil;

const QString portal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settings = QStringLiteral("org.freedesktop.portal.Settings");

QString kdeGlobals(const QTemporaryDir& dir, const QByteArray& contents) {
  const QString path = dir.path() + QStringLiteral("/kdeglobals");
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(contents);
  return path;
}

TEST(ReduceMotion, KdeAnimationSpeedZeroFromItsFile) {
  QTemporaryDir dir;
  const QDBusConnection noBus(QStringLiteral("none"));
  EXPECT_TRUE(ReduceMotion(noBus, kdeGlobals(dir,
                                             "[General]\nAnimationDurationFactor=1\n"
                                             "[KDE]\nSingleClick=false\n"
                                             "AnimationDurationFactor=0\n"))
                  .reduceMotion());
  EXPECT_FALSE(
      ReduceMotion(noBus, kdeGlobals(dir, "[KDE]\nAnimationDurationFactor=0.5\n")).reduceMotion());
  EXPECT_FALSE(ReduceMotion(noBus, kdeGlobals(dir, "[General]\nAnimationDurationFactor=0\n"))
                   .reduceMotion());
  EXPECT_FALSE(ReduceMotion(noBus, dir.path() + QStringLiteral("/missing")).reduceMotion());
}

// A portal whose settings methods answer what a GNOME session with
// animations off answers.
class MockedPortal {
 public:
  explicit MockedPortal(const QString& method)
      : mock_("/usr/bin/python3", {"-m", "dbusmock", "--session", portal, portalPath, settings}) {
    auto bus = QDBusConnection::sessionBus();
    ready_ = mock_.started() &&
             waitUntil([&] { return bus.interface()->isServiceRegistered(portal).value(); });
    if (!ready_) return;
    auto add = QDBusMessage::createMethodCall(portal, portalPath, "org.freedesktop.DBus.Mock",
                                              "AddMethod");
    // The older Read answers the value inside one more variant.
    const QString value = method == QLatin1String("Read") ? "dbus.Boolean(False, variant_level=2)"
                                                          : "dbus.Boolean(False, variant_level=1)";
    add << settings << method << "ss"
        << "v"
        << "ret = " + value + " if args[1] == 'enable-animations' else dbus.Double(1.0)";
    ready_ = bus.call(add).type() == QDBusMessage::ReplyMessage;
  }
  bool ready() const { return ready_; }

  void emitChange(bool animationsEnabled) {
    auto signal = QDBusMessage::createMethodCall(portal, portalPath, "org.freedesktop.DBus.Mock",
                                                 "EmitSignal");
    QVariantList args{
        QVariant::fromValue(QDBusVariant(QStringLiteral("org.gnome.desktop.interface"))),
        QVariant::fromValue(QDBusVariant(QStringLiteral("enable-animations"))),
        QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(animationsEnabled))))};
    signal << settings << "SettingChanged"
           << "ssv" << args;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(signal);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  }

 private:
  ScopedProcess mock_;
  bool ready_ = false;
};

TEST(ReduceMotion, GnomeAnimationsOffThroughThePortalAndItsChanges) {
  for (auto why : {testing::missingSessionBus(), testing::missingProgram("/usr/bin/python3")}) {
    if (why) GTEST_SKIP() << *why;
  }
  QTemporaryDir dir;
  for (const char* method : {"ReadOne", "Read"}) {
    SCOPED_TRACE(method);
    MockedPortal mock{QString::fromLatin1(method)};
    if (!mock.ready()) GTEST_SKIP() << "python3-dbusmock could not start";
    ReduceMotion motion(QDBusConnection::sessionBus(), dir.path() + QStringLiteral("/none"));
    int changes = 0;
    motion.onChanged = [&] { ++changes; };
    EXPECT_FALSE(motion.reduceMotion());  // nothing has answered yet: never waits
    EXPECT_TRUE(waitUntil([&] { return motion.reduceMotion(); }));
    EXPECT_EQ(changes, 1);
    mock.emitChange(true);
    EXPECT_TRUE(waitUntil([&] { return !motion.reduceMotion(); }));
    EXPECT_EQ(changes, 2);
  }
}

}  // namespace
}  // namespace pimble
