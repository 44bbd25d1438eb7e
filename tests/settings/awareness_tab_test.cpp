// The Awareness tab on the real model: the mode picker that shows the mode
// in force, the schedule with the work days in the calendar's order, the
// watched applications' rows and limit menus, the add-app menu and the
// picker over installed applications (from desktop entries in a private
// data folder), check-ins, today's numbers, the history, and the refresh
// that runs only while the tab is on screen.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTextDocument>
#include <QToolButton>

#include "services/app_catalog.h"
#include "settings/add_app_menu.h"
#include "settings/awareness_settings_view.h"
#include "settings/check_in_style_section.h"
#include "settings/installed_apps_picker.h"
#include "settings/mode_section.h"
#include "settings/segmented_control.h"
#include "settings/settings_fixture.h"
#include "settings/settings_form.h"
#include "settings/threshold_menu.h"
#include "settings/time_of_day_edit.h"
#include "settings/watched_app_row.h"
#include "settings/weekday_picker.h"

namespace pimble {
namespace {

using testing::click;
using testing::ScopedEnv;
using testing::SettingsWrites;

// Writes an application's desktop entry into a data folder.
void writeEntry(const QString& dataFolder, const QString& id, const QString& name) {
  QDir().mkpath(dataFolder + "/applications");
  QFile file(dataFolder + "/applications/" + id + ".desktop");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      ("[Desktop Entry]\nType=Application\nName=" + name + "\nExec=/bin/true\nIcon=" + id + "\n")
          .toUtf8());
}

QStringList actionTexts(const QMenu* menu) {
  QStringList texts;
  // A plain separator shows as "—", a section as its title.
  for (const QAction* a : menu->actions())
    texts << (a->isSeparator() && a->text().isEmpty() ? "—" : a->text());
  return texts;
}

QAction* action(const QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions())
    if (a->text() == text) return a;
  ADD_FAILURE() << "no item " << text.toStdString();
  return nullptr;
}

class AwarenessTabTest : public testing::ViewFixture<AwarenessSettingsView> {
 protected:
  void SetUp() override {
    ViewFixture::SetUp();
    ASSERT_TRUE(data_.isValid());
    dataHome_ = std::make_unique<ScopedEnv>("XDG_DATA_HOME", data_.filePath("home"));
    dataDirs_ = std::make_unique<ScopedEnv>("XDG_DATA_DIRS", data_.filePath("system"));
    home_ = std::make_unique<ScopedEnv>("HOME", data_.filePath("user"));
  }
  void TearDown() override {
    view_.reset();
    ViewFixture::TearDown();
  }
  void watch(const std::string& id, const std::string& name) { model().watch({id, name}); }
  WatchedAppRow* row(size_t index) {
    EXPECT_GT(view().rows().size(), index);
    return view().rows().at(index);
  }
  const WatchedApp& app(size_t index) { return model().settings().awareness.apps.at(index); }

  QTemporaryDir data_;
  std::unique_ptr<ScopedEnv> dataHome_, dataDirs_, home_;
};

TEST_F(AwarenessTabTest, TheModePickerShowsTheModeInForceAndSnapsBack) {
  SegmentedControl* picker = view().modeSection()->picker();
  auto* footnote = find<QLabel>("modeFootnote");
  EXPECT_EQ(picker->currentIndex(), 0);
  EXPECT_EQ(footnote->text(), form::modeDescription(AwarenessMode::work));
  expectEdit([&] { click(picker->segment(1)); }, [](AppSettings&) {}, 0);
  EXPECT_EQ(callCount("setMode relax"), 1) << "the choice goes through the program only";
  EXPECT_EQ(picker->currentIndex(), 0) << "the mode in force is still work";
  EXPECT_EQ(footnote->text(), form::modeDescription(AwarenessMode::work));

  // Once the program publishes the mode (chosen, or by the schedule), the
  // picker and the line follow.
  model().setMode(AwarenessMode::relax);
  EXPECT_EQ(picker->currentIndex(), 1);
  EXPECT_EQ(footnote->text(), form::modeDescription(AwarenessMode::relax));
  model().setMode(AwarenessMode::night);
  EXPECT_EQ(picker->currentIndex(), 2);
}

TEST_F(AwarenessTabTest, TheScheduleShowsWorkDaysInTheCalendarsOrderAndWritesItsFields) {
  using Week = std::array<int, 7>;
  WeekdayPicker* days = view().modeSection()->workDays();
  EXPECT_FALSE(days->isVisible()) << "the schedule is off";
  click(find<QCheckBox>("modeSchedule"));
  EXPECT_TRUE(model().settings().modes.schedule.isEnabled);
  EXPECT_TRUE(days->isVisible());

  const std::pair<QLocale, Week> calendars[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), {1, 2, 3, 4, 5, 6, 7}},
      {QLocale(QLocale::German, QLocale::Germany), {2, 3, 4, 5, 6, 7, 1}},
      {QLocale(QLocale::Arabic, QLocale::Egypt), {7, 1, 2, 3, 4, 5, 6}}};
  for (const auto& [locale, order] : calendars) {
    days->setLocale(locale);
    EXPECT_EQ(days->shownOrder(), order) << locale.name().toStdString();
    // The buttons stand left to right in that order.
    days->layout()->activate();
    for (int i = 1; i < 7; ++i)
      EXPECT_LT(days->button(order[i - 1])->x(), days->button(order[i])->x());
  }
  for (int day = 1; day <= 7; ++day)
    EXPECT_EQ(days->button(day)->isChecked(), day >= 2 && day <= 6) << day;
  expectEdit(
      [&] {
        click(days->button(1));
        click(days->button(2));
      },
      [](AppSettings& s) {
        s.modes.schedule.workDays = {1, 3, 4, 5, 6};
      },
      2);
  // The last day can go, and days the buttons do not show stay.
  changeSettings([](AppSettings& s) { s.modes.schedule.workDays = {3, 9}; });
  click(days->button(3));
  EXPECT_EQ(model().settings().modes.schedule.workDays, (std::set<std::int64_t>{9}));

  expectEdit(
      [&] {
        find<TimeOfDayEdit>("workStart")->setTime(QTime(8, 30));
        find<TimeOfDayEdit>("nightStart")->setTime(QTime(23, 59));
      },
      [](AppSettings& s) {
        s.modes.schedule.workStartMinutes = 510;
        s.modes.schedule.nightStartMinutes = 1439;
      },
      2);
  auto* at = find<TimeOfDayEdit>("bedtimeAt");
  EXPECT_FALSE(at->isVisible());
  click(find<QCheckBox>("bedtimeNudge"));
  EXPECT_TRUE(at->isVisible());
  expectEdit([&] { at->setTime(QTime(17, 30)); },
             [](AppSettings& s) { s.modes.bedtime.minutes = 1050; });
  // Hiding the rows keeps what they hold.
  click(find<QCheckBox>("modeSchedule"));
  click(find<QCheckBox>("modeSchedule"));
  EXPECT_EQ(model().settings().modes.schedule.workStartMinutes, 510);
}

TEST_F(AwarenessTabTest, TheLimitMenusWriteNoneOrTheMinutesAndACategoryResetsThem) {
  watch("com.hnc.Discord", "Discord");
  ASSERT_EQ(app(0).category, AppCategory::social);
  ThresholdMenu* work = row(0)->limit(AwarenessMode::work);
  EXPECT_EQ(work->button()->text(), "20m");
  expectEdit([&] { action(work->menu(), "No check-ins")->trigger(); },
             [](AppSettings& s) { s.awareness.apps[0].workMinutes = std::nullopt; });
  EXPECT_EQ(work->button()->text(), "Off");
  ThresholdMenu* relax = row(0)->limit(AwarenessMode::relax);
  expectEdit([&] { action(relax->menu(), "1 h 30 min")->trigger(); },
             [](AppSettings& s) { s.awareness.apps[0].relaxMinutes = 90; });
  EXPECT_EQ(relax->button()->text(), "1h30");
  // Limits from a hand-edited file: below a minute reads as one, one the
  // menu does not offer shows as it is; neither is written.
  changeSettings([](AppSettings& s) {
    s.awareness.apps[0].nightMinutes = 0;
    s.awareness.apps[0].workMinutes = 25;
  });
  EXPECT_EQ(row(0)->limit(AwarenessMode::night)->button()->text(), "1m");
  EXPECT_EQ(work->button()->text(), "25m");
  EXPECT_EQ(app(0).nightMinutes, 0);

  // A category, even the same one again, gives that category's limits
  // without the intention question; the switch stays as it was.
  changeSettings([](AppSettings& s) {
    s.awareness.apps[0].askIntention = true;
    s.awareness.apps[0].isEnabled = false;
  });
  QToolButton* category = row(0)->categoryButton();
  const WatchedApp video{
      "com.hnc.Discord", "Discord", AppCategory::video, false, false, 30, 90, 45};
  for (int i = 0; i < 2; ++i) {
    action(category->menu(), "Video")->trigger();
    EXPECT_EQ(app(0), video);
    changeSettings([](AppSettings& s) { s.awareness.apps[0].nightMinutes = 180; });
  }
  EXPECT_EQ(category->accessibleName(), "Category: Video");
}

TEST_F(AwarenessTabTest, RowsShowTodayAndTheirSwitchesFlagAndRemoveButtonWork) {
  EXPECT_TRUE(find<QLabel>("noWatchedApps")->isVisible());
  watch("org.videolan.VLC", "VLC media player");
  watch("steam", "<b>Steam</b> & Co");
  EXPECT_FALSE(find<QLabel>("noWatchedApps")->isVisible());
  ASSERT_EQ(view().rows().size(), 2u);
  // The name shows as given in the tooltips too.
  for (QWidget* w :
       std::initializer_list<QWidget*>{row(1)->intentionFlag(), row(1)->removeButton()})
    EXPECT_TRUE(testing::shownText(w->toolTip()).contains(" <b>Steam</b> & Co"));
  DayUsage today;
  today.apps["org.videolan.VLC"] = 3900;
  today.apps["steam"] = 59;
  model().setActivityToday(today);
  EXPECT_EQ(row(0)->todayLabel()->text(), "· today 1 h 5 min");
  EXPECT_EQ(row(1)->todayLabel()->text(), "· today —");

  expectEdit(
      [&] {
        click(row(1)->checkInSwitch());
        row(1)->intentionFlag()->click();
      },
      [](AppSettings& s) {
        s.awareness.apps[1].isEnabled = false;
        s.awareness.apps[1].askIntention = true;
      },
      2);
  EXPECT_DOUBLE_EQ(row(1)->opacity(), WatchedAppRow::dimmedOpacity);
  EXPECT_DOUBLE_EQ(row(0)->opacity(), 1.0);
  // A dimmed row still works.
  action(row(1)->limit(AwarenessMode::work)->menu(), "10 min")->trigger();
  EXPECT_EQ(app(1).workMinutes, 10);

  // Removing takes every entry with that identifier, and asks nothing.
  changeSettings([](AppSettings& s) { s.awareness.apps.push_back(s.awareness.apps[0]); });
  ASSERT_EQ(view().rows().size(), 3u);
  row(0)->removeButton()->click();
  QApplication::processEvents();
  ASSERT_EQ(model().settings().awareness.apps.size(), 1u);
  EXPECT_EQ(app(0).bundleID, "steam");
  EXPECT_EQ(view().rows().size(), 1u);
}

TEST_F(AwarenessTabTest, TheAddAppMenuOffersRunningAppsNotWatched) {
  running({{"org.gnome.Calculator", "Calculator"},
           {"steam", "Steam"},
           {"org.kde.krita", "Krita"},
           {"org.gnome.Calculator", "Calculator"},
           {"com.hnc.Discord", "Discord"}});
  watch("steam", "Steam");
  watch("com.hnc.Discord", "Discord");
  changeSettings([](AppSettings& s) { s.awareness.apps[1].isEnabled = false; });
  AddAppMenu* add = view().addAppMenu();
  add->fillMenu();
  EXPECT_EQ(actionTexts(add->menu()),
            (QStringList{"Open now", "Calculator", "Krita", "—", "Choose from installed apps…"}));
  action(add->menu(), "Krita")->trigger();
  ASSERT_EQ(model().settings().awareness.apps.size(), 3u);
  EXPECT_EQ(app(2), (WatchedApp{"org.kde.krita", "Krita", AppCategory::other, true, false, 45,
                                std::nullopt, 45}));
  add->fillMenu();
  EXPECT_EQ(actionTexts(add->menu()),
            (QStringList{"Open now", "Calculator", "—", "Choose from installed apps…"}));

  // With nothing left to offer, only the way to the installed apps.
  running({{"steam", "Steam"}});
  add->fillMenu();
  QStringList visible;
  for (const QAction* a : add->menu()->actions())
    if (!a->isSeparator()) visible << a->text();
  EXPECT_EQ(visible, QStringList{"Choose from installed apps…"});
}

TEST_F(AwarenessTabTest, ThePickerAddsTheChosenAppsAndSkipsOneAlreadyWatched) {
  const QString home = data_.filePath("home");
  writeEntry(home, "org.kde.krita", "Krita");
  writeEntry(home, "org.gnome.Calculator", "Calculator");
  writeEntry(home, "org.videolan.VLC", "VLC media player");
  writeEntry(data_.filePath("system"), "steam", "Steam");
  watch("org.videolan.VLC", "VLC");
  changeSettings([](AppSettings& s) { s.awareness.apps[0].workMinutes = 5; });
  const WatchedApp before = app(0);

  AddAppMenu* add = view().addAppMenu();
  action(add->menu(), "Choose from installed apps…")->trigger();
  InstalledAppsPicker* picker = add->picker();
  ASSERT_NE(picker, nullptr);
  EXPECT_TRUE(picker->isVisible());
  EXPECT_EQ(picker->list()->model()->rowCount(), 4);
  EXPECT_FALSE(picker->addButton()->isEnabled()) << "nothing chosen yet";
  QTest::keyClicks(picker->filter(), "CALC");
  EXPECT_EQ(picker->list()->model()->rowCount(), 1) << "typing narrows the list";
  picker->filter()->clear();

  picker->choose({"steam", "org.videolan.VLC", "org.kde.krita"});
  click(picker->addButton());
  QApplication::processEvents();
  const std::vector<WatchedApp>& apps = model().settings().awareness.apps;
  ASSERT_EQ(apps.size(), 3u);
  EXPECT_EQ(apps[0], before) << "an application already watched keeps its settings";
  EXPECT_EQ(apps[1].bundleID, "org.kde.krita");
  EXPECT_EQ(apps[1].name, "Krita");
  EXPECT_EQ(apps[2].bundleID, "steam");
  EXPECT_EQ(apps[2].category, AppCategory::game);
  EXPECT_EQ(add->picker(), nullptr) << "the picker is gone";

  // Cancelling adds nothing.
  add->chooseApp();
  add->picker()->choose({"org.gnome.Calculator"});
  add->picker()->reject();
  EXPECT_EQ(model().settings().awareness.apps.size(), 3u);
}

TEST_F(AwarenessTabTest, ReturnInThePickerAddsTheRowTheKeyboardMarks) {
  writeEntry(data_.filePath("home"), "org.kde.krita", "Krita");
  writeEntry(data_.filePath("home"), "org.gnome.Calculator", "Calculator");
  view().addAppMenu()->chooseApp();
  InstalledAppsPicker* picker = view().addAppMenu()->picker();
  QApplication::setActiveWindow(picker);
  QTest::keyClick(picker->filter(), Qt::Key_Tab);  // into the list, on its first row
  QTest::keyClick(picker->list(), Qt::Key_Return);
  ASSERT_EQ(model().settings().awareness.apps.size(), 1u);
  EXPECT_EQ(app(0).name, "Calculator");
}

TEST_F(AwarenessTabTest, APickerRowsTooltipHoldsTheWholeNameTheListCutsShort) {
  const QString name = QStringLiteral("Back&_<i>x</i> Studio Professional Edition 2026 Long Name");
  writeEntry(data_.filePath("home"), "com.example.Studio", name);
  view().addAppMenu()->chooseApp();
  QTextDocument tip;
  tip.setHtml(
      view().addAppMenu()->picker()->list()->model()->index(0, 0).data(Qt::ToolTipRole).toString());
  EXPECT_EQ(tip.toPlainText().toStdString(), name.toStdString() + "\ncom.example.Studio");
}

TEST_F(AwarenessTabTest, ThePickerLooksUpIconsOnlyForRowsInView) {
  for (int i = 0; i < 200; ++i)
    writeEntry(data_.filePath("system"), QString("org.example.App%1").arg(i, 3, 10, QChar('0')),
               QString("App %1").arg(i, 3, 10, QChar('0')));
  view().addAppMenu()->chooseApp();
  InstalledAppsPicker* picker = view().addAppMenu()->picker();
  ASSERT_NE(picker, nullptr);
  picker->resize(420, 480);
  QApplication::processEvents();
  picker->list()->viewport()->repaint();
  EXPECT_EQ(picker->list()->model()->rowCount(), 200);
  EXPECT_GT(picker->iconsLoaded(), 0);
  EXPECT_LT(picker->iconsLoaded(), 40);
  picker->reject();
}

TEST_F(AwarenessTabTest, RefreshesEveryThirtySecondsOnlyWhileOnScreen) {
  view();
  EXPECT_EQ(callCount("refreshAwareness"), 1) << "once when it comes on screen";
  time_.advance(Seconds(29));
  EXPECT_EQ(callCount("refreshAwareness"), 1);
  time_.advance(Seconds(31));
  EXPECT_EQ(callCount("refreshAwareness"), 3);
  view().hide();
  time_.advance(Seconds(300));
  EXPECT_EQ(callCount("refreshAwareness"), 3) << "never while hidden";
  view().show();
  EXPECT_EQ(callCount("refreshAwareness"), 4);
  time_.advance(Seconds(30));
  EXPECT_EQ(callCount("refreshAwareness"), 5);
}

TEST_F(AwarenessTabTest, TodaysNumbersTheHistoryAndTheCheckInsSection) {
  DayUsage today;
  today.activeSeconds = 7500;
  today.checkIns = 4;
  today.intentionsSet = 3;
  today.intentionsKept = 2;
  model().setActivityToday(today);
  EXPECT_EQ(find<QLabel>("activeTime")->text(), "2 h 5 min");
  EXPECT_EQ(find<QLabel>("checkInCount")->text(), "4");
  EXPECT_EQ(find<QLabel>("intentionsToday")->text(), "3 set · 2 kept");
  EXPECT_EQ(AwarenessSettingsView::activeTimeText(59.9), "—");

  auto* retention = find<QComboBox>("retentionDays");
  expectEdit([&] { retention->activated(0); },
             [](AppSettings& s) { s.awareness.retentionDays = 7; });
  changeSettings([](AppSettings& s) { s.awareness.retentionDays = 45; });
  EXPECT_EQ(retention->currentIndex(), -1) << "a length from an edited file selects nothing";
  EXPECT_EQ(model().settings().awareness.retentionDays, 45);

  click(find<QPushButton>("deleteHistory"));
  QMessageBox* box = view().confirmation();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->buttonRole(box->findChild<QPushButton*>("confirmDelete")),
            QMessageBox::AcceptRole);
  click(box->button(QMessageBox::Cancel));
  QApplication::processEvents();
  EXPECT_EQ(callCount("clearActivity"), 0);
  EXPECT_EQ(view().confirmation(), nullptr);
  click(find<QPushButton>("deleteHistory"));
  click(view().confirmation()->findChild<QPushButton*>("confirmDelete"));
  EXPECT_EQ(callCount("clearActivity"), 1);

  // The check-in sample follows the tone and the mode in force.
  CheckInStyleSection* section = view().checkInsSection();
  auto* sample = find<QLabel>("checkInSample");
  const QString friendly = sample->text();
  EXPECT_TRUE(friendly.contains("Discord"));
  model().setMode(AwarenessMode::relax);
  EXPECT_NE(sample->text(), friendly);
  EXPECT_EQ(sample->text(), section->sampleText());
  const QString relaxed = sample->text();
  expectEdit([&] { click(find<SegmentedControl>("checkInTone")->segment(2)); },
             [](AppSettings& s) { s.awareness.tone = CheckInTone::direct; });
  EXPECT_NE(sample->text(), relaxed);
  EXPECT_EQ(sample->text(), section->sampleText());

  auto* note = find<QLabel>("glimmetOnlyNote");
  EXPECT_FALSE(note->isVisible());
  expectEdit([&] { find<QComboBox>("checkInStyle")->activated(1); },
             [](AppSettings& s) { s.awareness.style = CheckInStyle::glimmetOnly; });
  EXPECT_TRUE(note->isVisible());
  auto* cooldown = find<QComboBox>("keepGoingCooldown");
  expectEdit([&] { cooldown->activated(3); },
             [](AppSettings& s) { s.awareness.keepGoingCooldownMinutes = std::nullopt; });
  changeSettings([](AppSettings& s) { s.awareness.keepGoingCooldownMinutes = 45; });
  EXPECT_EQ(cooldown->currentIndex(), -1);
  expectEdit(
      [&] {
        click(find<QCheckBox>("checkInOverFullscreen"));
        click(find<QCheckBox>("awarenessEnabled"));
        click(find<QCheckBox>("intentionShortcut"));
      },
      [](AppSettings& s) {
        s.awareness.checkInOverFullscreen = true;
        s.awareness.isEnabled = true;
        s.awareness.intentionShortcut = false;
      },
      3);
  click(find<QPushButton>("tryCheckIn"));
  click(find<QPushButton>("setIntention"));
  EXPECT_EQ(callCount("previewCheckIn"), 1);
  EXPECT_EQ(callCount("openIntentionForm"), 1);
}

}  // namespace
}  // namespace pimble
