// The event monitor against a mocked logind on the stand-in system bus and a
// mocked GNOME screen saver on the session bus (dbusmock), the X server's
// monitors, and a scripted DPMS state on the fake time source.
#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include "support/desktop_peers.h"
#include "system/fake_time_source.h"
#include "system/system_event_monitor.h"

namespace pimble {
namespace {

using namespace pimble::testing;
using Change = std::pair<AwayReason, bool>;

const QString kLogindPath = "/org/freedesktop/login1";
const QString kSessionPath = "/org/freedesktop/login1/session/c1";

bool registered(const QDBusConnection& bus, const QString& name) {
  return bus.interface() && bus.interface()->isServiceRegistered(name).value();
}

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path,
                  const QString& interface, const QString& method, const QVariantList& args) {
  auto m = QDBusMessage::createMethodCall(service, path, interface, method);
  m.setArguments(args);
  return QDBusConnection(bus).call(m, QDBus::Block, 3000);
}

class LogindMock : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingSystemBus()) GTEST_SKIP() << *why;
    if (auto why = missingSessionBus()) GTEST_SKIP() << *why;
    if (auto why = missingProgram("/usr/bin/python3")) GTEST_SKIP() << *why;
    logind_ = std::make_unique<ScopedProcess>(
        "/usr/bin/python3", QStringList{"-m", "dbusmock", "--system", "--template", "logind"});
    if (!waitUntil(
            [] { return registered(QDBusConnection::systemBus(), "org.freedesktop.login1"); }))
      GTEST_SKIP() << "the mocked logind did not start";
    auto reply =
        call(QDBusConnection::systemBus(), "org.freedesktop.login1", kLogindPath,
             "org.freedesktop.DBus.Mock", "AddSession", {"c1", "seat0", 1000u, "glimmet", true});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    qputenv("XDG_SESSION_ID", "c1");
    monitor_ = std::make_unique<SystemEventMonitor>(clock_);
    monitor_->onAwayChange = [this](AwayReason r, bool away) { changes_.emplace_back(r, away); };
    monitor_->start();
    ASSERT_TRUE(waitUntil([this] { return monitor_->holdsSleepInhibitor(); }));
    ASSERT_TRUE(waitUntil([this] { return monitor_->sessionPath() == kSessionPath; }));
  }
  void TearDown() override {
    monitor_.reset();
    logind_.reset();
    waitUntil([] { return !registered(QDBusConnection::systemBus(), "org.freedesktop.login1"); });
  }

  // Whether our delay inhibitor is registered with logind.
  bool inhibited() {
    auto text = runTool("gdbus",
                        {"call", "--system", "--dest", "org.freedesktop.login1", "--object-path",
                         kLogindPath, "--method", "org.freedesktop.login1.Manager.ListInhibitors"});
    return text && text->contains("'sleep', 'Pimble Glimmet'") && text->contains("'delay'");
  }
  void sleep(bool sleeping) {
    call(QDBusConnection::systemBus(), "org.freedesktop.login1", kLogindPath,
         "org.freedesktop.DBus.Mock", "EmitSignal",
         {"org.freedesktop.login1.Manager", "PrepareForSleep", "b",
          QVariantList{QVariant::fromValue(QDBusVariant(sleeping))}});
  }
  void setSession(const char* property, bool value) {
    call(QDBusConnection::systemBus(), "org.freedesktop.login1", kSessionPath,
         "org.freedesktop.DBus.Mock", "UpdateProperties",
         {"org.freedesktop.login1.Session", QVariantMap{{property, value}}});
  }
  bool changesAre(const std::vector<Change>& expected) {
    return waitUntil([&] { return changes_ == expected; }, std::chrono::seconds(3));
  }

  FakeTimeSource clock_;
  std::unique_ptr<ScopedProcess> logind_;
  std::unique_ptr<SystemEventMonitor> monitor_;
  std::vector<Change> changes_;
};

TEST_F(LogindMock, SleepAndWakeHoldAndReleaseTheDelayInhibitor) {
  EXPECT_TRUE(waitUntil([this] { return inhibited(); }));
  sleep(true);
  ASSERT_TRUE(changesAre({{AwayReason::systemSleep, true}}));
  // Released once the away side was reported, so the machine may sleep.
  EXPECT_FALSE(monitor_->holdsSleepInhibitor());
  EXPECT_TRUE(waitUntil([this] { return !inhibited(); }));
  sleep(true);  // a repeat changes nothing
  sleep(false);
  ASSERT_TRUE(changesAre({{AwayReason::systemSleep, true}, {AwayReason::systemSleep, false}}));
  EXPECT_TRUE(waitUntil([this] { return monitor_->holdsSleepInhibitor() && inhibited(); }));
}

TEST_F(LogindMock, LockSessionAndScreenSaverCombineIntoOneLockedState) {
  ScopedProcess saver("/usr/bin/python3",
                      {"-m", "dbusmock", "--session", "--template", "gnome_screensaver"});
  ASSERT_TRUE(
      waitUntil([] { return registered(QDBusConnection::sessionBus(), "org.gnome.ScreenSaver"); }));
  const auto setSaver = [](bool active) {
    call(QDBusConnection::sessionBus(), "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
         "org.gnome.ScreenSaver", "SetActive", {active});
  };
  const Change locked{AwayReason::screenLocked, true}, unlocked{AwayReason::screenLocked, false};
  setSession("LockedHint", true);
  ASSERT_TRUE(changesAre({locked}));
  // Another user's session in front and the screen saver on, while the lock
  // comes and goes: still one away, until every source lets go.
  setSession("Active", false);
  setSaver(true);
  setSession("LockedHint", false);
  setSession("Active", true);
  waitUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(changes_.size(), 1u);
  setSaver(false);
  ASSERT_TRUE(changesAre({locked, unlocked}));
  setSession("Active", false);  // a session switch alone is away too
  ASSERT_TRUE(changesAre({locked, unlocked, locked}));
  setSession("Active", true);
  // A screen saver that quits while active no longer counts.
  setSaver(true);
  ASSERT_TRUE(changesAre({locked, unlocked, locked, unlocked, locked}));
  saver.stop();
  ASSERT_TRUE(changesAre({locked, unlocked, locked, unlocked, locked, unlocked}));
}

TEST(SystemEventMonitor, ScreensOffFromThePolledDpmsState) {
  FakeTimeSource clock;
  // The display does not answer yet when the monitor starts.
  std::optional<bool> off;
  const QDBusConnection noBus(QString{});
  SystemEventMonitor monitor(clock, noBus, noBus, [&] { return off; });
  std::vector<Change> changes;
  monitor.start();
  monitor.onAwayChange = [&](AwayReason r, bool away) { changes.emplace_back(r, away); };
  clock.advance(Seconds(4));
  off = true;
  clock.advance(Seconds(1.9));
  EXPECT_TRUE(changes.empty());
  clock.advance(Seconds(10));
  off = std::nullopt;  // a failed read changes nothing, and polling goes on
  clock.advance(Seconds(4));
  off = false;
  clock.advance(Seconds(2));
  EXPECT_EQ(changes,
            (std::vector<Change>{{AwayReason::screensOff, true}, {AwayReason::screensOff, false}}));

  // Screens already off at start are reported at once.
  FakeTimeSource dark;
  SystemEventMonitor late(dark, noBus, noBus, [] { return std::optional<bool>(true); });
  std::vector<Change> lateChanges;
  late.onAwayChange = [&](AwayReason r, bool away) { lateChanges.emplace_back(r, away); };
  late.start();
  EXPECT_EQ(lateChanges, (std::vector<Change>{{AwayReason::screensOff, true}}));
}

TEST(SystemEventMonitor, AnXServerWithoutDpmsIsNotPolled) {
  if (auto why = missingX()) GTEST_SKIP() << *why;
  if (SystemEventMonitor::x11OffersDpms()) GTEST_SKIP() << "this X server offers DPMS";
  FakeTimeSource clock;
  const QDBusConnection noBus(QString{});
  SystemEventMonitor monitor(clock, noBus, noBus);
  monitor.start();
  EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST(SystemEventMonitor, DisplayChangesAreReportedWithoutAwayChanges) {
  if (auto why = missingX()) GTEST_SKIP() << *why;
  if (auto why = missingProgram("xrandr")) GTEST_SKIP() << *why;
  FakeTimeSource clock;
  const QDBusConnection noBus(QString{});
  SystemEventMonitor monitor(clock, noBus, noBus);
  int displayChanges = 0, awayChanges = 0;
  monitor.onScreenParametersChanged = [&] { ++displayChanges; };
  monitor.onAwayChange = [&](AwayReason, bool) { ++awayChanges; };
  monitor.start();
  ASSERT_TRUE(runTool("xrandr", {"--setmonitor", "PIMBLE-TEST", "640/100x400/100+0+0", "none"}));
  const bool added = waitUntil([&] { return displayChanges > 0; });
  runTool("xrandr", {"--delmonitor", "PIMBLE-TEST"});
  if (!added) GTEST_SKIP() << "this Qt does not follow RandR monitors";
  const int afterAdd = displayChanges;
  EXPECT_TRUE(waitUntil([&] { return displayChanges > afterAdd; }));
  EXPECT_EQ(awayChanges, 0);
}

}  // namespace
}  // namespace pimble
