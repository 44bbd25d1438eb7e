// The real program ended in ways that give it no warning: its X server
// taken away, also while it starts, and SIGTERM or Ctrl+Q while a number is
// half typed. What it showed at that moment is what is on disk afterwards.
#include <QFile>
#include <QScopeGuard>

#include "app/app_controller.h"
#include "app/pimble_process.h"
#include "models/activity_data.h"
#include "models/progress_data.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"
#include "support/accessibility_tree.h"
#include "support/notification_mock.h"
#include "system/display_loss.h"
#include "system/system_time_source.h"

namespace pimble::testing {
namespace {

TEST_F(ProcessTest, WhenTheDisplayGoesAwayEveryDocumentIsWrittenAsItStood) {
  for (const char* tool : {"Xvfb", "/usr/bin/python3", "gdbus"})
    if (auto why = missingProgram(tool)) GTEST_SKIP() << *why;
  if (auto why = missingSessionBus()) GTEST_SKIP() << *why;
  ASSERT_FALSE(notification_mock::serverRunning());
  auto notifications = notification_mock::start();
  const auto gone = qScopeGuard([&] {
    notifications->stop();
    waitUntil([] { return !notification_mock::serverRunning(); });
  });
  if (!waitUntil(notification_mock::serverRunning)) GTEST_SKIP() << "dbusmock did not start";
  OwnXServer x;
  if (x.display.isEmpty()) GTEST_SKIP() << "Xvfb did not start";

  // Time tracking on, the character hidden, the water reminder overdue: it
  // comes as a notification at once.
  AppSettings settings;
  settings.onboardingCompleted = true;
  settings.showCompanion = false;
  settings.quietHours.isEnabled = false;
  settings.awareness.isEnabled = true;
  std::vector<Reminder> reminders = Reminder::defaults();
  for (Reminder& r : reminders) r.isEnabled = r.kind == ReminderKind::water;
  ASSERT_EQ(reminders.front().kind, ReminderKind::water);
  const std::string water = reminders.front().id.string();
  ScheduleSnapshot due;
  due.runtime[water] = ReminderRuntime{addSeconds(systemNow(), -30)};
  FilePersistence store(data_.toStdString());
  store.save(settings, "settings");
  store.save(RemindersFile{reminders}, "reminders");
  store.save(due, "schedule");

  Pimble pimble(data_, {}, {"DISPLAY=" + x.display});
  ASSERT_TRUE(waitUntil([] { return notification_mock::count("Notify") == 1; }, 10s));
  // "Done" from the notification: the schedule is written at once, the
  // progress a moment later; the display goes before that moment.
  const Date answered = systemNow();
  notification_mock::emitSignal("ActionInvoked", "us", {1u, QStringLiteral("pimble.done")});
  ASSERT_TRUE(waitUntil([&] {
    const auto s = store.load<ScheduleSnapshot>("schedule");
    return s && s->runtime.count(water) && s->runtime.at(water).nextDue > answered;
  }));
  x.stop();
  EXPECT_EQ(pimble.finish(), 1);
  EXPECT_TRUE(pimble.output().contains("Pimble: the connection to the display"));

  const auto progress = store.load<ProgressData>("progress");
  ASSERT_TRUE(progress);
  ASSERT_EQ(progress->days.size(), 1u);
  EXPECT_EQ(progress->days.begin()->second.done.at("water"), 1);
  const auto activity = store.load<ActivityData>("activity");
  ASSERT_TRUE(activity);
  ASSERT_EQ(activity->days.size(), 1u);
  EXPECT_GT(activity->days.begin()->second.activeSeconds, 0);
  EXPECT_GE(store.load<ScheduleSnapshot>("schedule")->savedAt, addSeconds(answered, -1));
  EXPECT_TRUE(store.load<RemindersFile>("reminders"));
}

TEST_F(ProcessTest, ANumberTypedButNotEnteredIsStoredHoweverTheProgramEnds) {
  // "Every" of the first reminder, ended by SIGTERM; "Counts as away after"
  // (Focus & Quiet Hours), ended by Ctrl+Q. The fields are clicked where
  // they are drawn.
  struct Case {
    const char* tabKeys;
    const char* field;
    const char* typed;
    const char* shown;  // the field's text once the keys are in
    bool ctrlQ;
  };
  const AccessibilityBus a11y;
  if (a11y.missing()) GTEST_SKIP() << *a11y.missing();
  seed(true);
  for (const Case& k :
       {Case{"ctrl+Tab", "Every", "2 5", "25", false},
        Case{"ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab", "Counts as away after", "9", "9 min", true}}) {
    Pimble pimble(data_, {}, {AccessibilityBus::programEnvironment()});
    ASSERT_TRUE(pimble.showsWindow());
    Pimble reopen(data_);  // brings the settings window up
    EXPECT_EQ(reopen.finish(), 0);
    QString window;
    ASSERT_TRUE(waitUntil([&] {
      const QStringList found = pimble.windows(QStringLiteral("^Pimble Glimmet Settings$"));
      if (!found.isEmpty()) window = found.first();
      return !window.isEmpty();
    }));
    ASSERT_TRUE(type(window, k.tabKeys));
    ASSERT_TRUE(inputHandled(window)) << "the tab is not shown";
    ASSERT_TRUE(a11y.press(pimble.pid(), "spin box", k.field)) << "no " << k.field;
    ASSERT_TRUE(type(window, QStringLiteral("ctrl+a ") + k.typed));
    // The program's answer to a ping is no sign that the digits are in: with
    // a screen reader's bus, Qt holds typed keys back until the bus's
    // registry has seen them, and a shortcut passes them by.
    std::optional<QString> shown;
    ASSERT_TRUE(waitUntil([&] {
      shown = a11y.text(pimble.pid(), "spin box", k.field);
      return shown == k.shown;
    })) << "the field shows "
        << shown.value_or("nothing").toStdString();
    if (k.ctrlQ) {
      ASSERT_TRUE(type(window, "ctrl+q"));
      EXPECT_EQ(pimble.finish(), 0);
    } else {
      EXPECT_EQ(pimble.end(), 0);
    }
  }
  FilePersistence store(data_.toStdString());
  EXPECT_EQ(store.load<RemindersFile>("reminders")->reminders.front().intervalMinutes, 25);
  EXPECT_EQ(store.load<AppSettings>("settings")->idleThresholdMinutes, 9);
}

// The whole start-up run on a display that has just gone, wired as the
// program wires it, in a copy of this test program on an X server of its own.
TEST_F(ProcessTest, AStartOnADisplayThatHasGoneEndsWithEveryDocumentWritten) {
  if (qEnvironmentVariableIsSet("PIMBLE_TEST_GONE_DISPLAY")) {
    FilePersistence store(FilePersistence::defaultDirectory());
    SystemTimeSource time;
    AppController controller(store, time);
    DisplayLoss::watch([&controller] { controller.shutdown(); });
    std::fputs("connected\n", stderr);
    // Qt's connection has seen the server go, the program not yet: the
    // whole start-up runs in between.
    while (!DisplayLoss::lost()) pause(10ms);
    controller.start();
    QCoreApplication::exec();
    return;
  }
  if (auto why = missingProgram("Xvfb")) GTEST_SKIP() << *why;
  OwnXServer x;
  if (x.display.isEmpty()) GTEST_SKIP() << "Xvfb did not start";
  // The copy ends as the program does, by exit(), past its fixture's
  // clean-up: what it makes in its temporary folder goes with this test's.
  Pimble child(data_, {"--gtest_filter=ProcessTest.AStartOnADisplayThatHasGone*"},
               {"PIMBLE_TEST_GONE_DISPLAY=1", "DISPLAY=" + x.display, "TMPDIR=" + dir_.path()},
               QCoreApplication::applicationFilePath());
  QByteArray output;
  ASSERT_TRUE(waitUntil([&] { return (output += child.output()).contains("connected"); }, 10s));
  x.stop();
  EXPECT_EQ(child.finish(), 1);
  EXPECT_TRUE(child.output().contains("Pimble: the connection to the display"));
  for (const char* name : {"settings", "reminders", "progress", "schedule", "activity"})
    EXPECT_TRUE(QFile::exists(data_ + "/" + name + ".json")) << name;
}

}  // namespace
}  // namespace pimble::testing
