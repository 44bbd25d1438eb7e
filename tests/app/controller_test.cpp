// The controller on fake time and fake desktop services, with the real
// character and bubble windows on the headless desktop's X server.
#include <QWindow>

#include "app/awareness_fixture.h"
#include "app/menu_actions.h"
#include "bubbles/greeting_bubble_controller.h"
#include "companion/cape_rig.h"
#include "companion/cursor_follower.h"
#include "companion/layers/manual_clock.h"
#include "models/activity_data.h"
#include "models/greeting_director.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"
#include "services/app_catalog.h"
#include "settings/onboarding_window_controller.h"

namespace pimble::testing {
namespace {

TEST_F(ControllerTest, StartUpReadsInOrderStartsEverythingAndWaitsForTheGreeting) {
  AppSettings s;
  s.modes.manualMode = AwarenessMode::relax;
  seedQuietUser(s);
  GreetingDirector::Memory memory;
  memory.recent = {"Hello!"};
  store.save(memory, "greetings");
  ActivityData activity;
  activity.mutedOn["org.example.Chat"] = "2027-01-15";
  store.save(activity, "activity");
  store.forget();

  AppController& c = make();
  EXPECT_EQ(store.reads, (std::vector<std::string>{"settings", "reminders", "progress"}));
  EXPECT_FALSE(c.engineTimer().isArmed());
  store.forget();
  c.start();
  // Greetings, schedule, activity, in this order, after the model's three.
  std::vector<std::string> startReads;
  for (const auto& r : store.reads)
    if (r == "greetings" || r == "schedule" || r == "activity") startReads.push_back(r);
  EXPECT_EQ(startReads, (std::vector<std::string>{"greetings", "schedule", "activity"}));
  EXPECT_EQ(c.greeter().memory, memory);
  EXPECT_EQ(c.awareness().tracker().data.mutedOn, activity.mutedOn);

  // The mode's effects ran although nothing changed it: relax holds back
  // posture and take-a-break reminders.
  EXPECT_EQ(c.awareness().mode(), AwarenessMode::relax);
  EXPECT_EQ(c.model().mode(), AwarenessMode::relax);
  EXPECT_EQ(c.engine().suppressedKinds(),
            (std::set<ReminderKind>{ReminderKind::posture, ReminderKind::takeBreak}));

  EXPECT_DOUBLE_EQ(secondsUntil(c.heartbeatDue()), AppController::heartbeatInterval);
  EXPECT_NEAR(secondsUntil(c.launchStepDue()), AppController::launchGreetingDelay, 1e-6);
  EXPECT_EQ(desktop.notifier->starts, 1);
  EXPECT_TRUE(c.companion().panel().isVisible());
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_FALSE(c.greeting().isShown());
}

TEST_F(ControllerTest, AFirstRunWaitsForTheTourAndOpensNothingElse) {
  AppController& c = started();
  EXPECT_NEAR(secondsUntil(c.launchStepDue()), AppController::tourDelay, 1e-6);
  time.advance(Seconds(0.59));
  EXPECT_EQ(c.onboarding(), nullptr);
  time.advance(Seconds(0.02));
  ASSERT_NE(c.onboarding(), nullptr);
  EXPECT_TRUE(c.onboarding()->window()->isVisible());
  EXPECT_FALSE(c.launchStepDue());
  EXPECT_FALSE(c.bubble().isShown());
  // An empty data directory starts on defaults and writes none of the
  // model's documents before something changes.
  EXPECT_EQ(store.writeCount("settings"), 0);
  EXPECT_EQ(c.model().reminders().size(), 6u);
}

TEST_F(ControllerTest, DeliveryAndCheckInsBlockEachOther) {
  AppSettings s;
  s.awareness.isEnabled = true;
  s.awareness.apps = {watched(chat, AppCategory::social)};
  seedQuietUser(s);
  make();
  desktop.workspace->front = chat;
  AppController& c = started();
  EXPECT_FALSE(c.deliveryBlocked());
  EXPECT_TRUE(c.checkInBlockers().empty());

  // A check-in is active.
  ASSERT_TRUE(c.awareness().forceCheckIn());
  EXPECT_TRUE(c.deliveryBlocked());
  c.awareness().respond(CheckInResponse::Case::dismiss);
  EXPECT_FALSE(c.deliveryBlocked());

  // A preview and the intention form block both; any other bubble only
  // check-ins.
  c.showBubble(BubbleUse::checkInPreview, BubbleContent::message("Sample", "A sample"));
  EXPECT_TRUE(c.previewingCheckIn());
  EXPECT_TRUE(c.deliveryBlocked());
  EXPECT_TRUE(c.checkInBlockers().contains(AwarenessEngine::Blocker::busy));
  c.showBubble(BubbleUse::intentionForm, BubbleContent::message("Form", "A form"));
  EXPECT_FALSE(c.previewingCheckIn());
  EXPECT_TRUE(c.showingIntentionForm());
  EXPECT_TRUE(c.deliveryBlocked());
  c.showBubble(BubbleUse::info, BubbleContent::message("Hi", "there"));
  EXPECT_FALSE(c.showingIntentionForm());
  EXPECT_FALSE(c.deliveryBlocked());
  EXPECT_EQ(c.checkInBlockers(),
            std::set<AwarenessEngine::Blocker>{AwarenessEngine::Blocker::busy});
  // The bubble's close control hides it and clears what it showed.
  c.bubble().model().onClose();
  EXPECT_EQ(c.bubbleUse(), BubbleUse::none);
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_TRUE(c.checkInBlockers().empty());

  // A call.
  desktop.probes->microphone = {"Talk"};
  EXPECT_TRUE(c.deliveryBlocked());
  EXPECT_TRUE(c.checkInBlockers().contains(AwarenessEngine::Blocker::call));
  desktop.probes->microphone.clear();
  // A reminder shown, and a pause.
  c.engine().deliverNow(c.model().reminders().front());
  EXPECT_TRUE(c.checkInBlockers().contains(AwarenessEngine::Blocker::busy));
  c.engine().pause(std::nullopt);
  EXPECT_TRUE(c.checkInBlockers().contains(AwarenessEngine::Blocker::paused));
}

TEST_F(ControllerTest, WakeUpsKeepTheirMinimumsTolerancesAndAnHourAtMost) {
  seedQuietUser();
  AppController& c = started();
  struct Case {
    const char* name;
    std::function<void(std::optional<Date>)> arm;
    const WakeTimer& timer;
    double minimum;
    double longest;
  };
  const Case cases[] = {
      {"reminders", c.engine().environment.arm, c.engineTimer(), 0.25, 30},
      {"awareness", c.awareness().environment().arm, c.awarenessTimer(), 0.5, 15}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto armIn = [&](double seconds) { k.arm(addSeconds(time.now(), seconds)); };
    armIn(-30);
    EXPECT_DOUBLE_EQ(secondsUntil(k.timer.dueDate()), k.minimum);
    EXPECT_DOUBLE_EQ(k.timer.tolerance()->count(), 0.5);
    armIn(10);
    EXPECT_DOUBLE_EQ(k.timer.tolerance()->count(), 0.5);
    armIn(100);
    EXPECT_DOUBLE_EQ(k.timer.tolerance()->count(), 5);
    EXPECT_EQ(time.pendingCount() > 0, true);
    armIn(3600);
    EXPECT_DOUBLE_EQ(k.timer.tolerance()->count(), k.longest);
    // A date a year away (a hand-edited file) waits an hour at most.
    armIn(365.0 * 86400);
    EXPECT_DOUBLE_EQ(secondsUntil(k.timer.dueDate()), 3600);
    k.arm(std::nullopt);
    EXPECT_FALSE(k.timer.isArmed());
  }

  // When the hour is up the engine evaluates and arms again.
  c.engine().environment.arm(addSeconds(time.now(), 365.0 * 86400));
  time.advance(Seconds(3600));
  EXPECT_TRUE(c.engineTimer().isArmed());
  EXPECT_GT(secondsUntil(c.engineTimer().dueDate()), 0);

  // A wake-up whose date passed while the machine slept fires at once.
  c.awareness().environment().arm(addSeconds(time.now(), 600));
  const Date before = *c.awarenessTimer().dueDate();
  time.jumpTo(addSeconds(time.now(), 7200));
  EXPECT_TRUE(!c.awarenessTimer().isArmed() || *c.awarenessTimer().dueDate() != before);
}

TEST_F(ControllerTest, SavesAtTheHeartbeatAfterActivityAndOnceAtShutdown) {
  seedQuietUser();
  AppController& c = started();
  time.advance(Seconds(10));
  store.forget();
  time.advance(Seconds(589.9));
  EXPECT_EQ(store.writeCount("schedule"), 0);
  EXPECT_EQ(store.writeCount("activity"), 0);
  time.advance(Seconds(0.2));
  EXPECT_EQ(store.writeCount("schedule"), 1);
  EXPECT_EQ(store.writeCount("activity"), 1);
  time.advance(Seconds(600));
  EXPECT_EQ(store.writeCount("schedule"), 2);
  // After a sleep of an hour the beat comes once, then ten minutes on.
  time.jumpTo(addSeconds(time.now(), 3600));
  EXPECT_EQ(store.writeCount("schedule"), 3);
  EXPECT_DOUBLE_EQ(secondsUntil(c.heartbeatDue()), 600);

  // Activity changes are saved once, five seconds after the first.
  store.forget();
  for (int i = 0; i < 10; ++i) {
    c.scheduleActivitySave();
    time.advance(Seconds(0.2));
  }
  EXPECT_NEAR(secondsUntil(c.activitySaveDue()), 5 - 2.0, 1e-6);
  time.advance(Seconds(3));
  EXPECT_EQ(store.writeCount("activity"), 1);
  // A save in between drops the pending one.
  c.scheduleActivitySave();
  c.saveActivity();
  time.advance(Seconds(10));
  EXPECT_EQ(store.writeCount("activity"), 2);

  store.forget();
  c.shutdown();
  for (const char* name : {"schedule", "activity", "settings", "reminders", "progress"})
    EXPECT_EQ(store.writeCount(name), 1) << name;
  EXPECT_EQ(store.writes.size(), 5u);
  c.shutdown();
  EXPECT_EQ(store.writes.size(), 5u);
  EXPECT_TRUE(c.isShutDown());
  // A click that the event loop still handled after the quit's save, and
  // the activity it changed: the loop's end writes them.
  ASSERT_TRUE(c.model().settings().showCompanion);
  c.menuActions().toggleCompanion();
  c.scheduleActivitySave();
  c.shutdown();
  EXPECT_EQ(store.writeCount("settings"), 2);
  EXPECT_EQ(store.writeCount("activity"), 2);
  EXPECT_EQ(store.writeCount("schedule"), 1);
  EXPECT_FALSE(store.load<AppSettings>("settings")->showCompanion);
}

TEST_F(ControllerTest, ShutdownBeforeStartKeepsTheStoredScheduleAndActivity) {
  seedQuietUser();
  ActivityData activity;
  activity.mutedOn["x"] = "2027-01-15";
  store.save(activity, "activity");
  store.forget();
  make().shutdown();
  EXPECT_EQ(store.writeCount("activity"), 0);
  EXPECT_EQ(store.writeCount("schedule"), 0);
  EXPECT_EQ(store.writeCount("settings"), 1);
  EXPECT_EQ(store.load<ActivityData>("activity")->mutedOn, activity.mutedOn);
}

TEST_F(ControllerTest, TheFirstApplicationSetsUpTheWindowsAndTheHotKey) {
  AppSettings s;
  s.companionSize = CompanionSize::large;
  s.alwaysOnTop = false;
  s.showCape = false;
  s.capeColor = CapeColor::midnight;
  s.position = CompanionPosition{200, 300, std::nullopt, 2};
  seedQuietUser(s);
  AppController& c = started();
  EXPECT_EQ(c.companion().size(), CompanionSize::large);
  EXPECT_FALSE(c.companion().panel().alwaysOnTop());
  EXPECT_FALSE(rig().cape.isVisible());
  EXPECT_EQ(rig().cape.color(), CapeColor::midnight);
  EXPECT_EQ(c.companion().frame().topLeft(), QPointF(200, 300));
  EXPECT_EQ(desktop.shortcut->registrations, 1);
  EXPECT_TRUE(desktop.shortcut->isRegistered());
}

// The character's media clock held still: every picture of the host view
// shows the look as it was when the window first showed.
class FirstFrame : public ControllerTest {
 protected:
  // Saturated pixels of the cape's lower part (below the face's cheeks) by
  // the colour that dominates them.
  struct CapeHues {
    int red = 0, green = 0, blue = 0;
  };
  CapeHues capeHues() {
    GlimmetHostView& view = controller->companion().hostView();
    const QImage frame = view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const double scale = GlimmetHostView::viewScale(view.size()) * frame.devicePixelRatio();
    CapeHues hues;
    for (int y = int(175 * scale); y < std::min(frame.height(), int(265 * scale)); ++y) {
      for (int x = 0; x < frame.width(); ++x) {
        const QColor c = frame.pixelColor(x, y);
        if (c.alpha() < 200) continue;
        const int r = c.red(), g = c.green(), b = c.blue();
        if (r > g + 60 && r > b + 60)
          ++hues.red;
        else if (g > r + 40 && g > b + 20)
          ++hues.green;
        else if (b > r + 60 && b > g + 30)
          ++hues.blue;
      }
    }
    return hues;
  }
  ManualClock media_{100};
};

TEST_F(FirstFrame, TheStoredCapeIsTheFirstDrawnAndOnlyTheUsersChangeCrossFades) {
  AppSettings s;
  s.capeColor = CapeColor::blue;
  seedQuietUser(s);
  AppController& c = started();
  ASSERT_TRUE(characterVisible());
  // On screen, with no time gone by for the character.
  ASSERT_TRUE(waitUntil([&] {
    const QWindow* window = c.companion().panel().windowHandle();
    return window != nullptr && window->isExposed();
  }));
  CapeHues first = capeHues();
  EXPECT_EQ(first.red, 0) << "the default red shows before the stored blue";
  EXPECT_GT(first.blue, 300);

  // The user's pick fades the cloth over from what is on screen (the scarf
  // takes it at once).
  change([](AppSettings& a) { a.capeColor = CapeColor::green; });
  EXPECT_GT(capeHues().blue, 300);
  media_.advance(0.5);
  CapeHues after = capeHues();
  EXPECT_GT(after.green, 300);
  EXPECT_EQ(after.blue + after.red, 0);
}

TEST_F(ControllerTest, EachSettingIsAppliedAgainstTheLastAppliedValue) {
  seedQuietUser();
  AppController& c = started();
  const QRectF frame = c.companion().frame();

  // Only fields read at the time of use: nothing is resized, the key is
  // not grabbed again.
  change([](AppSettings& s) {
    s.bubbleStyle = BubbleStyle::glass;
    s.tinyMessages = TinyMessages::off;
    s.bubbleTimeoutSeconds = 30;
  });
  EXPECT_EQ(c.companion().frame(), frame);
  EXPECT_EQ(desktop.shortcut->registrations, 1);
  EXPECT_EQ(c.appliedSettings()->bubbleStyle, BubbleStyle::glass);

  change([](AppSettings& s) {
    s.companionSize = CompanionSize::small;
    s.alwaysOnTop = false;
    s.showCape = false;
    s.capeColor = CapeColor::gold;
  });
  EXPECT_EQ(c.companion().size(), CompanionSize::small);
  EXPECT_NEAR(c.companion().frame().center().x(), frame.center().x(), 1.0);
  EXPECT_FALSE(c.companion().panel().alwaysOnTop());
  EXPECT_FALSE(rig().cape.isVisible());
  EXPECT_EQ(rig().cape.color(), CapeColor::gold);

  for (auto [minutes, seconds] : {std::pair{0, 60}, {-5, 60}, {7, 420}}) {
    change([m = minutes](AppSettings& s) { s.idleThresholdMinutes = m; });
    EXPECT_DOUBLE_EQ(c.engine().idleThreshold, seconds);
  }
  change([](AppSettings& s) {
    s.quietHours = QuietHours{true, 60, 120};
    s.idleDetectionEnabled = false;
  });
  EXPECT_EQ(c.engine().quietHours, (QuietHours{true, 60, 120}));
  EXPECT_FALSE(c.engine().idleDetectionEnabled);

  // Watched video and game applications count as media, switched on or not.
  change([](AppSettings& s) {
    s.awareness.apps = {watched(player, AppCategory::video), watched(chat, AppCategory::social)};
    s.awareness.apps[0].isEnabled = false;
  });
  EXPECT_EQ(c.quietGuard().mediaApps, std::set<std::string>{player.bundleID});
  EXPECT_EQ(c.awareness().settings().apps.size(), 2u);

  change([](AppSettings& s) {
    s.liveliness = Liveliness::calm;
    s.surprises = false;
  });
  EXPECT_EQ(animator().liveliness, Liveliness::calm);
  EXPECT_FALSE(animator().surprisesEnabled);
  EXPECT_FALSE(rig().surprisesEnabled);

  // The hot key: off lets the grab go, on takes it again; one at a time.
  change([](AppSettings& s) { s.awareness.intentionShortcut = false; });
  EXPECT_FALSE(desktop.shortcut->isRegistered());
  EXPECT_EQ(desktop.shortcut->unregistrations, 1);
  change([](AppSettings& s) { s.awareness.intentionShortcut = true; });
  EXPECT_EQ(desktop.shortcut->registrations, 2);
  desktop.shortcut->pressed();
  EXPECT_TRUE(c.showingIntentionForm());
  c.closeIntentionForm();
  // A key held by another program stays off without complaint.
  desktop.shortcut->taken = true;
  change([](AppSettings& s) { s.awareness.intentionShortcut = false; });
  change([](AppSettings& s) { s.awareness.intentionShortcut = true; });
  EXPECT_FALSE(desktop.shortcut->isRegistered());

  // Motion: the setting and the desktop's wish; the eyes rest without it.
  EXPECT_EQ(animator().intensity(), AnimationIntensity::normal);
  EXPECT_TRUE(c.cursorFollower().isFollowing());
  desktop.motion->set(true);
  EXPECT_EQ(animator().intensity(), AnimationIntensity::reduced);
  desktop.motion->set(false);
  change([](AppSettings& s) { s.animationIntensity = AnimationIntensity::off; });
  EXPECT_EQ(animator().intensity(), AnimationIntensity::off);
  EXPECT_FALSE(c.cursorFollower().isFollowing());
  change([](AppSettings& s) { s.animationIntensity = AnimationIntensity::normal; });
  EXPECT_TRUE(c.cursorFollower().isFollowing());
}

TEST_F(ControllerTest, TheCharacterComesAndGoesWithTheSettingAndTheFullScreen) {
  AppSettings s;
  s.stayQuiet.fullscreen = FullscreenPolicy::mediaApps;
  seedDue({{ReminderKind::water, 20}}, s);
  AppController& c = started();
  CompanionPanel& panel = c.companion().panel();
  ASSERT_TRUE(panel.isVisible());
  EXPECT_TRUE(waitUntil([&] { return panel.windowHandle() && panel.windowHandle()->isExposed(); }));

  // The player comes to the front: the tracker and the quiet state see it,
  // and the re-check runs.
  desktop.workspace->activate(player);
  EXPECT_EQ(c.awareness().tracker().frontmost(), player);
  EXPECT_TRUE(c.fullscreenRecheckRunning());
  // It goes full screen: the next re-check hides the character, and holds
  // reminders and check-ins alike; the one after it leaves shows it again.
  desktop.probes->fullscreenPids = {player.pid};
  time.advance(Seconds(5));
  EXPECT_TRUE(c.fullscreenQuiet());
  EXPECT_FALSE(panel.isVisible());
  EXPECT_TRUE(c.model().settings().showCompanion);
  EXPECT_TRUE(c.deliveryBlocked());
  EXPECT_TRUE(c.checkInBlockers().contains(AwarenessEngine::Blocker::fullscreen));
  desktop.probes->fullscreenPids.clear();
  time.advance(Seconds(5));
  EXPECT_FALSE(c.fullscreenQuiet());
  EXPECT_TRUE(panel.isVisible());
  // The water, due meanwhile, waits for a full screen and comes the moment
  // it ends.
  desktop.probes->fullscreenPids = {player.pid};
  time.advance(Seconds(15));
  ASSERT_TRUE(c.fullscreenQuiet());
  EXPECT_FALSE(c.engine().active());
  desktop.workspace->activate(std::nullopt);
  EXPECT_FALSE(c.fullscreenQuiet());
  EXPECT_TRUE(c.engine().active());
  c.finishReminder(Resolution::skip());
  // No application in front: no re-check.
  EXPECT_FALSE(c.awareness().tracker().frontmost());
  EXPECT_FALSE(c.fullscreenRecheckRunning());

  // Switched off: hidden, and no re-check runs.
  desktop.probes->fullscreenPids.clear();
  desktop.workspace->activate(player);
  c.toggleCompanion();
  EXPECT_FALSE(panel.isVisible());
  EXPECT_FALSE(c.model().settings().showCompanion);
  c.refreshQuietState();
  EXPECT_FALSE(c.fullscreenRecheckRunning());
  // Launching again brings it back.
  c.reopen();
  EXPECT_TRUE(panel.isVisible());
  EXPECT_TRUE(waitUntil([&] { return panel.windowHandle()->isExposed(); }));

  // Hiding takes the bubble and the greeting with it.
  c.showBubble(BubbleUse::info, BubbleContent::message("Hi", "there"));
  c.hideCompanion();
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::none);
  EXPECT_FALSE(c.cursorFollower().isFollowing());
}

TEST_F(ControllerTest, EditsReachTheEngineAndTheStore) {
  seedQuietUser();
  AppController& c = started();
  store.forget();
  std::vector<Reminder> list = c.model().reminders();
  list[0].isEnabled = true;
  list[0].intervalMinutes = 45;
  c.model().setReminders(list);
  EXPECT_EQ(c.engine().reminders(), c.model().reminders());
  EXPECT_GE(store.writeCount("schedule"), 1);

  // The character moved by hand: the position is saved with the settings.
  c.companion().onMoved(CompanionPosition{40, 50, std::nullopt, 2});
  time.advance(Seconds(0.5));
  EXPECT_EQ(store.load<AppSettings>("settings")->position->originY, 50);

  c.model().actions.clearActivity();
  EXPECT_GE(store.writeCount("activity"), 1);

  // The app catalogue answers from the controller's workspace.
  desktop.workspace->running = {targetOf(chat)};
  desktop.workspace->defaultBrowser = targetOf(firefox);
  EXPECT_EQ(AppCatalog::runningApps(), desktop.workspace->running);
  EXPECT_EQ(AppCatalog::browserForSession(chat), desktop.workspace->defaultBrowser);
}

}  // namespace
}  // namespace pimble::testing
