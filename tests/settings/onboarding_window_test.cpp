// The tour's window and frame on the real model: its seeded state, the way
// through the seven steps with and without the awareness page, and the one
// report of its end.

#include "settings/progress_dots.h"
#include "settings/segmented_control.h"
#include "settings/tour_fixture.h"
#include "support/focus_pictures.h"

namespace pimble {
namespace {

using Step = OnboardingStep;
using testing::click;

class OnboardingWindowTest : public testing::TourFixture {};

TEST_F(OnboardingWindowTest, ContinueAndBackWalkEveryStepLeavingOutAwarenessUnlessWanted) {
  QWidget* window = tour().window();
  EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
  EXPECT_EQ(window->windowType(), Qt::Window) << "an ordinary window";
  const std::vector<Step> without = {Step::welcome, Step::goals, Step::personality,
                                     Step::day,     Step::tryIt, Step::done};
  std::vector<Step> seen = {step()};
  EXPECT_FALSE(view().backButton()->isVisible());
  while (step() != Step::done) {
    next();
    seen.push_back(step());
    EXPECT_EQ(view().dots()->current(), rawValue(step()));
    EXPECT_EQ(view().shownPose(), OnboardingView::pose(step()));
  }
  EXPECT_EQ(seen, without);
  EXPECT_FALSE(view().backButton()->isVisible());
  EXPECT_FALSE(view().skipButton()->isVisible());

  // Back from the try page down to the start, passing awareness by.
  view().go(-1);
  std::vector<Step> backwards = {step()};
  while (step() != Step::welcome) {
    back();
    backwards.push_back(step());
  }
  EXPECT_EQ(backwards, (std::vector<Step>{Step::tryIt, Step::day, Step::personality, Step::goals,
                                          Step::welcome}));
  view().go(-1);
  EXPECT_EQ(step(), Step::welcome) << "nothing before the first step";

  // Asked for on the goals page, the awareness page is visited both ways;
  // no longer wanted, the next Continue passes it by.
  next();
  click(control<QCheckBox>("goalAwareness"));
  next();
  next();
  EXPECT_EQ(step(), Step::awareness);
  next();
  EXPECT_EQ(step(), Step::day);
  back();
  EXPECT_EQ(step(), Step::awareness);
  back();
  tour().state().setWantsAwareness(false);
  next();
  EXPECT_EQ(step(), Step::day);
  EXPECT_TRUE(reports.empty());

  // Return presses the primary button on every page, to the end.
  QApplication::setActiveWindow(window);
  for (int i = 0; i < 2; ++i) QTest::keyClick(window, Qt::Key_Return);
  EXPECT_EQ(step(), Step::done);
  QTest::keyClick(window, Qt::Key_Enter);
  EXPECT_EQ(reports, std::vector<bool>{false});
  EXPECT_FALSE(window->isVisible());
}

TEST_F(OnboardingWindowTest, TheKeyboardStartsOnThePrimaryButtonAndSkipShowsItsFocus) {
  QApplication::setActiveWindow(tour().window());
  EXPECT_EQ(QApplication::focusWidget(), view().primaryButton());
  QPushButton* skip = view().skipButton();
  const QImage unfocused = skip->grab().toImage();
  skip->setFocus();
  EXPECT_NE(skip->grab().toImage(), unfocused) << "no ring";
  view().go(+1);
  EXPECT_EQ(QApplication::focusWidget(), view().primaryButton()) << "after a page change";
  // Tab goes on in reading order: "Skip tour", the page's controls, "Back".
  std::vector<QWidget*> stops;
  for (int i = 0; i < 20 && (stops.empty() || stops.back() != view().primaryButton()); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    stops.push_back(QApplication::focusWidget());
  }
  ASSERT_GE(stops.size(), 4u);
  EXPECT_EQ(stops.front(), skip);
  EXPECT_EQ(stops[stops.size() - 2], view().backButton());
  for (size_t i = 1; i + 2 < stops.size(); ++i) {
    EXPECT_TRUE(view().page()->isAncestorOf(stops[i]));
    if (i > 1) {
      EXPECT_LT(stops[i - 1]->mapTo(&view(), QPoint()).y(), stops[i]->mapTo(&view(), QPoint()).y());
    }
  }
}

TEST_F(OnboardingWindowTest, AChoiceMovedByAnArrowOrElsewhereKeepsItsGroupsPlaceForTab) {
  goTo(Step::personality);
  QApplication::setActiveWindow(tour().window());
  const auto key = [](int k) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(k)); };
  auto* tone = control<SegmentedControl>("tone");
  key(Qt::Key_Backtab);
  key(Qt::Key_Backtab);
  ASSERT_EQ(QApplication::focusWidget(), tone->segment(0));
  key(Qt::Key_Right);
  ASSERT_EQ(model().settings().awareness.tone, CheckInTone::playful);
  key(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), view().backButton()) << "not Skip tour";
  changeSettings([](AppSettings& s) { s.awareness.tone = CheckInTone::direct; });
  key(Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), tone->segment(2));
  key(Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), view().skipButton());
}

// A button that rings itself when it has the keyboard shows that ring
// alone: no second box drawn around its words inside it.
TEST_F(OnboardingWindowTest, AButtonWithTheKeyboardShowsOneRingAtItsEdge) {
  goTo(Step::personality);
  QApplication::setActiveWindow(tour().window());
  auto* tone = control<SegmentedControl>("tone");
  tone->setCurrentIndex(0);
  for (QWidget* button :
       {static_cast<QWidget*>(view().primaryButton()), static_cast<QWidget*>(tone->segment(0))}) {
    SCOPED_TRACE(button->objectName().toStdString() + " " +
                 button->property("text").toString().toStdString());
    view().skipButton()->setFocus();
    const QImage quiet = button->grab().toImage();
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = button->grab().toImage();
    EXPECT_GE(testing::plainlyChangedPixels(focused, quiet, focused.rect()), 10) << "no ring";
    // Clear of the ring and its rounded corners.
    const QRect inside = focused.rect().adjusted(5, 5, -5, -5);
    EXPECT_EQ(testing::changedPixels(focused, quiet, inside, 48), 0) << "a second mark inside";
  }
}

TEST_F(OnboardingWindowTest, TheEndIsReportedOnceHoweverItComes) {
  // Skip, then a close: one report, skipped.
  press(view().skipButton());
  EXPECT_EQ(reports, std::vector<bool>{true});
  EXPECT_FALSE(tour().window()->isVisible());
  tour().window()->close();
  EXPECT_EQ(reports.size(), 1u);

  // Closing the window counts as skipping; a second close says nothing.
  tour_.reset();
  reports.clear();
  next();
  tour().window()->close();
  tour().window()->close();
  EXPECT_EQ(reports, std::vector<bool>{true});
  EXPECT_TRUE(tour().finished());

  // Finishing on the last page hides the window without a close report.
  tour_.reset();
  reports.clear();
  goTo(Step::done);
  next();
  tour().window()->close();
  EXPECT_EQ(reports, std::vector<bool>{false});
  EXPECT_TRUE(std::find(calls.begin(), calls.end(), "the actions' own finish") == calls.end());
}

TEST_F(OnboardingWindowTest, TheWishesStartFromTheSettingsAndTheAutostartEntry) {
  // A first tour wants to open at login whatever the entry says.
  EXPECT_TRUE(tour().state().openAtLogin());
  EXPECT_FALSE(tour().state().wantsAwareness());

  // A later tour follows the entry, and asks for awareness when it is on.
  changeSettings([](AppSettings& s) {
    s.onboardingCompleted = true;
    s.awareness.isEnabled = true;
  });
  tour_.reset();
  EXPECT_FALSE(tour().state().openAtLogin()) << "no autostart entry";
  EXPECT_TRUE(tour().state().wantsAwareness());
  goTo(Step::awareness);

  ASSERT_EQ(LaunchAtLogin::set(true, QCoreApplication::applicationFilePath()), std::nullopt);
  tour_.reset();
  EXPECT_TRUE(tour().state().openAtLogin());
  EXPECT_EQ(step(), Step::welcome) << "a new tour starts afresh";
}

}  // namespace
}  // namespace pimble
