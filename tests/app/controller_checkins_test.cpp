// Check-ins on the controller: presented in the real bubble, through the
// character alone or as a notification, timed out, answered, withdrawn; the
// preview; the blocking rules between check-ins and reminders.
#include "app/awareness_fixture.h"

namespace pimble::testing {
namespace {

using Case = CheckInResponse::Case;

TEST_F(AwarenessTest, ACheckInTimesOutAfterTheBubbleTimeOutButFifteenSecondsAtLeast) {
  for (auto [setting, seconds] : {std::pair{10, 15.0}, {30, 30.0}}) {
    SCOPED_TRACE(setting);
    AppController& c =
        startWatching(chat, [s = setting](AppSettings& a) { a.bubbleTimeoutSeconds = s; });
    const CheckIn shown = forceCheckIn();
    EXPECT_EQ(c.bubbleUse(), BubbleUse::checkIn);
    EXPECT_EQ(c.bubbleSubject(), shown.id);
    EXPECT_EQ(animator().base(), GlimmetState::checkIn);
    EXPECT_EQ(played(), std::vector{SoundService::Effect::snooze});
    EXPECT_DOUBLE_EQ(secondsUntil(c.checkInTimeoutDue()), seconds);

    time.advance(Seconds(seconds - 0.1));
    EXPECT_TRUE(c.awareness().active());
    time.advance(Seconds(0.2));
    EXPECT_FALSE(c.bubble().isShown());
    EXPECT_EQ(desktop.notifier->cleared, std::vector{shown.id});
    EXPECT_EQ(animator().base(), GlimmetState::idle);
    // An unanswered check-in comes back later in the session.
    EXPECT_EQ(c.awareness().tracker().session(chat.bundleID)->nextCheckInAtSeconds,
              seconds + AwarenessEngine::unansweredRetry);
  }
}

TEST_F(AwarenessTest, TheCharacterAloneCarriesACheckInWithTinkOnlyWhenEffectsAreOn) {
  AppController& c =
      startWatching(chat, [](AppSettings& s) { s.awareness.style = CheckInStyle::glimmetOnly; });
  c.showInfo("Hello", "A message first");
  forceCheckIn();
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::none);
  EXPECT_EQ(animator().base(), GlimmetState::checkIn);
  EXPECT_EQ(played(), std::vector{SoundService::Effect::snooze});
  c.respondToCheckIn(Case::keepGoing);
  EXPECT_TRUE(animator().reacting());

  change([](AppSettings& s) { s.soundEffects = false; });
  played().clear();
  const CheckIn quiet = forceCheckIn();
  EXPECT_EQ(animator().base(), GlimmetState::checkIn);
  EXPECT_TRUE(played().empty());
  // Pausing reminders answers the check-in as unanswered.
  c.pause(600);
  EXPECT_FALSE(c.awareness().active());
  EXPECT_TRUE(cleared(quiet.id));
  EXPECT_EQ(animator().base(), GlimmetState::sleeping);
}

TEST_F(AwarenessTest, AHiddenCharacterGetsANotificationOrNothingAndOnlyItsOwnAnswers) {
  AppController& c = startWatching(chat, [](AppSettings& s) {
    s.showCompanion = false;
    s.bubbleTimeoutSeconds = 5;
  });
  ASSERT_FALSE(characterVisible());
  const CheckIn posted = forceCheckIn();
  EXPECT_EQ(desktop.notifier->postedCheckIns, std::vector{posted});
  EXPECT_TRUE(played().empty());
  EXPECT_FALSE(c.bubble().isShown());
  // The notification's answer reaches the engine; one on an old check-in's
  // notification is ignored.
  desktop.notifier->onCheckInAction(posted.id, CheckInResponse::remindIn(20));
  EXPECT_FALSE(c.awareness().active());
  EXPECT_EQ(desktop.notifier->cleared, std::vector{posted.id});
  EXPECT_FALSE(c.checkInTimeoutDue());
  const CheckIn current = forceCheckIn();
  desktop.notifier->onCheckInAction(posted.id, Case::finish);
  EXPECT_EQ(c.awareness().active()->id, current.id);
  c.respondToCheckIn(Case::dismiss);

  change([](AppSettings& s) { s.notifyWhenHidden = false; });
  desktop.notifier->postedCheckIns.clear();
  forceCheckIn();
  EXPECT_TRUE(desktop.notifier->postedCheckIns.empty());
  time.advance(Seconds(15.1));
  EXPECT_FALSE(c.awareness().active());
}

TEST_F(AwarenessTest, AnswersCarryOutTheirEffects) {
  AppController& c = startWatching(editor);
  bringToFront(chat);  // Chat's session goes back to the editor

  // The editor is not running: nothing is launched, the user is told, and
  // the check-in is answered all the same.
  const CheckIn first = forceCheckIn();
  ASSERT_EQ(first.returnTo, targetOf(editor));
  c.respondToCheckIn(Case::finish);
  EXPECT_FALSE(c.awareness().active());
  EXPECT_EQ(desktop.workspace->broughtToFront, std::vector{targetOf(editor)});
  EXPECT_TRUE(desktop.workspace->opened.empty());
  EXPECT_EQ(messageTitle(), "Editor isn't open");
  EXPECT_EQ(c.awareness().tracker().today().finished, 1);
  c.bubble().model().onClose();

  // Running, it is brought back without a word.
  desktop.workspace->running = {targetOf(editor)};
  forceCheckIn();
  c.respondToCheckIn(Case::finish);
  EXPECT_FALSE(c.bubble().isShown());

  // Stop watching: the entry stays listed, switched off.
  forceCheckIn();
  c.respondToCheckIn(Case::stopForApp);
  ASSERT_EQ(c.model().settings().awareness.apps.size(), 1u);
  EXPECT_FALSE(c.model().settings().awareness.apps[0].isEnabled);
  EXPECT_FALSE(c.awareness().settings().app(chat.bundleID)->isEnabled);

  // A stretch answer brings the stretch reminder at once, switched off or not.
  change([](AppSettings& s) { s.awareness.apps[0].isEnabled = true; });
  forceCheckIn();
  c.respondToCheckIn(Case::stretch);
  ASSERT_TRUE(c.engine().active());
  EXPECT_EQ(c.engine().active()->kind, ReminderKind::stretch);
  EXPECT_EQ(c.bubbleUse(), BubbleUse::reminder);
}

TEST_F(AwarenessTest, AMessageBubbleHoldsACheckInAndACheckInHoldsEvenARequestedReminder) {
  AppController& c =
      startWatching(chat, [](AppSettings& s) { s.awareness.apps[0].workMinutes = 1; });
  time.advance(Seconds(55));
  c.showInfo("Hello", "there");
  EXPECT_FALSE(c.deliveryBlocked());
  EXPECT_EQ(c.checkInBlockers(), std::set{AwarenessEngine::Blocker::busy});
  // Chat's minute is up while the message is open: the check-in waits.
  time.advance(Seconds(7));
  EXPECT_FALSE(c.awareness().active());
  // The message closes after 8 s; the check-in comes at the engine's next look.
  time.advance(Seconds(AwarenessEngine::waitPoll));
  ASSERT_TRUE(c.awareness().active());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::checkIn);

  // "Give me a reminder" waits for nothing but a shown check-in: a nod.
  c.remindNow(reminder(ReminderKind::water));
  EXPECT_FALSE(c.engine().active());
  EXPECT_EQ(shownState(), GlimmetState::happy);
  c.respondToCheckIn(Case::dismiss);
  c.remindNow(reminder(ReminderKind::water));
  EXPECT_TRUE(c.engine().active());
  // A second one while the first is shown: a nod only.
  c.remindNow(reminder(ReminderKind::stretch));
  EXPECT_EQ(c.engine().active()->kind, ReminderKind::water);
}

TEST_F(AwarenessTest, APreviewShowsASampleThatNeverReachesTheEngine) {
  AppController& c = startWatching(editor, [](AppSettings& s) { s.awareness.apps.clear(); });
  c.previewCheckIn();
  ASSERT_TRUE(c.previewingCheckIn());
  const CheckIn* sample = content().get<CheckIn>();
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->kind.name, "YouTube");
  EXPECT_DOUBLE_EQ(sample->activeSeconds, 37 * 60.0);  // 7 minutes over the 30 of work mode
  EXPECT_EQ(sample->returnTo, (ReturnTarget{"sample", "your work"}));
  EXPECT_FALSE(c.awareness().active());
  EXPECT_FALSE(c.checkInTimeoutDue());
  EXPECT_TRUE(c.deliveryBlocked());
  EXPECT_TRUE(played().empty());
  // Any button ends it with a happy character, the engine untold.
  c.bubble().model().onCheckIn(Case::finish);
  EXPECT_FALSE(c.previewingCheckIn());
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_TRUE(animator().reacting());
  EXPECT_EQ(c.awareness().tracker().today().finished, 0);

  // Left alone it goes after 20 s.
  c.previewCheckIn();
  time.advance(Seconds(19.9));
  EXPECT_TRUE(c.previewingCheckIn());
  time.advance(Seconds(0.7));
  EXPECT_FALSE(c.previewingCheckIn());
  EXPECT_FALSE(c.bubble().isShown());

  // Nothing while a reminder is on screen.
  c.engine().deliverNow(c.model().reminders().front());
  c.previewCheckIn();
  EXPECT_FALSE(c.previewingCheckIn());
  EXPECT_FALSE(c.awareness().active());
  c.finishReminder(Resolution::skip());

  // With a watched application in front, a preview is a real check-in.
  change([](AppSettings& s) { s.awareness.apps = {watched(chat, AppCategory::social)}; });
  bringToFront(chat);
  c.previewCheckIn();
  EXPECT_FALSE(c.previewingCheckIn());
  ASSERT_TRUE(c.awareness().active());
  EXPECT_EQ(c.presentedCheckIn(), c.awareness().active()->id);
  EXPECT_TRUE(c.checkInTimeoutDue());
}

// Faults of the straightforward design, each first seen failing.

TEST_F(AwarenessTest, ABubbleTakenOverOrHiddenEndsThePreviewAndTheCharactersCheckInState) {
  AppController& c = startWatching(editor);
  c.previewCheckIn();
  ASSERT_TRUE(c.previewingCheckIn());
  c.showProgress();
  EXPECT_FALSE(c.previewingCheckIn());
  EXPECT_FALSE(c.deliveryBlocked());
  EXPECT_EQ(animator().base(), GlimmetState::idle);
  // The preview's close no longer applies; the progress bubble's own does.
  time.advance(Seconds(AppController::progressCloseDelay + 0.5));
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_TRUE(c.checkInBlockers().empty());

  c.previewCheckIn();
  c.bubble().model().onClose();
  EXPECT_FALSE(c.previewingCheckIn());
  EXPECT_EQ(animator().base(), GlimmetState::idle);
}

TEST_F(AwarenessTest, ACheckInForTheCharacterAloneKeepsItsStateOverTheBubbleItCloses) {
  // "Try a check-in" while the intention form or a sample is open: the real
  // check-in closes that bubble, and only the character carries it.
  for (bool form : {true, false}) {
    SCOPED_TRACE(form ? "over the intention form" : "over a sample");
    AppController& c = startWatching(
        editor, [](AppSettings& s) { s.awareness.style = CheckInStyle::glimmetOnly; });
    if (form)
      c.openIntentionForm();
    else
      c.previewCheckIn();
    ASSERT_TRUE(form ? c.showingIntentionForm() : c.previewingCheckIn());
    bringToFront(chat);
    c.previewCheckIn();
    ASSERT_TRUE(c.awareness().active());
    EXPECT_FALSE(c.bubble().isShown());
    EXPECT_EQ(animator().base(), GlimmetState::checkIn);
    EXPECT_TRUE(c.checkInTimeoutDue());
    // Its answer, not the closed bubble, sets the character back to rest.
    c.respondToCheckIn(Case::dismiss);
    EXPECT_EQ(animator().base(), GlimmetState::idle);
  }
}

TEST_F(AwarenessTest, AnAnswerIsCarriedOutBeforeTheNextCheckInIsPresented) {
  // Bedtime was ten minutes ago, and Chat's minute will be up: two check-ins
  // in a row.
  const Calendar calendar = Calendar::current();
  const int minute = calendar.minuteOfDay(time.now());
  AppController& c = startWatching(chat, [&](AppSettings& s) {
    s.awareness.apps[0].workMinutes = 1;
    s.bubbleTimeoutSeconds = 600;
    s.modes.bedtime.isEnabled = true;
    s.modes.bedtime.minutes = (minute + 1440 - 10) % 1440;
  });
  ASSERT_TRUE(c.awareness().active());
  ASSERT_EQ(c.awareness().active()->kind.kase, CheckIn::Kind::Case::bedtime);
  time.advance(Seconds(90));

  // Answering the bedtime nudge makes Chat's check-in due inside the
  // engine's answer; it comes once the answer is done, with its own state.
  c.bubble().model().onCheckIn(Case::dismiss);
  ASSERT_TRUE(c.awareness().active());
  const CheckIn next = *c.awareness().active();
  EXPECT_EQ(next.kind.kase, CheckIn::Kind::Case::app);
  EXPECT_EQ(c.presentedCheckIn(), next.id);
  EXPECT_EQ(c.bubbleSubject(), next.id);
  EXPECT_EQ(animator().base(), GlimmetState::checkIn);
  EXPECT_DOUBLE_EQ(secondsUntil(c.checkInTimeoutDue()), 600);
}

TEST_F(AwarenessTest, ACheckInReplacedWhileSettingsApplyTakesItsNotificationAlong) {
  const Calendar calendar = Calendar::current();
  const int minute = calendar.minuteOfDay(time.now());
  AppController& c = startWatching(chat, [&](AppSettings& s) {
    s.showCompanion = false;
    s.modes.bedtime.minutes = (minute + 1440 - 10) % 1440;
  });
  const CheckIn old = forceCheckIn();
  // Chat is no longer watched, and bedtime is on: the engine drops Chat's
  // check-in and delivers the bedtime nudge within one apply.
  change([](AppSettings& s) {
    s.awareness.apps.clear();
    s.modes.bedtime.isEnabled = true;
  });
  ASSERT_TRUE(c.awareness().active());
  const CheckIn nudge = *c.awareness().active();
  ASSERT_NE(nudge.id, old.id);
  EXPECT_EQ(desktop.notifier->cleared, std::vector{old.id});
  EXPECT_EQ(desktop.notifier->postedCheckIns.back().id, nudge.id);
  EXPECT_EQ(c.presentedCheckIn(), nudge.id);

  // Dropped without a replacement, what showed it goes too.
  change([](AppSettings& s) { s.modes.bedtime.isEnabled = false; });
  EXPECT_FALSE(c.awareness().active());
  EXPECT_TRUE(cleared(nudge.id));
  EXPECT_FALSE(c.presentedCheckIn());
  EXPECT_FALSE(c.checkInTimeoutDue());
}

TEST_F(AwarenessTest, AnEndedIntentionWithdrawsItsCheckInWhereverItShows) {
  for (bool visible : {true, false}) {
    SCOPED_TRACE(visible);
    AppController& c = startWatching(chat, [&](AppSettings& s) {
      s.awareness.style = CheckInStyle::glimmetOnly;
      s.showCompanion = visible;
    });
    c.awareness().startIntention(targetOf(chat), 1, "Reply to Sam", std::nullopt, false);
    time.advance(Seconds(61));
    ASSERT_TRUE(c.awareness().active());
    const CheckIn timeUp = *c.awareness().active();
    ASSERT_EQ(timeUp.kind.kase, CheckIn::Kind::Case::intention);
    if (visible) {
      ASSERT_EQ(animator().base(), GlimmetState::checkIn);
    } else {
      ASSERT_EQ(desktop.notifier->postedCheckIns.back().id, timeUp.id);
    }

    c.endIntention(Intention::Status::dismissed);
    EXPECT_FALSE(c.awareness().active());
    EXPECT_FALSE(c.presentedCheckIn());
    EXPECT_FALSE(c.checkInTimeoutDue());
    EXPECT_TRUE(cleared(timeUp.id));
    EXPECT_EQ(animator().base(), GlimmetState::idle);
  }
}

}  // namespace
}  // namespace pimble::testing
