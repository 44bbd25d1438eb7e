// The Focus & Quiet Hours tab on the real model: quiet hours through the
// time fields (a daylight-saving day included), pausing, idle, staying
// quiet and delivery.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

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

class FocusTabTest : public testing::ViewFixture<FocusSettingsView> {
 protected:
  static QString clock(int hour, int minute) {
    return QLocale().toString(QTime(hour, minute), form::timeFormat());
  }
};

TEST_F(FocusTabTest, QuietHoursShowAndStoreTimesOfDay) {
  auto* start = find<TimeOfDayEdit>("quietHoursStart");
  auto* end = find<TimeOfDayEdit>("quietHoursEnd");
  EXPECT_EQ(start->time(), QTime(22, 0));
  EXPECT_EQ(end->time(), QTime(7, 0));
  {
    SettingsWrites writes(model());
    start->setFocus();
    start->setTime(QTime(23, 15));
    EXPECT_EQ(model().settings(),
              writes.expected([](AppSettings& s) { s.quietHours.startMinutes = 1395; }));
  }
  {
    // The same time for both ends is stored as it is.
    SettingsWrites writes(model());
    end->setTime(QTime(23, 15));
    EXPECT_EQ(model().settings(),
              writes.expected([](AppSettings& s) { s.quietHours.endMinutes = 1395; }));
  }
  // Stepping with the keyboard goes through the same path.
  SettingsWrites writes(model());
  end->setCurrentSection(QDateTimeEdit::MinuteSection);
  QTest::keyClick(end, Qt::Key_Up);
  EXPECT_EQ(model().settings().quietHours.endMinutes, 1396);
  EXPECT_EQ(writes.count(), 1);
}

TEST_F(FocusTabTest, QuietHoursKeepTwoThirtyOnTheBerlinSpringDay) {
  ScopedEnv zone("TZ", "Europe/Berlin");
  // 29 March 2026, 10:00 in Berlin: the clocks skipped 02:00–03:00 today.
  time_.jumpTo(*parseISO8601("2026-03-29T08:00:00Z"));
  changeSettings([](AppSettings& s) { s.quietHours.startMinutes = 150; });
  auto* start = find<TimeOfDayEdit>("quietHoursStart");
  EXPECT_EQ(start->time(), QTime(2, 30));
  SettingsWrites writes(model());
  start->setTime(QTime(2, 45));
  EXPECT_EQ(model().settings().quietHours.startMinutes, 165);
  start->setTime(QTime(2, 30));
  EXPECT_EQ(model().settings().quietHours.startMinutes, 150);
  EXPECT_EQ(start->time(), QTime(2, 30));
  EXPECT_EQ(writes.count(), 2);
}

TEST_F(FocusTabTest, OutOfRangeTimesShowClampedAndStayUntilChanged) {
  changeSettings([](AppSettings& s) {
    s.quietHours.startMinutes = 1500;
    s.quietHours.endMinutes = -30;
  });
  SettingsWrites writes(model());
  auto* start = find<TimeOfDayEdit>("quietHoursStart");
  EXPECT_EQ(start->time(), QTime(23, 59));
  EXPECT_EQ(find<TimeOfDayEdit>("quietHoursEnd")->time(), QTime(0, 0));
  view().hide();
  view().show();
  EXPECT_EQ(writes.count(), 0);
  EXPECT_EQ(model().settings().quietHours.startMinutes, 1500);
  start->setTime(QTime(21, 0));
  EXPECT_EQ(model().settings(),
            writes.expected([](AppSettings& s) { s.quietHours.startMinutes = 1260; }));
}

TEST_F(FocusTabTest, SwitchesWriteTheirFieldsAndHideTheirRows) {
  view();
  {
    SettingsWrites writes(model());
    click(find<QCheckBox>("quietHours"));
    EXPECT_EQ(model().settings(),
              writes.expected([](AppSettings& s) { s.quietHours.isEnabled = false; }));
    EXPECT_FALSE(find<TimeOfDayEdit>("quietHoursStart")->isVisible());
  }
  changeSettings([](AppSettings& s) { s.quietHours.isEnabled = true; });
  EXPECT_TRUE(find<TimeOfDayEdit>("quietHoursStart")->isVisible());
  EXPECT_EQ(find<TimeOfDayEdit>("quietHoursStart")->time(), QTime(22, 0));
  {
    SettingsWrites writes(model());
    click(find<QCheckBox>("idleDetection"));
    EXPECT_EQ(model().settings(),
              writes.expected([](AppSettings& s) { s.idleDetectionEnabled = false; }));
    EXPECT_FALSE(find<QSpinBox>("idleThreshold")->isVisible());
  }
  {
    SettingsWrites writes(model());
    click(find<QCheckBox>("duringCalls"));
    click(find<QCheckBox>("notifyWhenHidden"));
    click(find<QCheckBox>("hideGlimmetInFullscreen"));
    EXPECT_EQ(model().settings(), writes.expected([](AppSettings& s) {
      s.stayQuiet.duringCalls = false;
      s.notifyWhenHidden = false;
      s.stayQuiet.hideGlimmetInFullscreen = false;
    }));
  }
}

TEST_F(FocusTabTest, SteppersKeepToTheirRangesAndSteps) {
  view();
  auto* idle = find<QSpinBox>("idleThreshold");
  auto* bubble = find<QSpinBox>("bubbleTimeout");
  EXPECT_EQ(idle->text(), "5 min");
  EXPECT_EQ(bubble->text(), "120 sec");
  SettingsWrites writes(model());
  QTest::keyClick(bubble, Qt::Key_Up);
  EXPECT_EQ(model().settings(),
            writes.expected([](AppSettings& s) { s.bubbleTimeoutSeconds = 150; }));
  QTest::keyClick(idle, Qt::Key_Down);
  EXPECT_EQ(model().settings().idleThresholdMinutes, 4);

  changeSettings([](AppSettings& s) {
    s.idleThresholdMinutes = 1;
    s.bubbleTimeoutSeconds = 600;
  });
  const int before = writes.count();
  QTest::keyClick(idle, Qt::Key_Down);
  QTest::keyClick(bubble, Qt::Key_Up);
  EXPECT_EQ(writes.count(), before) << "nothing below 1 or above 600";
  EXPECT_EQ(model().settings().idleThresholdMinutes, 1);
  EXPECT_EQ(model().settings().bubbleTimeoutSeconds, 600);
  QTest::keyClick(bubble, Qt::Key_Down);
  EXPECT_EQ(model().settings().bubbleTimeoutSeconds, 570);
}

TEST_F(FocusTabTest, FullscreenPolicyPickerAndItsHideToggle) {
  view();
  auto* policy = find<QComboBox>("fullscreenPolicy");
  ASSERT_EQ(policy->count(), 3);
  EXPECT_EQ(policy->itemText(0), "Never");
  EXPECT_EQ(policy->itemText(1), "Video, slides, calls & games");
  EXPECT_EQ(policy->itemText(2), "Any fullscreen app");
  EXPECT_EQ(policy->currentIndex(), 1);
  SettingsWrites writes(model());
  QTest::keyClick(policy, Qt::Key_Up);
  EXPECT_EQ(model().settings(), writes.expected([](AppSettings& s) {
    s.stayQuiet.fullscreen = FullscreenPolicy::never;
  }));
  EXPECT_FALSE(find<QCheckBox>("hideGlimmetInFullscreen")->isVisible());
  changeSettings([](AppSettings& s) { s.stayQuiet.fullscreen = FullscreenPolicy::anyApp; });
  EXPECT_EQ(policy->currentIndex(), 2);
  EXPECT_TRUE(find<QCheckBox>("hideGlimmetInFullscreen")->isVisible());
  EXPECT_TRUE(find<QCheckBox>("hideGlimmetInFullscreen")->isChecked());
  EXPECT_EQ(writes.count(), 2);
}

TEST_F(FocusTabTest, PauseButtonsAndTheStatusLine) {
  view();
  calls.clear();
  auto* status = find<QLabel>("pauseStatus");
  auto* resume = find<QPushButton>("resume");
  EXPECT_EQ(status->text(), "Reminders are running");
  EXPECT_FALSE(resume->isVisible());
  for (const char* b : {"pause15", "pause30", "pause60", "pauseIndefinitely"})
    click(find<QPushButton>(b));
  EXPECT_EQ(calls, (std::vector<std::string>{"pause 900", "pause 1800", "pause 3600", "pause"}));

  // The line follows the model's fields alone.
  ScopedEnv zone("TZ", "America/New_York");
  const Date end = *parseISO8601("2027-01-15T20:45:00Z");  // 15:45 in New York
  model().setPausedUntil(end);
  EXPECT_EQ(status->text(), "Paused until " + clock(15, 45));
  EXPECT_TRUE(resume->isVisible());
  model().setPausedIndefinitely(true);
  EXPECT_EQ(status->text(), "Paused until " + clock(15, 45)) << "the timed pause wins";
  model().setPausedUntil(std::nullopt);
  EXPECT_EQ(status->text(), "Paused until you resume");
  click(resume);
  EXPECT_EQ(calls.back(), "resume");
  // Past midnight: a time of day only, never a date.
  model().setPausedUntil(*parseISO8601("2027-01-16T05:30:00Z"));
  EXPECT_EQ(status->text(), "Paused until " + clock(0, 30));
  model().setPausedUntil(std::nullopt);
  model().setPausedIndefinitely(false);
  EXPECT_EQ(status->text(), "Reminders are running");
  EXPECT_FALSE(resume->isVisible());
}

TEST_F(FocusTabTest, QuietStatusIsRefreshedWhenShownAndOnCheckNow) {
  model();
  auto view = std::make_unique<FocusSettingsView>(model());
  EXPECT_TRUE(calls.empty());
  view->show();
  EXPECT_EQ(calls, std::vector<std::string>{"refreshAwareness"});
  auto* line = view->findChild<QLabel*>("quietStatus");
  EXPECT_EQ(line->text(), "");
  model().setQuietStatus("Right now: nothing is holding Pimble back.");
  EXPECT_EQ(line->text(), "Right now: nothing is holding Pimble back.");
  click(view->findChild<QPushButton*>("checkNow"));
  view->hide();
  view->show();
  EXPECT_EQ(calls,
            (std::vector<std::string>{"refreshAwareness", "refreshAwareness", "refreshAwareness"}));
}

TEST(MinutesOfDayTest, ConvertsWithoutADate) {
  EXPECT_EQ(MinutesOfDay::time(0), QTime(0, 0));
  EXPECT_EQ(MinutesOfDay::time(540), QTime(9, 0));
  EXPECT_EQ(MinutesOfDay::time(1439), QTime(23, 59));
  EXPECT_EQ(MinutesOfDay::time(1440), QTime(23, 59));
  EXPECT_EQ(MinutesOfDay::time(-1), QTime(0, 0));
  EXPECT_EQ(MinutesOfDay::time(std::numeric_limits<std::int64_t>::max()), QTime(23, 59));
  EXPECT_EQ(MinutesOfDay::minutes(QTime(17, 30)), 1050);
  EXPECT_EQ(MinutesOfDay::minutes(QTime(23, 59, 59)), 1439);
  EXPECT_EQ(MinutesOfDay::minutes(QTime()), 0);
  for (std::int64_t m = 0; m <= MinutesOfDay::last; ++m)
    ASSERT_EQ(MinutesOfDay::minutes(MinutesOfDay::time(m)), m);
}

TEST(TimeOfDayEditTest, ReportsOnlyWhatTheUserPicks) {
  TimeOfDayEdit edit;
  QSignalSpy picked(&edit, &TimeOfDayEdit::minutesPicked);
  edit.setMinutes(1320);
  edit.setMinutes(5000);
  EXPECT_EQ(edit.time(), QTime(23, 59));
  EXPECT_EQ(picked.count(), 0);
  edit.setTime(QTime(6, 5));
  ASSERT_EQ(picked.count(), 1);
  EXPECT_EQ(picked.at(0).at(0).value<std::int64_t>(), 365);
  EXPECT_EQ(edit.displayFormat().contains('s'), false);
}

}  // namespace
}  // namespace pimble
