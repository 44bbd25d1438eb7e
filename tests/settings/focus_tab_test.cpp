// The Focus & Quiet Hours tab on the real model: quiet hours through the
// time fields (a daylight-saving day included), pausing, idle, staying
// quiet and delivery.

#include "settings/focus_settings_view.h"
#include "settings/minutes_of_day.h"
#include "settings/settings_fixture.h"
#include "settings/settings_form.h"
#include "settings/time_of_day_edit.h"

namespace pimble {
namespace {

using testing::click;
using testing::ScopedEnv;
using testing::SettingsWrites;

class FocusTabTest : public testing::ViewFixture<FocusSettingsView> {};

TEST_F(FocusTabTest, QuietHoursStoreTheTimesPickedAndShowStoredOnesClamped) {
  auto* start = find<TimeOfDayEdit>("quietHoursStart");
  auto* end = find<TimeOfDayEdit>("quietHoursEnd");
  EXPECT_EQ(start->time(), QTime(22, 0));
  expectEdit([&] { start->setTime(QTime(23, 15)); },
             [](AppSettings& s) { s.quietHours.startMinutes = 1395; });
  // The same time for both ends is stored as it is; stepping with the
  // keyboard goes through the same path.
  expectEdit(
      [&] {
        end->setTime(QTime(23, 15));
        end->setCurrentSection(QDateTimeEdit::MinuteSection);
        QTest::keyClick(end, Qt::Key_Up);
      },
      [](AppSettings& s) { s.quietHours.endMinutes = 1396; }, 2);

  // Out of range in a hand-edited file: shown clamped, kept until changed.
  SettingsWrites writes(model());
  changeSettings([](AppSettings& s) {
    s.quietHours.startMinutes = 1500;
    s.quietHours.endMinutes = -30;
  });
  EXPECT_EQ(start->time(), QTime(23, 59));
  EXPECT_EQ(end->time(), QTime(0, 0));
  view().hide();
  view().show();
  EXPECT_EQ(writes.count(), 1);
  EXPECT_EQ(model().settings().quietHours.startMinutes, 1500);
}

TEST_F(FocusTabTest, QuietHoursKeepTwoThirtyOnTheBerlinSpringDay) {
  ScopedEnv zone("TZ", "Europe/Berlin");
  // 29 March 2026, 10:00 in Berlin: the clocks skipped 02:00–03:00 today.
  time_.jumpTo(*parseISO8601("2026-03-29T08:00:00Z"));
  changeSettings([](AppSettings& s) { s.quietHours.startMinutes = 150; });
  auto* start = find<TimeOfDayEdit>("quietHoursStart");
  EXPECT_EQ(start->time(), QTime(2, 30));
  start->setTime(QTime(2, 45));
  EXPECT_EQ(model().settings().quietHours.startMinutes, 165);
  start->setTime(QTime(2, 30));
  EXPECT_EQ(model().settings().quietHours.startMinutes, 150);
  EXPECT_EQ(start->time(), QTime(2, 30));
}

TEST_F(FocusTabTest, SwitchesSteppersAndThePolicyWriteTheirFieldsAndHideTheirRows) {
  view();
  expectEdit([&] { click(find<QCheckBox>("quietHours")); },
             [](AppSettings& s) { s.quietHours.isEnabled = false; });
  EXPECT_FALSE(find<TimeOfDayEdit>("quietHoursStart")->isVisible());
  expectEdit([&] { click(find<QCheckBox>("idleDetection")); },
             [](AppSettings& s) { s.idleDetectionEnabled = false; });
  EXPECT_FALSE(find<QSpinBox>("idleThreshold")->isVisible());
  expectEdit(
      [&] {
        click(find<QCheckBox>("duringCalls"));
        click(find<QCheckBox>("notifyWhenHidden"));
        click(find<QCheckBox>("hideGlimmetInFullscreen"));
      },
      [](AppSettings& s) {
        s.stayQuiet.duringCalls = false;
        s.notifyWhenHidden = false;
        s.stayQuiet.hideGlimmetInFullscreen = false;
      },
      3);
  changeSettings([](AppSettings& s) {
    s.quietHours.isEnabled = true;
    s.idleDetectionEnabled = true;
  });
  EXPECT_TRUE(find<TimeOfDayEdit>("quietHoursStart")->isVisible());

  // The steppers keep to their ranges and steps.
  auto* idle = find<QSpinBox>("idleThreshold");
  auto* bubble = find<QSpinBox>("bubbleTimeout");
  expectEdit([&] { QTest::keyClick(bubble, Qt::Key_Up); },
             [](AppSettings& s) { s.bubbleTimeoutSeconds = 150; });
  expectEdit([&] { QTest::keyClick(idle, Qt::Key_Down); },
             [](AppSettings& s) { s.idleThresholdMinutes = 4; });
  changeSettings([](AppSettings& s) {
    s.idleThresholdMinutes = 1;
    s.bubbleTimeoutSeconds = 600;
  });
  expectEdit(
      [&] {
        QTest::keyClick(idle, Qt::Key_Down);
        QTest::keyClick(bubble, Qt::Key_Up);
      },
      [](AppSettings&) {}, 0);
  expectEdit([&] { QTest::keyClick(bubble, Qt::Key_Down); },
             [](AppSettings& s) { s.bubbleTimeoutSeconds = 570; });

  // Never quiet over full screens: nothing to hide the character for.
  auto* policy = find<QComboBox>("fullscreenPolicy");
  EXPECT_EQ(policy->count(), 3);
  expectEdit([&] { QTest::keyClick(policy, Qt::Key_Up); },
             [](AppSettings& s) { s.stayQuiet.fullscreen = FullscreenPolicy::never; });
  EXPECT_FALSE(find<QCheckBox>("hideGlimmetInFullscreen")->isVisible());
  changeSettings([](AppSettings& s) { s.stayQuiet.fullscreen = FullscreenPolicy::anyApp; });
  EXPECT_EQ(policy->currentIndex(), 2);
  EXPECT_TRUE(find<QCheckBox>("hideGlimmetInFullscreen")->isVisible());
}

TEST_F(FocusTabTest, PauseButtonsCallThePauseAndTheStatusLineFollowsTheModel) {
  view();
  calls.clear();
  auto* status = find<QLabel>("pauseStatus");
  auto* resume = find<QPushButton>("resume");
  EXPECT_FALSE(resume->isVisible());
  const QString running = status->text();
  for (const char* b : {"pause15", "pause30", "pause60", "pauseIndefinitely"})
    click(find<QPushButton>(b));
  EXPECT_EQ(calls, (std::vector<std::string>{"pause 900", "pause 1800", "pause 3600", "pause"}));

  ScopedEnv zone("TZ", "America/New_York");
  auto clock = [](int h, int m) { return QLocale().toString(QTime(h, m), form::timeFormat()); };
  model().setPausedUntil(*parseISO8601("2027-01-15T20:45:00Z"));  // 15:45 in New York
  EXPECT_EQ(status->text(), "Paused until " + clock(15, 45));
  EXPECT_TRUE(resume->isVisible());
  model().setPausedIndefinitely(true);
  EXPECT_EQ(status->text(), "Paused until " + clock(15, 45)) << "the timed pause wins";
  // Past midnight: a time of day only, never a date.
  model().setPausedUntil(*parseISO8601("2027-01-16T05:30:00Z"));
  EXPECT_EQ(status->text(), "Paused until " + clock(0, 30));
  model().setPausedUntil(std::nullopt);
  EXPECT_EQ(status->text(), "Paused until you resume");
  click(resume);
  EXPECT_EQ(calls.back(), "resume");
  model().setPausedIndefinitely(false);
  EXPECT_EQ(status->text(), running);
  EXPECT_FALSE(resume->isVisible());
}

TEST_F(FocusTabTest, QuietStatusIsRefreshedWhenShownAndOnCheckNow) {
  model();
  auto view = std::make_unique<FocusSettingsView>(model());
  EXPECT_TRUE(calls.empty());
  view->show();
  EXPECT_EQ(callCount("refreshAwareness"), 1);
  model().setQuietStatus("Right now: nothing is holding Pimble back.");
  auto* status = view->findChild<QLabel*>("quietStatus");
  EXPECT_EQ(status->text(), "Right now: nothing is holding Pimble back.");
  // Applications' names show as the desktop gives them.
  const QString waiting = "Right now Pimble is waiting: <b>Tea</b> & Co is fullscreen.";
  model().setQuietStatus(waiting.toStdString());
  EXPECT_EQ(testing::shownText(status->text(), status->textFormat()), waiting);
  click(view->findChild<QPushButton*>("checkNow"));
  view->hide();
  view->show();
  EXPECT_EQ(callCount("refreshAwareness"), 3);
}

TEST(MinutesOfDayTest, ConvertsWithoutADateAndClampsTheRest) {
  for (std::int64_t m = 0; m <= MinutesOfDay::last; ++m)
    ASSERT_EQ(MinutesOfDay::minutes(MinutesOfDay::time(m)), m);
  EXPECT_EQ(MinutesOfDay::time(1440), QTime(23, 59));
  EXPECT_EQ(MinutesOfDay::time(-1), QTime(0, 0));
  EXPECT_EQ(MinutesOfDay::time(std::numeric_limits<std::int64_t>::max()), QTime(23, 59));
  EXPECT_EQ(MinutesOfDay::minutes(QTime(23, 59, 59)), 1439);
  EXPECT_EQ(MinutesOfDay::minutes(QTime()), 0);

  // The time field reports only what the user picks.
  TimeOfDayEdit edit;
  QSignalSpy picked(&edit, &TimeOfDayEdit::minutesPicked);
  edit.setMinutes(1320);
  edit.setMinutes(5000);
  EXPECT_EQ(edit.time(), QTime(23, 59));
  EXPECT_EQ(picked.count(), 0);
  edit.setTime(QTime(6, 5));
  ASSERT_EQ(picked.count(), 1);
  EXPECT_EQ(picked.at(0).at(0).value<std::int64_t>(), 365);
}

}  // namespace
}  // namespace pimble
