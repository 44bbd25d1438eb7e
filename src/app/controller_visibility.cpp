// The character on the desktop: shown while switched on and no quiet full
// screen in front hides it, with the base state for the situation; the
// motion actually used; what the speech bubble shows.
#include <algorithm>

#include "app/app_controller.h"
#include "bubbles/bubble_panel_controller.h"
#include "bubbles/greeting_bubble_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/cursor_follower.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"

namespace pimble {

AnimationIntensity AppController::effectiveIntensity(AnimationIntensity intensity) const {
  if (intensity != AnimationIntensity::normal) return intensity;
  const bool reduce = desktop_.motion && desktop_.motion->reduceMotion();
  if (reduce || awareness_.mode() == AwarenessMode::night) return AnimationIntensity::reduced;
  return intensity;
}

GlimmetState AppController::restState() const {
  const auto presence = engine_.presence();
  return presence == ReminderEngine::Presence::quietHours ||
                 presence == ReminderEngine::Presence::paused
             ? GlimmetState::sleeping
             : GlimmetState::idle;
}

GlimmetState AppController::baseState(ReminderKind kind) {
  switch (kind) {
    case ReminderKind::water:
      return GlimmetState::water;
    case ReminderKind::stretch:
      return GlimmetState::stretch;
    case ReminderKind::eyeRest:
      return GlimmetState::eyeRest;
    case ReminderKind::posture:
      return GlimmetState::posture;
    case ReminderKind::walk:
      return GlimmetState::walk;
    case ReminderKind::takeBreak:
      return GlimmetState::rest;
    case ReminderKind::custom:
      return GlimmetState::reminder;
  }
  return GlimmetState::reminder;
}

void AppController::updateCursorFollowing() {
  const AppSettings& s = model_->settings();
  const bool visible = companion_ && companion_->panel().isVisible();
  if (s.followCursor && effectiveIntensity(s.animationIntensity) != AnimationIntensity::off &&
      visible) {
    cursorFollower_->start();
  } else {
    cursorFollower_->stop();
  }
}

void AppController::updateCompanionVisibility() {
  const AppSettings& s = model_->settings();
  // A quiet full screen hides a switched-on character, except while a
  // check-in is shown that may appear over full screen.
  const bool checkInOverFullscreen = awareness_.active() && s.awareness.checkInOverFullscreen;
  const bool hiddenByFullscreen =
      fullscreenQuiet_ && s.stayQuiet.hideGlimmetInFullscreen && !checkInOverFullscreen;
  const bool shouldShow = s.showCompanion && !hiddenByFullscreen;
  if (shouldShow == companion_->panel().isVisible()) return;
  if (shouldShow)
    showCompanion();
  else
    hideCompanion();
}

void AppController::showCompanion() {
  CompanionPanel& panel = companion_->panel();
  panel.show();
  panel.raise();
  GlimmetAnimator* animator = companion_->animator();
  if (animator) animator->setVisible(true);
  updateCursorFollowing();
  if (!animator) return;
  if (awareness_.active())
    animator->setBase(GlimmetState::checkIn);
  else if (engine_.active())
    animator->setBase(baseState(engine_.active()->kind));
  else
    animator->setBase(restState());
  if (summonOnShow_) {
    summonOnShow_ = false;
    GlimmetRig* rig = companion_->hostView().figure().rig();
    if (rig && animator->visible() && !animator->reacting() &&
        animator->base() == GlimmetState::idle)
      rig->summon(GlimmetRig::SummonStyle::shown);
  }
}

void AppController::hideCompanion() {
  cursorFollower_->stop();
  greeting_->hide(false);
  hideBubble();
  if (GlimmetAnimator* animator = companion_->animator()) animator->setVisible(false);
  companion_->panel().hide();
}

void AppController::toggleCompanion() {
  AppSettings s = model_->settings();
  if (s.showCompanion) {
    // Applying the changed setting hides the character.
    s.showCompanion = false;
    model_->setSettings(std::move(s));
    return;
  }
  summonCompanion();
}

void AppController::summonCompanion() {
  const bool visible = companion_->panel().isVisible();
  if (visible && model_->settings().showCompanion) {
    GlimmetAnimator* animator = companion_->animator();
    GlimmetRig* rig = companion_->hostView().figure().rig();
    if (animator && rig && animator->visible() && !animator->reacting() &&
        animator->base() == GlimmetState::idle) {
      rig->summon(GlimmetRig::SummonStyle::summoned);
    }
    return;
  }
  summonOnShow_ = true;
  if (!model_->settings().showCompanion) {
    AppSettings s = model_->settings();
    s.showCompanion = true;
    model_->setSettings(std::move(s));
  }
  updateCompanionVisibility();
  summonOnShow_ = false;
  // Asked for also when a quiet full screen keeps the character hidden;
  // the greeting's own rules decide.
  scheduleGreeting(summonGreetingDelay, GreetingMoment::launch());
}

void AppController::refreshQuietState() {
  const bool quiet = quietGuard_.isQuietFullscreen(frontmost_);
  if (quiet != fullscreenQuiet_) {
    fullscreenQuiet_ = quiet;
    updateCompanionVisibility();
    // What waited only for the full screen comes at once.
    if (!quiet) {
      engine_.evaluate();
      awareness_.evaluate();
    }
  }
  // While an application that may hide the character is in front, its full
  // screen is looked at again every 5 s.
  if (quietGuard_.wantsVisibilityRechecks(frontmost_) && model_->settings().showCompanion) {
    if (!fullscreenRecheck_)
      scheduleFullscreenRecheck(addSeconds(time_.now(), fullscreenRecheckInterval));
  } else {
    fullscreenRecheck_.reset();
  }
}

void AppController::scheduleFullscreenRecheck(Date due) {
  fullscreenRecheck_ = time_.callAt(due, Seconds(fullscreenRecheckTolerance), [this, due] {
    scheduleFullscreenRecheck(addSeconds(std::max(due, time_.now()), fullscreenRecheckInterval));
    refreshQuietState();
  });
}

void AppController::syncPauseState() {
  model_->setPausedUntil(engine_.pausedUntil());
  model_->setPausedIndefinitely(engine_.pausedIndefinitely());
  model_->setNextReminderSummary(nextReminderSummary());
}

void AppController::publishAwareness() {
  model_->setMode(awareness_.mode());
  model_->setActivityToday(awareness_.tracker().today());
  model_->setQuietStatus(quietGuard_.statusText(frontmost_));
}

void AppController::showBubble(BubbleUse use, BubbleContent content, std::optional<Uuid> subject) {
  // Whatever is not short-lived information takes the bubble for good: no
  // pending close may hide it.
  if (use != BubbleUse::info) cancelPendingClose();
  const BubbleUse previous = bubbleUse_;
  bubbleUse_ = use;
  bubbleSubject_ = subject;
  bubble_->show(std::move(content), model_->settings().bubbleStyle);
  // Whatever the bubble showed before ends with its taking over.
  if (previous != use) bubbleUseEnded(previous, use);
}

void AppController::hideBubble() {
  const BubbleUse previous = bubbleUse_;
  bubbleUse_ = BubbleUse::none;
  bubbleSubject_.reset();
  bubble_->hide();
  if (previous != BubbleUse::none) bubbleUseEnded(previous, BubbleUse::none);
}

}  // namespace pimble
