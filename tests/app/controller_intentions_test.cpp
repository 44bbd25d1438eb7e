// The mode, the intention form and its preselection, prompts and endings,
// and session timers, on the controller with the real windows; the hot key
// and the default browser through the real adapters.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/awareness_fixture.h"
#include "system/probe_test_support.h"

namespace pimble::testing {
namespace {

const IntentionForm* shownForm(AppController& c) {
  return c.showingIntentionForm() ? c.bubble().model().content().get<IntentionForm>() : nullptr;
}

TEST_F(AwarenessTest, TheModeHoldsBackRemindersAndQuietsTheNight) {
  AppController& c = startWatching(editor);
  c.model().actions.setMode(AwarenessMode::relax);
  EXPECT_EQ(c.awareness().mode(), AwarenessMode::relax);
  EXPECT_EQ(c.model().mode(), AwarenessMode::relax);
  EXPECT_FALSE(c.model().settings().modes.overrideUntil);  // the schedule is off
  EXPECT_EQ(c.engine().suppressedKinds(),
            (std::set{ReminderKind::posture, ReminderKind::takeBreak}));

  c.setMode(AwarenessMode::night);
  EXPECT_TRUE(c.engine().suppressedKinds().empty());
  EXPECT_FALSE(desktop.sounds->effectsEnabled);
  EXPECT_TRUE(animator().nightMode);
  EXPECT_EQ(animator().intensity(), AnimationIntensity::reduced);
  // A check-in at night comes without its sound.
  bringToFront(chat);
  forceCheckIn();
  EXPECT_TRUE(played().empty());
  c.respondToCheckIn(CheckInResponse::Case::dismiss);

  c.setMode(AwarenessMode::work);
  EXPECT_TRUE(desktop.sounds->effectsEnabled);
  EXPECT_FALSE(animator().nightMode);
  EXPECT_EQ(animator().intensity(), AnimationIntensity::normal);
  EXPECT_EQ(c.model().mode(), AwarenessMode::work);
}

TEST_F(AwarenessTest, AModeChosenByHandHoldsUntilTheSchedulesNextBoundary) {
  const int m = Calendar::current().minuteOfDay(time.now());
  AppController& c = startWatching(editor, [&](AppSettings& s) {
    s.modes.schedule.isEnabled = true;
    s.modes.schedule.workDays = {1, 2, 3, 4, 5, 6, 7};
    s.modes.schedule.workStartMinutes = (m + 1440 - 60) % 1440;
    s.modes.schedule.workEndMinutes = (m + 30) % 1440;
    s.modes.schedule.nightStartMinutes = (m + 300) % 1440;
    s.modes.schedule.nightEndMinutes = (m + 360) % 1440;
  });
  ASSERT_EQ(c.awareness().mode(), AwarenessMode::work);
  c.setMode(AwarenessMode::night);
  EXPECT_EQ(c.awareness().mode(), AwarenessMode::night);
  const auto until = c.model().settings().modes.overrideUntil;
  ASSERT_TRUE(until);
  EXPECT_NEAR(secondsUntil(until), 30 * 60.0 - std::fmod((time.now() - Date{}).count(), 60.0), 1);
  time.advance(*until - time.now() - Seconds(1));
  EXPECT_EQ(c.model().mode(), AwarenessMode::night);
  // The schedule rules again from the boundary: after work hours, relax.
  time.advance(Seconds(20));
  EXPECT_EQ(c.awareness().mode(), AwarenessMode::relax);
  EXPECT_EQ(c.model().mode(), AwarenessMode::relax);
  EXPECT_TRUE(desktop.sounds->effectsEnabled);
}

TEST_F(AwarenessTest, TheActivityIsSavedFiveSecondsAfterAChangeAndAtTheHeartbeat) {
  // Nothing watched is in front, so nothing else changes the activity.
  AppController& c = startWatching(editor);
  time.advance(Seconds(30));
  store.forget();
  c.openIntentionForm();
  c.bubble().model().onIntentionStart(targetOf(chat), 10, "Reply", std::nullopt);
  EXPECT_NEAR(secondsUntil(c.activitySaveDue()), 5, 1e-6);
  time.advance(Seconds(4.9));
  EXPECT_EQ(store.writeCount("activity"), 0);
  time.advance(Seconds(0.7));
  EXPECT_EQ(store.writeCount("activity"), 1);
  EXPECT_EQ(store.load<ActivityData>("activity")->intention->purpose, "Reply");
  // The heartbeat writes it too, whatever is pending.
  time.jumpTo(addSeconds(*c.heartbeatDue(), -0.1));
  const int before = store.writeCount("activity");
  time.advance(Seconds(0.2));
  EXPECT_EQ(store.writeCount("activity"), before + 1);
}

TEST_F(AwarenessTest, CtrlAltIOpensTheFormThroughTheRealKeyGrab) {
  if (auto why = missingProgram("xdotool")) GTEST_SKIP() << *why;
  AppController& c = startWithReal([&](DesktopServices& services) {
    services.shortcut = DesktopServices::liveShortcut();
    desktop.shortcut = nullptr;
  });
  ASSERT_TRUE(c.desktop().shortcut->isRegistered()) << "another client holds Ctrl+Alt+I";
  ASSERT_TRUE(runTool("xdotool", {"key", "ctrl+alt+i"}));
  ASSERT_TRUE(waitUntil([&] { return c.showingIntentionForm(); }));
  const IntentionForm* form = shownForm(c);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->title, "Set an intention");
  EXPECT_FALSE(form->isPrompt);
  EXPECT_TRUE(c.bubble().isShown());
  EXPECT_TRUE(c.deliveryBlocked());
}

TEST_F(AwarenessTest, TheFormPreselectsWhatTheUserIsLikelyAbout) {
  // A watched social application in front: it is the target, the place the
  // user came from the way back.
  AppController& c = startWatching(chat);
  bringToFront(editor);
  bringToFront(chat);
  desktop.workspace->running = {targetOf(chat), targetOf(notes)};
  c.openIntentionForm();
  const IntentionForm* form = shownForm(c);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->target, targetOf(chat));
  EXPECT_EQ(form->returnTo, targetOf(editor));
  EXPECT_EQ(form->returnChoices, (std::vector{targetOf(editor), targetOf(chat), targetOf(notes)}));
  EXPECT_EQ(form->minutes, 15);

  // Notes in front is work; a watched player running is the likely target.
  startWatching(notes, [](AppSettings& s) {
    s.awareness.apps.push_back(watched(player, AppCategory::video));
    s.awareness.apps.push_back(watched(firefox, AppCategory::work));
  });
  desktop.workspace->running = {targetOf(firefox), ReturnTarget{player.bundleID, "MPV Player"},
                                targetOf(notes)};
  IntentionForm f = controller->makeIntentionForm(false, std::nullopt, std::nullopt);
  EXPECT_EQ(f.target, targetOf(player));
  EXPECT_EQ(f.returnTo, targetOf(notes));
  // The watched entry's name beside the running one's: both are offered,
  // the target first; Chat is watched but not installed.
  EXPECT_EQ(f.apps, (std::vector{targetOf(player), targetOf(firefox),
                                 ReturnTarget{player.bundleID, "MPV Player"}, targetOf(notes)}));

  // No watched distraction running: the first running browser.
  desktop.workspace->running = {targetOf(firefox), targetOf(notes)};
  desktop.workspace->installed = {chat.bundleID};
  f = controller->makeIntentionForm(false, std::nullopt, std::nullopt);
  EXPECT_EQ(f.target, targetOf(firefox));
  EXPECT_EQ(f.apps, (std::vector{targetOf(chat), targetOf(firefox), targetOf(notes)}));
  // Neither: no target, Notes is the way back.
  desktop.workspace->running = {targetOf(notes)};
  f = controller->makeIntentionForm(false, std::nullopt, std::nullopt);
  EXPECT_FALSE(f.target);
  EXPECT_EQ(f.returnTo, targetOf(notes));
  // A given target keeps its name beside the running entry of its id.
  f = controller->makeIntentionForm(true, ReturnTarget{notes.bundleID, "My notes"}, std::nullopt);
  EXPECT_EQ(f.apps.front(), (ReturnTarget{notes.bundleID, "My notes"}));
  EXPECT_FALSE(f.returnTo);
  EXPECT_EQ(f.title, "What are you here for?");
}

TEST_F(AwarenessTest, StartKeepsAMinuteAtLeastAnEmptyPurposeAndOpensTheTarget) {
  AppController& c = startWatching(chat);
  c.openIntentionForm();
  c.bubble().model().onIntentionStart(targetOf(chat), 0, " \n\t ", targetOf(chat));
  EXPECT_FALSE(c.showingIntentionForm());
  auto intention = c.awareness().intention();
  ASSERT_TRUE(intention);
  EXPECT_EQ(intention->minutes, 1);
  EXPECT_DOUBLE_EQ(intention->dueAtSeconds, 60);
  EXPECT_EQ(intention->purpose, "");
  EXPECT_FALSE(intention->returnTo);
  EXPECT_TRUE(desktop.workspace->opened.empty());  // already in front
  EXPECT_EQ(played(), std::vector{SoundService::Effect::click});
  EXPECT_TRUE(animator().reacting());
  EXPECT_EQ(c.intentionStatus(), "Chat \xC2\xB7 0 of 1 min");

  // Another start replaces it and brings its application forward.
  c.openIntentionForm();
  c.bubble().model().onIntentionStart(targetOf(notes), 15, "Plan the week", targetOf(editor));
  EXPECT_EQ(desktop.workspace->opened, std::vector{targetOf(notes)});
  EXPECT_EQ(c.awareness().tracker().today().intentionsSet, 2);
  bringToFront(notes);
  time.advance(Seconds(59));
  EXPECT_EQ(c.intentionStatus(), "Notes \xC2\xB7 0 of 15 min");
  time.advance(Seconds(16));
  EXPECT_EQ(c.intentionStatus(), "Notes \xC2\xB7 1 of 15 min");
}

TEST_F(AwarenessTest, KeptIntentionsAreCelebrated) {
  AppController& c = startWatching(chat);
  c.awareness().startIntention(targetOf(chat), 5, "", std::nullopt, false);
  ASSERT_FALSE(animator().reacting());
  c.endIntention(Intention::Status::finished);
  EXPECT_TRUE(animator().reacting());
  EXPECT_EQ(c.model().activityToday().intentionsKept, 1);
  EXPECT_FALSE(c.intentionStatus());
}

TEST_F(AwarenessTest, APromptedFormClosesAfterThirtySecondsAndNoReminderFollowsWithinAMinute) {
  AppController& c =
      startWatching(editor, [](AppSettings& s) { s.awareness.apps[0].askIntention = true; });
  enableReminder(ReminderKind::water, 1);
  const Date asked = time.now();
  bringToFront(chat);
  c.awareness().maybeAskIntention(chat);
  const IntentionForm* form = shownForm(c);
  ASSERT_TRUE(form);
  EXPECT_TRUE(form->isPrompt);
  EXPECT_EQ(form->target, targetOf(chat));
  EXPECT_EQ(form->returnTo, targetOf(editor));
  EXPECT_EQ(animator().base(), GlimmetState::checkIn);

  time.advance(Seconds(29.9));
  EXPECT_TRUE(c.showingIntentionForm());
  time.advance(Seconds(0.3));
  EXPECT_FALSE(c.showingIntentionForm());
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_EQ(animator().base(), GlimmetState::idle);
  // The water reminder fell due while the form was open; it waits for the
  // minute after the form closed.
  time.jumpTo(addSeconds(asked, 89.5));
  EXPECT_FALSE(c.engine().active());
  time.advance(Seconds(1.5));
  EXPECT_TRUE(c.engine().active());
}

TEST_F(AwarenessTest, PromptsAndTheFormWaitForAFreeCharacterAndBringBackAHiddenOne) {
  AppController& c =
      startWatching(editor, [](AppSettings& s) { s.awareness.apps[0].askIntention = true; });
  c.awareness().maybeAskIntention(chat);
  ASSERT_TRUE(c.showingIntentionForm());
  c.bubble().model().onIntentionCancel();
  // A form opened by hand after a prompt stays.
  c.openIntentionForm();
  time.advance(Seconds(40));
  EXPECT_TRUE(c.showingIntentionForm());
  c.closeIntentionForm();

  // An open message, or paused reminders: no question.
  auto ask = [&] {
    c.awareness().tracker().data.askedAt.clear();
    c.awareness().maybeAskIntention(chat);
    return c.showingIntentionForm();
  };
  c.showInfo("Hello", "there");
  EXPECT_FALSE(ask());
  c.bubble().model().onClose();
  c.engine().pause(600);
  EXPECT_FALSE(ask());
  c.engine().resume();
  EXPECT_TRUE(ask());
  c.closeIntentionForm();

  // A shown reminder: a nod instead of the form.
  c.engine().deliverNow(c.model().reminders().front());
  c.openIntentionForm();
  EXPECT_FALSE(c.showingIntentionForm());
  EXPECT_TRUE(animator().reacting());
  c.finishReminder(Resolution::skip());

  // Hidden: the form brings the character back.
  change([](AppSettings& s) { s.showCompanion = false; });
  c.model().actions.openIntentionForm();
  EXPECT_TRUE(c.model().settings().showCompanion);
  EXPECT_TRUE(characterVisible());
  EXPECT_TRUE(c.showingIntentionForm());
}

TEST_F(AwarenessTest, ABubbleTakenOverOrHiddenCancelsTheFormAsItsCancelWould) {
  AppController& c = startWatching(editor);
  enableReminder(ReminderKind::water, 1);
  const Date start = time.now();
  c.openIntentionForm();
  time.advance(Seconds(50));
  c.showProgress();
  EXPECT_FALSE(c.showingIntentionForm());
  EXPECT_EQ(animator().base(), GlimmetState::idle);
  // Ended then, the form holds reminders back for a minute from then.
  time.jumpTo(addSeconds(start, 109));
  EXPECT_FALSE(c.engine().active());
  time.advance(Seconds(1.5));
  EXPECT_TRUE(c.engine().active());
  c.engine().resolve(Resolution::skip());

  // Hidden with the character, or closed by the bubble's own control.
  c.openIntentionForm();
  c.toggleCompanion();
  EXPECT_FALSE(characterVisible());
  EXPECT_FALSE(c.showingIntentionForm());
  EXPECT_FALSE(c.deliveryBlocked());
  c.summonCompanion();
  c.openIntentionForm();
  c.bubble().model().onClose();
  EXPECT_FALSE(c.showingIntentionForm());
  EXPECT_EQ(animator().base(), GlimmetState::idle);
}

// ---------------------------------------------------------------- sessions

TEST_F(AwarenessTest, ASessionReplacesAnActiveIntentionAsAbandonedAndNeedsABrowser) {
  AppController& c = startWatching(notes);
  desktop.workspace->defaultBrowser = targetOf(firefox);
  std::vector<Intention::Status> endings;
  auto forward = c.awareness().onIntentionEnded;
  c.awareness().onIntentionEnded = [&, forward](const Intention& i, Intention::Status s) {
    endings.push_back(s);
    forward(i, s);
  };
  c.awareness().startIntention(targetOf(chat), 10, "", std::nullopt, false);
  c.openIntentionForm();
  c.bubble().model().onSessionStart(SessionPreset{"YouTube", 30});
  EXPECT_FALSE(c.showingIntentionForm());
  EXPECT_EQ(endings, std::vector{Intention::Status::abandoned});
  const auto session = c.awareness().intention();
  ASSERT_TRUE(session);
  EXPECT_TRUE(session->isSession);
  EXPECT_EQ(session->bundleID, firefox.bundleID);
  EXPECT_EQ(session->returnTo, targetOf(notes));
  EXPECT_EQ(c.awareness().tracker().today().intentionsSet, 2);
  EXPECT_EQ(desktop.workspace->opened, std::vector{targetOf(firefox)});
  EXPECT_EQ(c.intentionStatus(), "YouTube session \xC2\xB7 0 of 30 min");

  c.startSession(SessionPreset{"Break", 0});
  EXPECT_EQ(c.awareness().intention()->minutes, 1);
  EXPECT_DOUBLE_EQ(c.awareness().intention()->dueAtSeconds, 60);

  // No browser: said so, and the intention stays.
  desktop.workspace->defaultBrowser.reset();
  c.openIntentionForm();
  c.startSession(SessionPreset::all().front());
  EXPECT_FALSE(c.showingIntentionForm());
  EXPECT_EQ(messageTitle(), "No browser found");
  EXPECT_EQ(c.awareness().intention()->bundleID, firefox.bundleID);
}

TEST_F(AwarenessTest, TheDefaultBrowserFromMimeappsIsLaunchedOrBroughtForward) {
  for (auto program : {"xterm", "wmctrl"})
    if (auto why = missingProgram(program)) GTEST_SKIP() << *why;
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  ScopedEnv configHome("XDG_CONFIG_HOME", home.filePath("config"));
  ScopedEnv configDirs("XDG_CONFIG_DIRS", home.filePath("sysconfig"));
  ScopedEnv dataHome("XDG_DATA_HOME", home.filePath("data"));
  ScopedEnv dataDirs("XDG_DATA_DIRS", home.filePath("system"));
  ScopedEnv currentDesktop("XDG_CURRENT_DESKTOP", std::nullopt);
  const QString marker = home.filePath("launched");
  const QString script = home.filePath("browser.sh");
  ASSERT_TRUE(writeFile(script, QString("#!/bin/sh\necho \"$@\" >> '%1'\n").arg(marker).toUtf8()));
  QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
  ASSERT_TRUE(writeFile(home.filePath("data/applications/pimble-test-browser.desktop"),
                        QString("[Desktop Entry]\nType=Application\nName=Test Browser\n"
                                "Exec=\"%1\" %U\nStartupWMClass=PimbleTestBrowser\n"
                                "Categories=Network;WebBrowser;\n")
                            .arg(script)
                            .toUtf8()));
  ASSERT_TRUE(writeFile(home.filePath("config/mimeapps.list"),
                        "[Default Applications]\n"
                        "x-scheme-handler/https=pimble-test-browser.desktop\n"));

  AppController& c = startWithReal([&](DesktopServices& services) {
    services.workspace = DesktopServices::liveWorkspace(time);
    desktop.workspace = nullptr;
  });

  // Not running: launched from its desktop entry.
  c.startSession(SessionPreset{"News", 15});
  ASSERT_TRUE(c.awareness().intention());
  EXPECT_EQ(c.awareness().intention()->bundleID, "pimble-test-browser");
  EXPECT_EQ(c.awareness().intention()->appName, "Test Browser");
  EXPECT_TRUE(waitUntil([&] { return QFile::exists(marker); }));

  // Running: its window is brought forward.
  ScopedProcess browser("xterm", {"-class", "PimbleTestBrowser", "-e", "sleep", "120"});
  ASSERT_TRUE(browser.started());
  ASSERT_TRUE(waitUntil([&] {
    for (const ReturnTarget& app : AppCatalog::runningApps())
      if (app.bundleID == "pimble-test-browser") return true;
    return false;
  }));
  const auto browserInFront = [&] {
    const auto front = c.desktop().workspace->frontmost();
    return front && front->bundleID == "pimble-test-browser";
  };
  ASSERT_TRUE(waitUntil(browserInFront));
  // Another application takes the front, as the controller sees it.
  ScopedProcess other("xterm", {"-e", "sleep", "120"});
  ASSERT_TRUE(other.started());
  ASSERT_TRUE(
      waitUntil([&] { return c.frontmost() && c.frontmost()->bundleID != "pimble-test-browser"; }));
  c.startSession(SessionPreset{"YouTube", 30});
  EXPECT_TRUE(waitUntil(browserInFront));
}

}  // namespace
}  // namespace pimble::testing
