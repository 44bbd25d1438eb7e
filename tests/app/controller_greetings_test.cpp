// Information bubbles with their one pending close, behaviour previews and
// greetings, on fake time with the real character and bubble windows.
#include <QTemporaryDir>

#include "app/controller_harness.h"
#include "bubbles/bubble_panel_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"
#include "settings/settings_window_controller.h"

namespace pimble::testing {
namespace {

GlimmetRig& rigOf(AppController& c) {
  return *c.companion().hostView().figure().rig();
}

BubbleContent::Case shownCase(AppController& c) {
  return c.bubble().model().content().kase();
}

class InfoBubbles : public ControllerTest {};

TEST_F(InfoBubbles, AMessageStaysEightSecondsAndIsNeverQueued) {
  seedQuietUser();
  AppController& c = started();
  c.showInfo("Safari isn't open", "Pimble didn't open anything.");
  ASSERT_TRUE(c.bubble().isShown());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::info);
  const auto* message = c.bubble().model().content().get<BubbleContent::Message>();
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->title, "Safari isn't open");
  time.advance(Seconds(7.9));
  EXPECT_TRUE(c.bubble().isShown());
  time.advance(Seconds(0.2));
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_EQ(c.bubbleUse(), BubbleUse::none);

  // Hidden: dropped, and showing the character later brings nothing back.
  change([](AppSettings& s) { s.showCompanion = false; });
  c.showInfo("Later", "Nobody sees this");
  EXPECT_FALSE(c.bubble().isShown());
  EXPECT_FALSE(c.pendingCloseDue());
  change([](AppSettings& s) { s.showCompanion = true; });
  EXPECT_FALSE(c.bubble().isShown());
}

TEST_F(InfoBubbles, TheSecondBubblesCloseCountsFromTheSecond) {
  seedQuietUser();
  AppController& c = started();
  c.showInfo("One", "first");
  time.advance(Seconds(6));
  c.showProgress();
  EXPECT_EQ(shownCase(c), BubbleContent::Case::progress);
  EXPECT_NEAR(secondsUntil(c.pendingCloseDue()), AppController::progressCloseDelay, 1e-6);
  // The message's close would have come here.
  time.advance(Seconds(3));
  EXPECT_TRUE(c.bubble().isShown());
  time.advance(Seconds(12.1));
  EXPECT_FALSE(c.bubble().isShown());
}

TEST_F(InfoBubbles, ProgressShowsTodayAndWaitsForAReminderOrCheckIn) {
  seedQuietUser();
  AppController& c = started();
  const Reminder water = c.model().reminders().front();
  c.model().record(ReminderAction::done, ReminderKind::water);
  c.model().record(ReminderAction::done, ReminderKind::water);
  c.showProgress();
  const auto* summary = c.bubble().model().content().get<DaySummary>();
  ASSERT_NE(summary, nullptr);
  EXPECT_EQ(summary->done(ReminderKind::water), 2);
  EXPECT_EQ(summary->key, c.model().progress().dayKey(time.now()));

  // A reminder on screen: neither a message nor progress takes the bubble.
  c.hideBubble();
  c.engine().deliverNow(water);
  c.showProgress();
  c.showInfo("Hi", "there");
  EXPECT_NE(c.bubbleUse(), BubbleUse::info);
}

TEST_F(InfoBubbles, ProgressAskedForWhileHiddenOpensTheProgressTab) {
  // The settings window reads the autostart entry: keep it off the user's.
  QTemporaryDir config;
  const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  seedQuietUser();
  AppController& c = started();
  change([](AppSettings& s) { s.showCompanion = false; });
  c.model().actions.showProgressBubble();
  EXPECT_FALSE(c.bubble().isShown());
  ASSERT_NE(c.settingsWindow(), nullptr);
  EXPECT_EQ(c.settingsWindow()->currentTab(), SettingsTab::progress);
  controller.reset();
  qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(InfoBubbles, WhatIsNotInformationCancelsThePendingClose) {
  seedQuietUser();
  AppController& c = started();
  c.showInfo("Hi", "there");
  ASSERT_TRUE(c.pendingCloseDue());
  c.showBubble(BubbleUse::intentionForm, BubbleContent::message("Form", "stand-in"));
  EXPECT_FALSE(c.pendingCloseDue());
  time.advance(Seconds(20));
  EXPECT_TRUE(c.showingIntentionForm());

  // The preview's own end replaces an information close.
  int ended = 0;
  c.showInfo("Hi", "there");
  c.replacePendingClose(20, [&] { ++ended; });
  time.advance(Seconds(10));
  EXPECT_TRUE(c.bubble().isShown());
  time.advance(Seconds(10));
  EXPECT_EQ(ended, 1);
}

TEST_F(InfoBubbles, ABehaviourPreviewNeedsTheRestingCharacter) {
  seedQuietUser();
  AppController& c = started();
  GlimmetAnimator& animator = *c.companion().animator();
  GlimmetRig& rig = rigOf(c);

  ASSERT_EQ(animator.base(), GlimmetState::idle);
  c.model().actions.previewBehavior(IdleBehavior::wink);
  EXPECT_EQ(rig.performing(), IdleBehavior::wink);

  // Asleep, or busy with a reminder's state: nothing.
  for (GlimmetState state : {GlimmetState::sleeping, GlimmetState::water}) {
    animator.setBase(state);
    c.previewBehavior(IdleBehavior::nod);
    EXPECT_NE(rig.performing(), IdleBehavior::nod);
  }

  // Switched off: a preview never brings the character back.
  change([](AppSettings& s) { s.showCompanion = false; });
  c.previewBehavior(IdleBehavior::nod);
  EXPECT_FALSE(c.companion().panel().isVisible());
  EXPECT_FALSE(settings().showCompanion);
}

}  // namespace
}  // namespace pimble::testing
