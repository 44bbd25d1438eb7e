// The real program's reminders as desktop notifications, on a session bus
// of the test's own.
#include <QFile>
#include <QRegularExpression>

#include "app/pimble_process.h"
#include "app/tray_hosts.h"
#include "models/progress_data.h"

namespace pimble::testing {
namespace {

// MATE's notification server is started by the session bus on the first
// notification and leaves when idle. Here a server of the test's own that
// leaves after a second and presses Done on each notification; the
// reminders are asked for from the tray's menu, past the gap the schedule
// keeps between two of them.
TEST_F(ProcessTest, EachReminderOfTheHiddenCharacterStartsTheServerTheBusStartsOnDemand) {
  if (auto why = missingProgram("dbus-daemon")) GTEST_SKIP() << *why;
  if (!runTool("/usr/bin/python3", {"-c", "import dbus, dbusmock, gi"}))
    GTEST_SKIP() << "python3-dbus, python3-gi or python3-dbusmock is not installed";
  const QString name = QStringLiteral("org.freedesktop.Notifications");
  const QString log = dir_.path() + "/server.log";
  OwnSessionBus own({{name, "/usr/bin/python3 \"" PIMBLE_SOURCE_DIR
                            "/tests/support/idle_notification_server.py\" \"" +
                                log + '"'}});
  if (own.address.isEmpty()) GTEST_SKIP() << "dbus-daemon did not start";
  auto watcher = startStatusNotifierWatcher(true, &own);
  if (!watcher) GTEST_SKIP() << "python3-dbusmock did not start";
  const QDBusConnection bus = own.connection();
  const auto running = [&] { return bus.interface()->isServiceRegistered(name).value(); };
  const auto logged = [&] {
    QFile file(log);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  };

  seed(false);
  Pimble pimble(data_, {}, {own.environment()});
  ASSERT_TRUE(pimble.started());
  const auto [item, menu] = lastItemMenu(bus);
  ASSERT_FALSE(menu.isEmpty());
  EXPECT_FALSE(running());
  for (const QString title : {"Drink water", "Stretch"}) {
    SCOPED_TRACE(title.toStdString());
    ASSERT_TRUE(clickEntry(item, menu, entryLabelled(layout(item, menu, bus), title), bus));
    ASSERT_TRUE(waitUntil([&] { return logged().contains(" " + title + "\n"); }, 10s));
    ASSERT_TRUE(waitUntil([&] { return !running(); }, 10s));
  }
  EXPECT_EQ(pimble.end(), 0);

  // Started once for each, and each Done counted.
  const QString seen = logged();
  const auto starts =
      QRegularExpression(R"(^(\d+) started\n\1 Drink water\n(\d+) started\n\2 Stretch\n$)")
          .match(seen);
  ASSERT_TRUE(starts.hasMatch()) << seen.toStdString();
  EXPECT_NE(starts.captured(1), starts.captured(2));
  const auto progress = FilePersistence(data_.toStdString()).load<ProgressData>("progress");
  ASSERT_TRUE(progress);
  std::map<std::string, std::int64_t> done;
  for (const auto& [day, record] : progress->days)
    for (const auto& [kind, count] : record.done) done[kind] += count;
  EXPECT_EQ(done, (std::map<std::string, std::int64_t>{{"water", 1}, {"stretch", 1}}));
}

}  // namespace
}  // namespace pimble::testing
