// The real pimble program on the headless desktop, each run on a private
// data directory: its window, one copy per directory, the saves at SIGTERM,
// a damaged settings document and the time booked to a watched application.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/pimble_process.h"
#include "models/activity_data.h"
#include "models/app_settings.h"
#include "models/awareness_settings.h"
#include "models/file_persistence.h"
#include "models/progress_data.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"
#include "system/probe_test_support.h"

namespace pimble::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST_F(ProcessTest, TheCharacterComesOnScreenAndTheDocumentsSurviveEverySignalToEnd) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    const QString data = data_ + QString::number(signal);
    Pimble pimble(data);
    ASSERT_TRUE(pimble.started());
    EXPECT_TRUE(pimble.showsWindow());
    EXPECT_EQ(pimble.end(signal), 0);
    FilePersistence store(data.toStdString());
    EXPECT_TRUE(store.load<ScheduleSnapshot>("schedule"));
    EXPECT_TRUE(store.load<ActivityData>("activity"));
    EXPECT_TRUE(store.load<AppSettings>("settings"));
    EXPECT_EQ(store.load<RemindersFile>("reminders")->reminders.size(), 6u);
    EXPECT_TRUE(store.load<ProgressData>("progress"));
  }
}

TEST_F(ProcessTest, ASecondLaunchOnTheSameDirectoryBringsTheCharacterBackAndEnds) {
  seed(false);
  Pimble first(data_);
  ASSERT_TRUE(first.started());
  EXPECT_FALSE(first.showsWindow(1500ms));

  // Started at login while running: quiet, no reopen.
  Pimble login(data_, {QStringLiteral("--login-item")});
  EXPECT_EQ(login.finish(), 0);
  EXPECT_TRUE(login.output().isEmpty());
  EXPECT_FALSE(first.showsWindow(1000ms));

  Pimble second(data_);
  EXPECT_EQ(second.finish(), 0);
  EXPECT_TRUE(first.showsWindow());
  EXPECT_TRUE(first.running());
  EXPECT_EQ(first.end(), 0);
  EXPECT_TRUE(FilePersistence(data_.toStdString()).load<AppSettings>("settings")->showCompanion);
}

TEST_F(ProcessTest, ACopyKilledOutrightLeavesNothingInTheWay) {
  {
    Pimble killed(data_);
    ASSERT_TRUE(killed.showsWindow());
    ::kill(pid_t(killed.pid()), SIGKILL);
    killed.finish();
  }
  Pimble next(data_);
  EXPECT_TRUE(next.showsWindow());
  Pimble again(data_);
  EXPECT_EQ(again.finish(), 0);
  EXPECT_TRUE(next.running());
}

TEST_F(ProcessTest, TwoLaunchesAtOnceLeaveOneCopy) {
  // The cold path: the second comes before the first is up.
  Pimble a(data_);
  Pimble b(data_);
  ASSERT_TRUE(a.started() && b.started());
  EXPECT_TRUE(waitUntil([&] { return !a.running() || !b.running(); }, 10s));
  Pimble& ended = a.running() ? b : a;
  Pimble& runs = a.running() ? a : b;
  EXPECT_EQ(ended.finish(), 0);
  EXPECT_TRUE(runs.showsWindow());
  EXPECT_TRUE(runs.running());
}

TEST_F(ProcessTest, AStartJustAsTheRunningCopyEndsRunsInItsPlace) {
  seed(true);
  for (int attempt = 0; attempt < 4; ++attempt) {
    Pimble ending(data_);
    ASSERT_TRUE(ending.showsWindow());
    Pimble next(data_);
    pause(5ms);
    EXPECT_EQ(ending.end(), 0);
    EXPECT_TRUE(next.showsWindow()) << "attempt " << attempt << ": " << next.output().toStdString();
  }
}

TEST_F(ProcessTest, ACopyToldToEndWhileItReopensLeavesTheLaterCopyRunning) {
  seed(true);
  for (int round = 0; round < 2; ++round) {
    Pimble ending(data_);
    ASSERT_TRUE(ending.showsWindow());
    // Held still, so that the later copy's request waits for it whole; the
    // end comes while it opens the settings for that request.
    ::kill(pid_t(ending.pid()), SIGSTOP);
    Pimble next(data_);
    pause(500ms);
    ::kill(pid_t(ending.pid()), SIGCONT);
    pause(15ms);
    EXPECT_EQ(ending.end(), 0);
    EXPECT_TRUE(next.showsWindow()) << "round " << round << ": " << next.output().toStdString();
  }
}

TEST_F(ProcessTest, CopiesOnOtherDirectoriesRunSideBySide) {
  Pimble first(data_);
  Pimble other(dir_.path() + QStringLiteral("/other"));
  EXPECT_TRUE(first.showsWindow());
  EXPECT_TRUE(other.showsWindow());
  EXPECT_TRUE(first.running());
  EXPECT_TRUE(other.running());
}

TEST_F(ProcessTest, AWatchedApplicationClosedBehindTheIntentionFormStopsCounting) {
  for (const char* tool : {"xterm", "wmctrl"}) {
    if (auto why = missingProgram(tool)) GTEST_SKIP() << *why;
  }
  // A watched application of the test's own: an xterm whose class an entry names.
  const QString share = dir_.path() + "/share";
  ASSERT_TRUE(writeFile(share + "/applications/pimble-watched.desktop",
                        "[Desktop Entry]\nType=Application\nName=Watched\nExec=xterm\n"
                        "StartupWMClass=PimbleWatched\n"));
  AppSettings settings;
  settings.onboardingCompleted = settings.awareness.isEnabled = true;
  settings.awareness.apps.emplace_back().bundleID = "pimble-watched";
  FilePersistence(data_.toStdString()).save(settings, "settings");
  Pimble pimble(data_, {}, {"XDG_DATA_HOME=" + share});
  ASSERT_TRUE(pimble.showsWindow());
  ScopedProcess xterm("xterm", {"-class", "PimbleWatched", "-e", "sleep", "120"});
  const QString window = runTool("xdotool", {"search", "--sync", "--onlyvisible", "--pid",
                                             QString::number(xterm.pid())})
                             .value_or("")
                             .section('\n', 0, 0);
  ASSERT_TRUE(runTool("xdotool", {"windowactivate", "--sync", window}));
  const auto inFront = Clock::now();
  pause(2s);
  // The intention form takes the keyboard; then the application closes.
  ASSERT_TRUE(type(window, "ctrl+alt+i"));
  ASSERT_TRUE(waitUntil([&] {
    return runTool("xdotool", {"getactivewindow", "getwindowpid"}) == QString::number(pimble.pid());
  }));
  ASSERT_TRUE(runTool("wmctrl", {"-i", "-c", window}));
  ASSERT_TRUE(xterm.process().waitForFinished(5000));
  const double open = std::chrono::duration<double>(Clock::now() - inFront).count();
  pause(8s);
  ASSERT_EQ(pimble.end(), 0);

  const auto activity = FilePersistence(data_.toStdString()).load<ActivityData>("activity");
  ASSERT_TRUE(activity);
  double booked = 0;
  for (const auto& [day, usage] : activity->days)
    if (auto it = usage.apps.find("pimble-watched"); it != usage.apps.end()) booked += it->second;
  EXPECT_GT(booked, 1.0);
  EXPECT_LT(booked, open + 2.0) << "counted on for " << booked - open << " s after it closed";
}

TEST_F(ProcessTest, ADamagedSettingsDocumentFallsBackAndIsKeptAside) {
  AppSettings backup;
  backup.onboardingCompleted = true;
  backup.companionSize = CompanionSize::large;
  {
    FilePersistence store(data_.toStdString());
    store.save(backup, "settings");
    store.save(backup, "settings");  // the first copy becomes the backup
  }
  const QByteArray damage = "{\"showCompanion\": tru";
  auto damageSettings = [&] {
    QFile file(data_ + QStringLiteral("/settings.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(damage);
  };
  damageSettings();
  {
    Pimble pimble(data_);
    EXPECT_TRUE(pimble.showsWindow());
    EXPECT_EQ(pimble.end(), 0);
  }
  auto loaded = FilePersistence(data_.toStdString()).load<AppSettings>("settings");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->companionSize, CompanionSize::large);
  QFile aside(data_ + QStringLiteral("/settings.json.unreadable"));
  ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
  EXPECT_EQ(aside.readAll(), damage);

  // With no good copy at all: the defaults.
  QFile::remove(data_ + QStringLiteral("/settings.json.backup"));
  damageSettings();
  {
    Pimble pimble(data_);
    EXPECT_TRUE(pimble.showsWindow());
    EXPECT_EQ(pimble.end(), 0);
  }
  loaded = FilePersistence(data_.toStdString()).load<AppSettings>("settings");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->companionSize, CompanionSize::medium);
}

}  // namespace
}  // namespace pimble::testing
