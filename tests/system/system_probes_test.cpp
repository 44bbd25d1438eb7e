#include "system/system_probes.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QFile>
#include <QTemporaryDir>

#include "support/desktop_peers.h"
#include "system/fake_time_source.h"
#include "system/workspace.h"

// A method of a dbusmock object: name, in and out signatures, Python code.
struct MockMethod {
  QString name, in, out, code;
};
Q_DECLARE_METATYPE(MockMethod)

inline QDBusArgument& operator<<(QDBusArgument& a, const MockMethod& m) {
  a.beginStructure();
  a << m.name << m.in << m.out << m.code;
  a.endStructure();
  return a;
}
inline const QDBusArgument& operator>>(const QDBusArgument& a, MockMethod& m) {
  a.beginStructure();
  a >> m.name >> m.in >> m.out >> m.code;
  a.endStructure();
  return a;
}

namespace pimble {
namespace {

using testing::ScopedProcess;
using testing::waitUntil;

TEST(SystemProbesTest, ListsReadLikeTheUsersLanguage) {
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  EXPECT_EQ(SystemProbes::listText({}, english), "");
  EXPECT_EQ(SystemProbes::listText({"Zoom"}, english), "Zoom");
  EXPECT_EQ(SystemProbes::listText({"Zoom", "Slack"}, english), "Zoom and Slack");
  EXPECT_EQ(SystemProbes::listText({"A", "B", "C"}, english), "A, B, and C");
  EXPECT_EQ(SystemProbes::listText({"A", "B"}, QLocale(QLocale::German)), "A und B");
  EXPECT_EQ(SystemProbes::listText({"A", "B"}, QLocale::c()), "A and B");
}

TEST(SystemProbesTest, CameraIsInUseWhileAProcessHoldsAMatchingDevice) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString device = dir.filePath("video0");
  QFile file(device);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  CameraUsers camera((dir.path() + "/video*").toStdString());
  EXPECT_FALSE(camera.scan());
  EXPECT_FALSE(CameraUsers(dir.filePath("other*").toStdString()).scan());

  // A stand-in for a video call: a process keeping the "device" open.
  ScopedProcess holder("/bin/sh", {"-c", "exec sleep 60 3<\"$0\"", device});
  ASSERT_TRUE(holder.started());
  EXPECT_TRUE(waitUntil([&] { return camera.inUse(); }));
  holder.stop();
  // The answer is kept for at most a second.
  EXPECT_TRUE(waitUntil([&] { return !camera.inUse(); }, std::chrono::milliseconds(2500)));
  EXPECT_FALSE(CameraUsers("").inUse());
}

class ProbesWithPulse : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto why : {testing::missingPulse(), testing::missingProgram("parec"),
                     testing::missingProgram("pactl")}) {
      if (why) GTEST_SKIP() << *why;
    }
    // A microphone without hardware: a null source.
    const auto module = testing::runTool(
        "pactl", {"load-module", "module-null-source", "source_name=pimble_test_mic"});
    if (!module) GTEST_SKIP() << "the sound server refused a null source";
    module_ = *module;
  }
  void TearDown() override {
    if (!module_.isEmpty()) testing::runTool("pactl", {"unload-module", module_});
  }
  QString module_;
};

TEST_F(ProbesWithPulse, RecordersOfARealInputAreNamedUntilTheyStop) {
  FakeTimeSource time;
  Workspace workspace(time);
  SystemProbes probes(workspace);
  ASSERT_TRUE(waitUntil([&] { return probes.microphone().isConnected(); }));
  EXPECT_TRUE(probes.appsUsingMicrophone().empty());

  // Recording what is played (a monitor source) is not microphone use.
  ScopedProcess monitor("/bin/sh", {"-c", "exec parec -d nullsink.monitor >/dev/null"});
  ScopedProcess recorder("/bin/sh", {"-c", "exec parec -d pimble_test_mic >/dev/null"});
  ScopedProcess again("/bin/sh", {"-c", "exec parec -d pimble_test_mic >/dev/null"});
  ASSERT_TRUE(monitor.started() && recorder.started() && again.started());
  ASSERT_TRUE(waitUntil([&] { return probes.microphone().recorders().size() == 2; }))
      << probes.microphone().recorders().size();
  // Two recording processes of one program give its name once.
  EXPECT_EQ(probes.appsUsingMicrophone(), std::vector<std::string>{"parec"});

  recorder.stop();
  again.stop();
  EXPECT_TRUE(waitUntil([&] { return probes.appsUsingMicrophone().empty(); }));
}

// A mocked D-Bus service started for one test.
class Mock {
 public:
  explicit Mock(QStringList args, QDBusConnection bus, const QString& name)
      : process_("/usr/bin/python3", QStringList{"-m", "dbusmock"} + args), bus_(bus) {
    ready_ = process_.started() &&
             waitUntil([&] { return bus_.interface()->isServiceRegistered(name).value(); });
    name_ = name;
  }
  bool ready() const { return ready_; }
  bool call(const QString& path, const QString& method, const QVariantList& args) {
    auto message = QDBusMessage::createMethodCall(name_, path, "org.freedesktop.DBus.Mock", method);
    message.setArguments(args);
    const auto reply = bus_.call(message);
    if (reply.type() != QDBusMessage::ReplyMessage)
      ADD_FAILURE() << reply.errorMessage().toStdString();
    return reply.type() == QDBusMessage::ReplyMessage;
  }

 private:
  ScopedProcess process_;
  QDBusConnection bus_;
  QString name_;
  bool ready_ = false;
};

// The first child of a process, once it has one.
pid_t childOf(qint64 pid) {
  pid_t child = 0;
  waitUntil([&] {
    QFile children(QString("/proc/%1/task/%1/children").arg(pid));
    if (!children.open(QIODevice::ReadOnly)) return false;
    child = children.readAll().trimmed().split(' ').value(0).toInt();
    return child > 0;
  });
  return child;
}

TEST(IdleInhibitorsTest, AnIdleInhibitorOfAProcessOrItsChildKeepsTheDisplayAwake) {
  for (auto why : {testing::missingSystemBus(), testing::missingProgram("/usr/bin/python3")}) {
    if (why) GTEST_SKIP() << *why;
  }
  Mock logind({"--system", "--template", "logind"}, QDBusConnection::systemBus(),
              "org.freedesktop.login1");
  if (!logind.ready()) GTEST_SKIP() << "python3-dbusmock could not start logind";

  ScopedProcess player("/bin/sh", {"-c", "sleep 60 & wait"});
  ScopedProcess other("/bin/sh", {"-c", "sleep 60 & wait"});
  ASSERT_TRUE(player.started() && other.started());
  const pid_t helper = childOf(player.pid());
  const pid_t otherHelper = childOf(other.pid());
  // The helpers are grandchildren of ours, stopped by their own pids.
  struct StopHelpers {
    pid_t a, b;
    ~StopHelpers() {
      if (a > 0) ::kill(a, SIGTERM);
      if (b > 0) ::kill(b, SIGTERM);
    }
  } stopHelpers{helper, otherHelper};
  ASSERT_GT(helper, 0);
  ASSERT_GT(otherHelper, 0);
  // The player's helper blocks idle; the other only blocks sleep or merely delays.
  const QString entries = QString(
                              "[('sleep:idle', 'player', 'Playing', 'block', 1000, %1), "
                              "('sleep', 'other', 'Saving', 'block', 1000, %2), "
                              "('idle', 'other', 'Later', 'delay', 1000, %2)]")
                              .arg(helper)
                              .arg(otherHelper);
  ASSERT_TRUE(logind.call(
      "/org/freedesktop/login1", "AddMethod",
      {"org.freedesktop.login1.Manager", "ListInhibitors", "", "a(ssssuu)", "ret = " + entries}));

  FakeTimeSource time;
  Workspace workspace(time);
  SystemProbes probes(workspace);
  EXPECT_TRUE(waitUntil([&] {
    return probes.keepsDisplayAwake({"org.example.Player", "", static_cast<pid_t>(player.pid())});
  }));
  EXPECT_TRUE(probes.keepsDisplayAwake({"", "", helper}));
  EXPECT_FALSE(
      probes.keepsDisplayAwake({"org.example.Other", "", static_cast<pid_t>(other.pid())}));
  EXPECT_FALSE(probes.keepsDisplayAwake({"", "", 0}));
}

TEST(IdleInhibitorsTest, GnomeAndKdeInhibitorsNameTheirApplication) {
  for (auto why : {testing::missingSessionBus(), testing::missingProgram("/usr/bin/python3")}) {
    if (why) GTEST_SKIP() << *why;
  }
  auto bus = QDBusConnection::sessionBus();
  Mock gnome({"--session", "org.gnome.SessionManager", "/org/gnome/SessionManager",
              "org.gnome.SessionManager"},
             bus, "org.gnome.SessionManager");
  Mock kde(
      {"--session", "org.kde.Solid.PowerManagement.PolicyAgent",
       "/org/kde/Solid/PowerManagement/PolicyAgent", "org.kde.Solid.PowerManagement.PolicyAgent"},
      bus, "org.kde.Solid.PowerManagement.PolicyAgent");
  if (!gnome.ready() || !kde.ready()) GTEST_SKIP() << "python3-dbusmock could not start";

  const QString inhibitor = "org.gnome.SessionManager.Inhibitor";
  qDBusRegisterMetaType<MockMethod>();
  qDBusRegisterMetaType<QList<MockMethod>>();
  auto addInhibitor = [&](const QString& path, const QString& app, uint flags) {
    QDBusMessage add =
        QDBusMessage::createMethodCall("org.gnome.SessionManager", "/org/gnome/SessionManager",
                                       "org.freedesktop.DBus.Mock", "AddObject");
    const QList<MockMethod> methods = {{"GetAppId", "", "s", "ret = '" + app + "'"},
                                       {"GetFlags", "", "u", QString("ret = %1").arg(flags)}};
    add << path << inhibitor << QVariantMap{} << QVariant::fromValue(methods);
    return bus.call(add).type() == QDBusMessage::ReplyMessage;
  };
  ASSERT_TRUE(addInhibitor("/org/gnome/SessionManager/Inhibitor1", "org.gnome.Totem", 8 | 4));
  ASSERT_TRUE(addInhibitor("/org/gnome/SessionManager/Inhibitor2", "org.gnome.Nautilus", 4));
  ASSERT_TRUE(gnome.call("/org/gnome/SessionManager", "AddMethod",
                         {"", "GetInhibitors", "", "ao",
                          "ret = [dbus.ObjectPath('/org/gnome/SessionManager/Inhibitor1'), "
                          "dbus.ObjectPath('/org/gnome/SessionManager/Inhibitor2')]"}));
  ASSERT_TRUE(
      kde.call("/org/kde/Solid/PowerManagement/PolicyAgent", "AddMethod",
               {"", "ListInhibitions", "", "a(ss)", "ret = [('vlc.desktop', 'Playing a video')]"}));

  FakeTimeSource time;
  Workspace workspace(time);
  SystemProbes probes(workspace);
  EXPECT_TRUE(waitUntil([&] { return probes.keepsDisplayAwake({"org.gnome.Totem", "", 0}); }));
  EXPECT_TRUE(probes.keepsDisplayAwake({"vlc", "", 0}));
  EXPECT_TRUE(probes.keepsDisplayAwake({"org.gnome", "", 0}));  // Totem is a helper id of it
  EXPECT_FALSE(probes.keepsDisplayAwake({"org.gnome.Nautilus", "", 0}));  // suspend only
  EXPECT_FALSE(probes.keepsDisplayAwake({"org.gnome.Tot", "", 0}));
}

}  // namespace
}  // namespace pimble
