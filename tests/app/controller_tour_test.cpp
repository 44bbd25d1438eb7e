// The first-run tour from the controller: opened 0.6 s after a first start
// and from the settings' tour button, its commands, and its end: the login
// wish of a finished tour, the tour marked done and saved at once, the
// celebration.
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>

#include "app/controller_harness.h"
#include "settings/onboarding_view.h"
#include "settings/onboarding_window_controller.h"
#include "settings/settings_window_controller.h"

namespace pimble::testing {
namespace {

using Status = LaunchAtLogin::Status;

class TourRoad : public ControllerTest {
 protected:
  // A first start, on to the moment the tour opens.
  AppController& firstRun() {
    AppController& c = started();
    time.advance(Seconds(AppController::tourDelay));
    EXPECT_NE(c.onboarding(), nullptr);
    return c;
  }
  OnboardingWindowController& tour() { return *controller->onboarding(); }
  void finishTour(bool skipped) {
    OnboardingView& view = *tour().view();
    if (skipped) {
      view.skipButton()->click();
      return;
    }
    while (tour().state().step() != OnboardingStep::done) view.go(+1);
    view.primaryButton()->click();
  }
};

TEST_F(TourRoad, FinishingRegistersTheLoginItemMarksTheTourDoneAndCelebrates) {
  AppController& c = firstRun();
  EXPECT_TRUE(tour().window()->isVisible());
  EXPECT_TRUE(tour().state().openAtLogin());
  // Choices made on the way are the model's at once.
  AppSettings s = c.model().settings();
  s.capeColor = CapeColor::green;
  c.model().setSettings(s);
  store.forget();

  finishTour(false);
  EXPECT_EQ(desktop.loginItem->sets, std::vector<bool>{true});
  EXPECT_EQ(c.onboarding(), nullptr);
  EXPECT_TRUE(c.model().settings().onboardingCompleted);
  EXPECT_FALSE(c.model().savePending()) << "saved at once";
  EXPECT_EQ(store.writeCount("settings"), 1);
  EXPECT_EQ(store.load<AppSettings>("settings")->capeColor, CapeColor::green);
  EXPECT_TRUE(animator().reacting());
  EXPECT_EQ(shownState(), GlimmetState::celebration);

  // The settings' tour button opens a new tour, on its first page; the
  // entry is there now, so the wish starts on, and finishing changes nothing.
  desktop.loginItem->sets.clear();
  c.model().actions.startOnboarding();
  ASSERT_NE(c.onboarding(), nullptr);
  EXPECT_EQ(tour().state().step(), OnboardingStep::welcome);
  EXPECT_TRUE(tour().state().openAtLogin());
  tour().view()->go(+1);
  OnboardingWindowController* open = c.onboarding();
  c.startOnboarding();
  EXPECT_EQ(c.onboarding(), open) << "never a second tour";
  EXPECT_EQ(tour().state().step(), OnboardingStep::goals);
  finishTour(false);
  EXPECT_TRUE(desktop.loginItem->sets.empty());
}

TEST_F(TourRoad, TheOpenSettingsWindowShowsTheEntryTheTourWrites) {
  AppController& c = firstRun();
  desktop.loginItem->onDisk = true;
  c.openSettings(SettingsTab::general);
  auto* login =
      c.settingsWindow()->page(SettingsTab::general)->findChild<QCheckBox*>("openAtLogin");
  ASSERT_FALSE(login->isChecked());
  finishTour(false);
  EXPECT_TRUE(login->isChecked());
}

TEST_F(TourRoad, SkippingKeepsTheChoicesButAppliesNoLoginWish) {
  AppController& c = firstRun();
  tour().view()->go(+1);
  tour().view()->go(+1);
  tour().state().setOpenAtLogin(false);
  AppSettings s = c.model().settings();
  s.awareness.tone = CheckInTone::direct;
  c.model().setSettings(s);

  tour().window()->close();
  EXPECT_TRUE(desktop.loginItem->sets.empty());
  EXPECT_EQ(c.onboarding(), nullptr);
  auto saved = store.load<AppSettings>("settings");
  ASSERT_TRUE(saved);
  EXPECT_TRUE(saved->onboardingCompleted);
  EXPECT_EQ(saved->awareness.tone, CheckInTone::direct);
}

TEST_F(TourRoad, UnregisteringOnRequestAndAFailureWritesOneLogLine) {
  AppController& c = make();
  desktop.loginItem->current = Status::enabled;
  c.start();
  time.advance(Seconds(AppController::tourDelay));
  tour().state().setOpenAtLogin(false);
  finishTour(false);
  EXPECT_EQ(desktop.loginItem->sets, std::vector<bool>{false});
  EXPECT_EQ(desktop.loginItem->current, Status::notRegistered);

  desktop.loginItem->failure =
      LaunchAtLogin::Error{LaunchAtLogin::Error::Kind::fileSystem, 13, "Permission denied"};
  c.startOnboarding();
  EXPECT_FALSE(tour().state().openAtLogin()) << "from the entry, now gone";
  tour().state().setOpenAtLogin(true);
  ::testing::internal::CaptureStderr();
  finishTour(false);
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(log, "PimbleGlimmet: login item register failed: Permission denied (code 13)\n");
  EXPECT_EQ(c.onboarding(), nullptr) << "the tour still ends";
  EXPECT_TRUE(c.model().settings().onboardingCompleted);
}

TEST_F(TourRoad, TheToursCommandsFlyInAndTryReminders) {
  AppController& c = firstRun();
  // The welcome page flew the character in on showing the tour.
  EXPECT_TRUE(c.companion().panel().isVisible());

  // A switched-off water reminder is still tried; a second try skips it.
  std::vector<Reminder> list = c.model().reminders();
  for (Reminder& r : list) r.isEnabled = false;
  c.model().setReminders(list);
  tour().view()->go(+1);
  while (tour().state().step() != OnboardingStep::tryIt) tour().view()->go(+1);
  tour().view()->page()->findChild<QPushButton*>("tryWater")->click();
  ASSERT_TRUE(c.engine().active());
  EXPECT_EQ(c.engine().active()->id, reminder(ReminderKind::water).id);
  EXPECT_EQ(c.bubbleUse(), BubbleUse::reminder);
  tour().view()->page()->findChild<QPushButton*>("tryStretch")->click();
  EXPECT_EQ(c.engine().active()->id, reminder(ReminderKind::stretch).id);
  const DayRecord record = c.model().progress().summary(time.now()).record;
  EXPECT_EQ(record.skipped.at("water"), 1);

  // Finishing while a reminder shows plays no celebration.
  finishTour(false);
  EXPECT_NE(shownState(), GlimmetState::celebration);
}

TEST_F(TourRoad, TheSessionsSaveAndQuitAreNoEndOfTheTour) {
  AppController& c = firstRun();
  c.saveAll();
  EXPECT_FALSE(tour().finished()) << "the session may go on";
  // The session's end quits the application, which closes every window.
  QEvent quit(QEvent::Quit);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
  EXPECT_TRUE(c.isShutDown());
  EXPECT_FALSE(store.load<AppSettings>("settings")->onboardingCompleted);
  ASSERT_NE(c.onboarding(), nullptr) << "an end was reported";
  EXPECT_FALSE(tour().window()->isVisible());
}

}  // namespace
}  // namespace pimble::testing
