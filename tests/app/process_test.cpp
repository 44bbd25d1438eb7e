// The real pimble program on the headless desktop, each run on a private
// data directory: its window, one copy per directory, the saves at SIGTERM
// and a damaged settings document.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/pimble_process.h"
#include "models/activity_data.h"
#include "models/app_settings.h"
#include "models/file_persistence.h"
#include "models/progress_data.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"

namespace pimble::testing {
namespace {

using namespace std::chrono_literals;

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

TEST_F(ProcessTest, CopiesOnOtherDirectoriesRunSideBySide) {
  Pimble first(data_);
  Pimble other(dir_.path() + QStringLiteral("/other"));
  EXPECT_TRUE(first.showsWindow());
  EXPECT_TRUE(other.showsWindow());
  EXPECT_TRUE(first.running());
  EXPECT_TRUE(other.running());
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
