// The tour's pages on the real model: every control writes its field at
// once, the awareness page offers the open applications, the day page's
// rhythm and times, and what the try and done pages show and call.

#include "models/memory_persistence.h"
#include "services/app_catalog.h"
#include "settings/awareness_page.h"
#include "settings/cape_swatches.h"
#include "settings/flow_buttons.h"
#include "settings/onboarding_state.h"
#include "settings/personality_page.h"
#include "settings/segmented_control.h"
#include "settings/time_of_day_edit.h"
#include "settings/tour_fixture.h"
#include "system/probe_test_support.h"

namespace pimble {
namespace {

using Step = OnboardingStep;
using testing::click;
using testing::ScopedEnv;
using testing::SettingsWrites;

class OnboardingPagesTest : public testing::TourFixture {
 protected:
  Reminder& first(std::vector<Reminder>& list, ReminderKind kind) {
    return *std::find_if(list.begin(), list.end(), [kind](auto& r) { return r.kind == kind; });
  }
  std::vector<std::int64_t> intervals() {
    std::vector<std::int64_t> out;
    for (const Reminder& r : model().reminders()) out.push_back(r.intervalMinutes);
    return out;
  }
  // Applications "App A" to "App K" running, in the catalogue's order.
  static void running(int count) {
    std::vector<ReturnTarget> apps;
    for (int i = 0; i < count; ++i)
      apps.push_back({"app." + std::to_string(i), "App " + std::string(1, char('A' + i))});
    SettingsFixture::running(apps);
  }
  QStringList offered() {
    QStringList names;
    auto* buttons = control<FlowButtons>("openApps");
    if (buttons == nullptr || buttons->isHidden()) return names;
    for (const ReturnTarget& item : buttons->items()) names << QString::fromStdString(item.name);
    return names;
  }
};

TEST_F(OnboardingPagesTest, TheWelcomePageFliesInAndGoalsSwitchWholeGroupsOfBuiltInReminders) {
  std::vector<Reminder> list = Reminder::defaults();
  list.push_back(list[0]);  // a second water reminder
  list.back().id = Uuid::generate();
  list.push_back(model().addCustomReminder());
  for (Reminder& r : list)
    r.isEnabled = r.kind == ReminderKind::walk || r.kind == ReminderKind::custom;
  model().setReminders(list);
  tour();
  EXPECT_EQ(calls, std::vector<std::string>{"flyIn"});
  tour().window()->hide();
  tour().window()->show();
  EXPECT_EQ(calls.size(), 1u) << "the same page showing again";

  next();
  auto* water = control<QCheckBox>("goalWater");
  auto* breaks = control<QCheckBox>("goalBreaks");
  EXPECT_FALSE(water->isChecked());
  EXPECT_TRUE(breaks->isChecked()) << "the walk alone is on";
  click(water);
  click(breaks);
  const auto isBreak = [](const Reminder& r) {
    return r.kind == ReminderKind::posture || r.kind == ReminderKind::walk ||
           r.kind == ReminderKind::takeBreak;
  };
  std::vector<Reminder> expected = list;
  for (Reminder& r : expected) {
    if (r.kind == ReminderKind::water) r.isEnabled = true;
    if (isBreak(r)) r.isEnabled = false;
  }
  EXPECT_EQ(model().reminders(), expected) << "both waters on, the custom one untouched";
  click(breaks);
  for (Reminder& r : expected)
    if (isBreak(r)) r.isEnabled = true;
  EXPECT_EQ(model().reminders(), expected);
  // The awareness goal only decides the tour's way.
  expectEdit([&] { click(control<QCheckBox>("goalAwareness")); }, [](AppSettings&) {}, 0);
  EXPECT_TRUE(tour().state().wantsAwareness());

  back();
  EXPECT_EQ(calls, (std::vector<std::string>{"flyIn", "flyIn"})) << "a new welcome page";
}

TEST_F(OnboardingPagesTest, TheToneIsWrittenAtOnceAndTheSampleFollowsIt) {
  goTo(Step::personality);
  auto* tone = control<SegmentedControl>("tone");
  auto* sample = control<QLabel>("sample");
  EXPECT_EQ(sample->text(), PersonalityPage::sample(CheckInTone::friendly));
  expectEdit([&] { click(tone->segment(2)); },
             [](AppSettings& s) { s.awareness.tone = CheckInTone::direct; });
  EXPECT_EQ(sample->text(), PersonalityPage::sample(CheckInTone::direct));
  EXPECT_NE(sample->text(), PersonalityPage::sample(CheckInTone::friendly));
  changeSettings([](AppSettings& s) { s.awareness.tone = CheckInTone::playful; });
  EXPECT_EQ(tone->currentIndex(), 1);
  EXPECT_EQ(sample->text(), PersonalityPage::sample(CheckInTone::playful));
}

TEST_F(OnboardingPagesTest, TheAwarenessPageOffersTheFirstEightOpenAppsToWatch) {
  running(11);
  changeSettings([](AppSettings& s) {
    WatchedApp b;
    b.bundleID = "app.1";
    b.name = "App B";
    b.isEnabled = false;
    s.awareness.apps.push_back(b);
  });
  tour().state().setWantsAwareness(true);
  goTo(Step::awareness);
  EXPECT_TRUE(offered().isEmpty()) << "awareness is off";
  EXPECT_FALSE(control<QLabel>("watching")->isVisible());

  expectEdit([&] { click(control<QCheckBox>("awarenessEnabled")); },
             [](AppSettings& s) { s.awareness.isEnabled = true; });
  // App B is watched (its entry may be off): never offered.
  EXPECT_EQ(offered(),
            (QStringList{"App A", "App C", "App D", "App E", "App F", "App G", "App H", "App I"}));
  EXPECT_EQ(control<QLabel>("watching")->text(), "Watching: App B");

  click(control<FlowButtons>("openApps")->buttons()[2]);
  ASSERT_EQ(model().settings().awareness.apps.size(), 2u);
  EXPECT_EQ(model().settings().awareness.apps[1].bundleID, "app.3");
  EXPECT_EQ(offered(),
            (QStringList{"App A", "App C", "App E", "App F", "App G", "App H", "App I", "App J"}));
  EXPECT_EQ(control<QLabel>("watching")->text(), "Watching: App B, App D");

  // Off again: the rows go, the list stays.
  click(control<QCheckBox>("awarenessEnabled"));
  EXPECT_TRUE(offered().isEmpty());
  EXPECT_EQ(model().settings().awareness.apps.size(), 2u);
}

TEST_F(OnboardingPagesTest, TheDayPagesRhythmRewritesBuiltInIntervalsAndItsControlsTheirFields) {
  std::vector<Reminder> list = model().reminders();
  Reminder custom = model().addCustomReminder();
  custom.intervalMinutes = 17;
  list.push_back(custom);
  first(list, ReminderKind::water).intervalMinutes = 50;
  first(list, ReminderKind::stretch).isEnabled = false;
  model().setReminders(list);
  goTo(Step::day);
  auto* rhythm = control<SegmentedControl>("frequency");
  EXPECT_EQ(rhythm->currentIndex(), 1);
  EXPECT_EQ(intervals(), (std::vector<std::int64_t>{50, 60, 20, 30, 90, 120, 17}))
      << "showing the page changes nothing";
  for (const auto& [segment, expected] :
       {std::pair{2, std::vector<std::int64_t>{35, 45, 15, 25, 70, 90, 17}},
        {0, {70, 90, 30, 45, 135, 180, 17}},
        {1, {45, 60, 20, 30, 90, 120, 17}}}) {
    click(rhythm->segment(segment));
    EXPECT_EQ(intervals(), expected) << segment;
  }
  EXPECT_EQ(tour().state().frequency(), ReminderFrequency::balanced);
  EXPECT_FALSE(model().reminders()[1].isEnabled) << "only lengths change";

  auto* row = control<QWidget>("workHoursRow");
  EXPECT_FALSE(row->isVisible());
  expectEdit(
      [&] {
        click(control<QCheckBox>("workHours"));
        control<TimeOfDayEdit>("workStart")->setTime(QTime(8, 30));
        control<TimeOfDayEdit>("workEnd")->setTime(QTime(17, 30));
        click(control<SegmentedControl>("companionSize")->segment(2));
        control<CapeSwatches>("capeSwatches")->swatch(CapeColor::gold)->click();
        click(control<QPushButton>("corner-topLeft"));
      },
      [](AppSettings& s) {
        s.modes.schedule.isEnabled = true;
        s.modes.schedule.workStartMinutes = 510;
        s.modes.schedule.workEndMinutes = 1050;
        s.companionSize = CompanionSize::large;
        s.capeColor = CapeColor::gold;
      },
      5);
  EXPECT_TRUE(row->isVisible());
  EXPECT_EQ(calls.back(), "moveToCorner topLeft");
  click(control<QCheckBox>("workHours"));
  EXPECT_FALSE(row->isVisible());
  EXPECT_EQ(model().settings().modes.schedule.workStartMinutes, 510) << "kept while hidden";
}

TEST_F(OnboardingPagesTest, WorkHoursKeepTwoThirtyOnTheBerlinSpringDay) {
  ScopedEnv zone("TZ", "Europe/Berlin");
  // 28 March 2027, 10:00 in Berlin: the clocks skipped 02:00–03:00 today.
  time_.jumpTo(*parseISO8601("2027-03-28T08:00:00Z"));
  changeSettings([](AppSettings& s) {
    s.modes.schedule.isEnabled = true;
    s.modes.schedule.workStartMinutes = 150;
  });
  goTo(Step::day);
  auto* start = control<TimeOfDayEdit>("workStart");
  EXPECT_EQ(start->time(), QTime(2, 30));
  expectEdit([&] { control<TimeOfDayEdit>("workEnd")->setTime(QTime(3, 0)); },
             [](AppSettings& s) { s.modes.schedule.workEndMinutes = 180; });
  EXPECT_EQ(start->time(), QTime(2, 30));
}

TEST_F(OnboardingPagesTest, TheTryAndDonePagesCallTheTourAndKeepTheLoginWish) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  goTo(Step::tryIt);
  click(control<QPushButton>("tryWater"));
  click(control<QPushButton>("tryStretch"));
  EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
            (std::vector<std::string>{"tryReminder water", "tryReminder stretch"}));
  auto* quiet = control<QLabel>("quietSentence");
  changeSettings([](AppSettings& s) {
    s.quietHours.isEnabled = false;
    s.quietHours.startMinutes = 1380;
  });
  EXPECT_TRUE(quiet->text().endsWith("(11:00 PM–7:00 AM).")) << "named even when off";
  QLocale::setDefault(QLocale::c());

  next();
  auto* login = control<QCheckBox>("openAtLogin");
  EXPECT_TRUE(login->isChecked());
  expectEdit([&] { click(login); }, [](AppSettings&) {}, 0);
  EXPECT_FALSE(tour().state().openAtLogin());
  EXPECT_FALSE(QFile::exists(LaunchAtLogin::autostartPath())) << "nothing registered yet";
}

}  // namespace
}  // namespace pimble
