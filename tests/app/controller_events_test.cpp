// What the desktop reports reaching the controller, on fake time with fake
// system events and workspace and the real character and bubble windows:
// absences and their end, and displays.
#include <QGuiApplication>
#include <QScreen>

#include "app/controller_harness.h"

namespace pimble::testing {
namespace {

using Presence = ReminderEngine::Presence;

class SystemEventsTest : public ControllerTest {
 protected:
  // The system events' own welcome-back attempts (3 s after an end), as
  // the seconds away each carries.
  std::vector<double> welcomeBacks() {
    std::vector<double> seconds;
    for (const auto& [due, moment] : controller->pendingGreetings())
      if (moment.kind == GreetingMoment::Kind::returned &&
          std::abs(secondsUntil(due) - AppController::welcomeBackDelay) < 1e-6)
        seconds.push_back(moment.awaySeconds);
    return seconds;
  }
  void report(AwayReason reason, bool away) { desktop.events->onAwayChange(reason, away); }
};

TEST_F(SystemEventsTest, SleepThenWakeEndsTheAbsenceAndWelcomesBackThreeSecondsLater) {
  seedDue({{ReminderKind::water, 1200}});
  AppController& c = started();
  EXPECT_EQ(desktop.events->starts, 1);
  report(AwayReason::systemSleep, true);
  EXPECT_EQ(c.awaySince(), time.now());
  EXPECT_EQ(c.engine().presence(), Presence::away);
  EXPECT_TRUE(c.engine().awayReasons().contains(AwayReason::systemSleep));
  // A repeated report keeps the first start.
  time.advance(Seconds(30));
  report(AwayReason::systemSleep, true);
  time.jumpTo(addSeconds(time.now(), 2370));
  report(AwayReason::systemSleep, false);
  EXPECT_FALSE(c.awaySince());
  EXPECT_EQ(c.engine().presence(), Presence::awake);
  EXPECT_EQ(welcomeBacks(), std::vector<double>{2400});
  // The countdown stood still while the machine slept.
  time.advance(Seconds(1190));
  EXPECT_FALSE(c.engine().active());
  time.advance(Seconds(30));
  EXPECT_TRUE(c.engine().active());
}

TEST_F(SystemEventsTest, EachKindOfAbsenceEndsOnceAndTheFirstEndClosesIt) {
  seedDue({});
  AppController& c = started();
  for (AwayReason reason : {AwayReason::screenLocked, AwayReason::screensOff}) {
    SCOPED_TRACE(int(reason));
    report(reason, true);
    time.advance(Seconds(100));
    report(reason, false);
    EXPECT_EQ(welcomeBacks(), std::vector<double>{100});
    // An end after an end starts nothing.
    report(reason, false);
    EXPECT_EQ(welcomeBacks().size(), 1u);
    time.advance(Seconds(10));
    EXPECT_TRUE(welcomeBacks().empty());
  }
  EXPECT_FALSE(c.awaySince());

  // Screens off, then locked: the screens coming on end the absence while
  // the lock still holds.
  report(AwayReason::screensOff, true);
  time.advance(Seconds(60));
  report(AwayReason::screenLocked, true);
  time.advance(Seconds(1740));
  report(AwayReason::screensOff, false);
  EXPECT_EQ(welcomeBacks(), std::vector<double>{1800});
  EXPECT_EQ(c.engine().presence(), Presence::away) << "still locked";
  time.advance(Seconds(5));
  report(AwayReason::screenLocked, false);
  EXPECT_TRUE(welcomeBacks().empty());
  EXPECT_EQ(c.engine().presence(), Presence::awake);
}

TEST_F(SystemEventsTest, TheClockSetBackOrForwardIsLookedAtOnceAndNeverCountedAsUse) {
  const AppIdentity chat{"org.example.Chat", "Chat", 4343};
  AppSettings s;
  s.awareness.isEnabled = true;
  WatchedApp watched;
  watched.bundleID = chat.bundleID;
  s.awareness.apps = {watched};
  // A one-minute water reminder due in 30 s, the watched Chat in front.
  std::vector<Reminder> reminders = seedDue({{ReminderKind::water, 30}}, s);
  for (Reminder& r : reminders) r.intervalMinutes = 1;
  store.save(RemindersFile{reminders}, "reminders");
  ScheduleSnapshot schedule = *store.load<ScheduleSnapshot>("schedule");
  for (auto& [id, countdown] : schedule.runtime) countdown.waitMinutes = 1;
  store.save(schedule, "schedule");
  make();
  desktop.workspace->front = chat;
  AppController& c = started();
  const Seconds began = time.steadyNow();

  // Set back five minutes: every wait is bounded from the new time at once.
  time.advance(Seconds(10));
  time.setClock(addSeconds(time.now(), -300));
  EXPECT_LE(secondsUntil(c.engineTimer().dueDate()), 60);
  EXPECT_LE(secondsUntil(c.awarenessTimer().dueDate()), ActivityTracker::idleThreshold);
  EXPECT_DOUBLE_EQ(secondsUntil(c.heartbeatDue()), AppController::heartbeatInterval);
  time.advance(Seconds(60));
  EXPECT_TRUE(c.engine().active());

  // Set forward an hour: the hour is no time in Chat.
  time.setClock(addSeconds(time.now(), 3600));
  time.advance(Seconds(25));
  EXPECT_DOUBLE_EQ(c.awareness().tracker().activeSeconds(chat.bundleID),
                   (time.steadyNow() - began).count());
}

TEST_F(SystemEventsTest, ADisplayChangePlacesTheCharacterBackOnScreenAndLooksAtTheFullScreen) {
  seedDue({});
  AppController& c = started();
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRectF desk = screen->geometry();
  c.showInfo("Hi", "there");
  // The display the character stood on is gone (moved there at once: no
  // flight with motion off).
  change([](AppSettings& s) { s.animationIntensity = AnimationIntensity::off; });
  c.companion().fly(QPointF(desk.right() + 2000, desk.bottom() + 1000), 0);
  ASSERT_FALSE(desk.intersects(c.companion().frame()));
  desktop.events->onScreenParametersChanged();
  // Back within reach: its window (transparent margins included) is
  // mostly on the desk again.
  EXPECT_TRUE(desk.contains(c.companion().frame().center()));

  // A browser never asks for re-checks; its full screen is noticed on the
  // next display change.
  const AppIdentity browser{"org.mozilla.firefox", "Firefox", 5151};
  change([](AppSettings& s) { s.stayQuiet.fullscreen = FullscreenPolicy::anyApp; });
  desktop.workspace->activate(browser);
  EXPECT_FALSE(c.fullscreenRecheckRunning());
  desktop.probes->fullscreenPids = {browser.pid};
  time.advance(Seconds(30));
  EXPECT_FALSE(c.fullscreenQuiet());
  desktop.events->onScreenParametersChanged();
  EXPECT_TRUE(c.fullscreenQuiet());
  EXPECT_FALSE(c.companion().panel().isVisible());
}

}  // namespace
}  // namespace pimble::testing
