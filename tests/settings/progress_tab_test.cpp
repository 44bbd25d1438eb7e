// The Progress tab on the real model: today's tiles, the week's chart, and
// clearing the history behind a confirmation.
#include <QStackedWidget>

#include "models/progress_data.h"
#include "settings/progress_settings_view.h"
#include "settings/settings_fixture.h"
#include "settings/week_chart.h"

namespace pimble {
namespace {

using testing::click;

class ProgressTabTest : public testing::ViewFixture<ProgressSettingsView> {
 protected:
  QString count(ReminderKind kind) {
    auto* tile = view().findChild<QWidget*>("tile-" + QString::fromUtf8(enumName(kind).data()));
    return tile->findChild<QLabel*>("count")->text();
  }
  bool chartShown() {
    return view().findChild<QStackedWidget*>()->currentWidget() == view().chart();
  }
  void done(ReminderKind kind, int daysAgo, int times = 1) {
    const Date at = model().progress().calendar.addingDays(model().now(), -daysAgo);
    for (int i = 0; i < times; ++i) model().record(ReminderAction::done, kind, at);
  }
};

TEST_F(ProgressTabTest, TilesCountTodaysCompletionsByKindAndANewDayStartsAtZero) {
  for (const auto& tile : ProgressSettingsView::tiles) EXPECT_EQ(count(tile.kind), "0");
  EXPECT_FALSE(view().findChild<QWidget*>("personalReminders")->isVisible());
  // Snoozed and skipped reminders count for nothing here.
  model().record(ReminderAction::snoozed, ReminderKind::water);
  model().record(ReminderAction::skipped, ReminderKind::walk);
  EXPECT_FALSE(chartShown()) << "the week is a placeholder";

  done(ReminderKind::water, 0, 3);
  done(ReminderKind::takeBreak, 0);
  done(ReminderKind::water, 1, 5);
  EXPECT_EQ(count(ReminderKind::water), "3");
  EXPECT_EQ(count(ReminderKind::takeBreak), "1");
  EXPECT_EQ(count(ReminderKind::stretch), "0");
  // A personal reminder has its own row and no tile.
  done(ReminderKind::custom, 0);
  EXPECT_TRUE(view().findChild<QWidget*>("personalReminders")->isVisible());
  EXPECT_EQ(view().findChild<QLabel*>("personalCount")->text(), "1");
  EXPECT_TRUE(chartShown());

  time_.advance(Seconds(24 * 3600));
  view().hide();
  view().show();
  EXPECT_EQ(count(ReminderKind::water), "0");
  EXPECT_EQ(view().chart()->bars()[5].value, "5");
}

TEST_F(ProgressTabTest, TheChartHasSevenBarsOldestLeftEmptyDaysWithoutANumber) {
  view();
  done(ReminderKind::stretch, 6, 2);
  done(ReminderKind::walk, 7, 9);  // a day too old for the week
  done(ReminderKind::eyeRest, 0, 4);
  ASSERT_TRUE(chartShown());
  const auto bars = view().chart()->bars();
  ASSERT_EQ(bars.size(), 7u);
  EXPECT_EQ(bars[0].value, "2");
  EXPECT_EQ(bars[6].value, "4");
  EXPECT_NEAR(bars[6].rect.height(), 2 * bars[0].rect.height(), 1e-6);
  EXPECT_DOUBLE_EQ(bars[0].rect.bottom(), bars[6].rect.bottom());
  for (size_t i = 1; i < 6; ++i) {
    EXPECT_TRUE(bars[i].value.isEmpty()) << i;
    EXPECT_EQ(bars[i].rect.height(), 0) << i;
  }
  for (size_t i = 1; i < 7; ++i) EXPECT_GT(bars[i].rect.left(), bars[i - 1].rect.left());
  // Friday 15 January 2027 is today: the week runs Saturday to Friday.
  EXPECT_EQ(bars[0].dayLabel, QLocale().dayName(6, QLocale::ShortFormat));
  EXPECT_EQ(bars[6].dayLabel, QLocale().dayName(5, QLocale::ShortFormat));
}

TEST_F(ProgressTabTest, ClearingAsksFirstAndClearsOnlyOnTheDestructiveButton) {
  view();
  done(ReminderKind::water, 0, 2);
  done(ReminderKind::posture, 2);
  model().saveNow();
  const ProgressTracker before = model().progress();

  auto* clear = view().findChild<QPushButton*>("clearHistory");
  click(clear);
  QMessageBox* box = view().confirmation();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->buttonRole(box->findChild<QPushButton*>("confirmClear")), QMessageBox::AcceptRole);
  EXPECT_EQ(model().progress(), before) << "nothing is cleared while asking";
  click(box->button(QMessageBox::Cancel));
  QApplication::processEvents();
  EXPECT_EQ(view().confirmation(), nullptr);
  EXPECT_EQ(model().progress(), before);

  click(clear);
  click(view().confirmation()->findChild<QPushButton*>("confirmClear"));
  EXPECT_TRUE(model().progress().data.days.empty());
  EXPECT_EQ(count(ReminderKind::water), "0");
  EXPECT_FALSE(chartShown());
  // The emptied record reaches the store with the model's delayed save.
  EXPECT_FALSE(store_.load<ProgressData>("progress")->days.empty());
  time_.advance(Seconds(0.5));
  EXPECT_TRUE(store_.load<ProgressData>("progress")->days.empty());
}

}  // namespace
}  // namespace pimble
