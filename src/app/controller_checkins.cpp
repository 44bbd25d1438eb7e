// The road of one check-in: presented in the bubble, through the character
// alone or as a notification while the character is hidden, guarded by a
// time-out, answered through the engine, its effect carried out; withdrawn
// when the engine no longer has it; and the settings' sample check-in.
#include <algorithm>

#include "app/app_controller.h"
#include "bubbles/bubble_panel_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/panel_keyboard.h"
#include "models/check_in_copy.h"

namespace pimble {
namespace {

std::optional<GlimmetState> reactionTo(const CheckInResponse& response) {
  using C = CheckInResponse::Case;
  switch (response.kase) {
    case C::remindIn:
    case C::keepGoing:
      return GlimmetState::happy;
    case C::finish:
    case C::wrapUp:
      return GlimmetState::celebration;
    default:
      return std::nullopt;
  }
}

// The sample application when none is watched.
WatchedApp sampleApp() {
  WatchedApp app;
  app.bundleID = "sample";
  app.name = "YouTube";
  app.category = AppCategory::video;
  app.workMinutes = 30;
  app.relaxMinutes = 90;
  app.nightMinutes = 45;
  return app;
}

}  // namespace

void AppController::presentCheckIn(const CheckIn& checkIn) {
  // A check-in that replaces another (settings applied while one was shown)
  // takes the old one's notification down; its bubble is replaced below.
  if (presentedCheckIn_ && *presentedCheckIn_ != checkIn.id) {
    if (desktop_.notifier) desktop_.notifier->clear(*presentedCheckIn_);
  }
  presentedCheckIn_ = checkIn.id;
  // No pending close of a short-lived bubble may hide the check-in.
  cancelPendingClose();
  // A quiet full screen gives way when check-ins may appear over it.
  updateCompanionVisibility();

  if (companion_->panel().isVisible()) {
    playEffect(SoundService::Effect::snooze);
    if (GlimmetAnimator* animator = companion_->animator())
      animator->setBase(GlimmetState::checkIn);
    if (model_->settings().awareness.style == CheckInStyle::bubble)
      showBubble(BubbleUse::checkIn, BubbleContent::checkIn(checkIn), checkIn.id);
    else
      hideBubble();
  } else if (model_->settings().notifyWhenHidden && desktop_.notifier) {
    desktop_.notifier->post(checkIn);
  }

  const double seconds =
      std::max<double>(double(model_->settings().bubbleTimeoutSeconds), minimumAnswerTimeout);
  const Uuid id = checkIn.id;
  checkInTimeout_ = time_.callAfter(Seconds(seconds), Seconds(answerTimeoutTolerance), [this, id] {
    checkInTimeout_.reset();
    // A time-out answers only the check-in it was armed for.
    if (awareness_.active() && awareness_.active()->id == id)
      respondToCheckIn(CheckInResponse::Case::timedOut);
  });
}

void AppController::respondToCheckIn(const CheckInResponse& response) {
  GlimmetAnimator* animator = companion_ ? companion_->animator() : nullptr;
  if (previewingCheckIn()) {
    // The sample never reached the engine: nothing to tell it.
    hideBubble();
    if (animator) {
      animator->setBase(restState());
      animator->react(GlimmetState::happy);
    }
    return;
  }
  if (!awareness_.active()) return;
  const CheckIn answered = *awareness_.active();

  AwarenessEngine::Effect effect;
  {
    // Nothing new is presented while the answer and its effect are carried
    // out: the engine's own evaluation inside respond() waits too.
    PresentationHold hold(*this);
    // "Back to …" sends the keyboard to that application, not first back
    // to the one the check-in is about.
    PanelKeyboard::Answer keyboard;
    checkInTimeout_.reset();
    presentedCheckIn_.reset();
    if (bubbleUse_ == BubbleUse::checkIn) hideBubble();
    if (desktop_.notifier) desktop_.notifier->clear(answered.id);
    effect = awareness_.respond(response);
    if (animator) {
      animator->setBase(restState());
      if (auto reaction = reactionTo(response)) animator->react(*reaction);
    }
    updateCompanionVisibility();
    carryOut(effect);
  }
  // As after a resolved reminder, no reminder follows within the engine's
  // minimum gap; then both engines look again, once.
  settle();
  publishAwareness();
}

void AppController::settle() {
  if (presentationHeld_ > 0) return;
  engine_.restartMinimumGap();
  awareness_.evaluate();
}

void AppController::carryOut(const AwarenessEngine::Effect& effect) {
  using Case = AwarenessEngine::Effect::Case;
  switch (effect.kase) {
    case Case::returnTo: {
      if (!effect.target) return;
      const bool brought = desktop_.workspace && desktop_.workspace->bringToFront(*effect.target);
      if (brought) {
        PanelKeyboard::instance().sentOn();
        return;
      }
      // Pimble never launches anything on its own here.
      showInfo(effect.target->name + " isn't open",
               "Pimble didn't open anything. You can head back whenever you like.");
      return;
    }
    case Case::stopWatching: {
      AppSettings s = model_->settings();
      auto& apps = s.awareness.apps;
      auto it = std::find_if(apps.begin(), apps.end(),
                             [&](const WatchedApp& a) { return a.bundleID == effect.bundleID; });
      if (it == apps.end()) return;
      // The entry stays listed, switched off.
      it->isEnabled = false;
      model_->setSettings(std::move(s));
      return;
    }
    case Case::stretch: {
      if (engine_.active()) return;
      const auto& reminders = model_->reminders();
      auto it = std::find_if(reminders.begin(), reminders.end(),
                             [](const Reminder& r) { return r.kind == ReminderKind::stretch; });
      if (it != reminders.end()) engine_.deliverNow(*it);
      return;
    }
    case Case::none:
      return;
  }
}

void AppController::checkInNotificationAction(const Uuid& id, const CheckInResponse& response) {
  // A notification of an older check-in answers nothing.
  if (awareness_.active() && awareness_.active()->id == id) respondToCheckIn(response);
}

void AppController::withdrawStaleCheckIn() {
  if (!presentedCheckIn_) return;
  if (awareness_.active() && awareness_.active()->id == *presentedCheckIn_) return;
  checkInGone(*presentedCheckIn_);
}

void AppController::checkInGone(const Uuid& id) {
  if (presentedCheckIn_ == id) {
    presentedCheckIn_.reset();
    checkInTimeout_.reset();
  }
  if (bubbleUse_ == BubbleUse::checkIn && bubbleSubject_ == id) hideBubble();
  if (desktop_.notifier) desktop_.notifier->clear(id);
  // The character carried the check-in; a reminder shown meanwhile keeps
  // its own state.
  GlimmetAnimator* animator = companion_->animator();
  if (animator && !engine_.active() && !awareness_.active()) animator->setBase(restState());
  engine_.restartMinimumGap();
  updateCompanionVisibility();
}

void AppController::previewCheckIn() {
  if (engine_.active() || awareness_.active()) return;
  // A real check-in for the watched application in front, when there is one.
  if (awareness_.forceCheckIn()) return;

  if (!companion_->panel().isVisible() && !model_->settings().showCompanion) {
    AppSettings s = model_->settings();
    s.showCompanion = true;
    model_->setSettings(std::move(s));
  }
  // A sample beside a character that a full screen still hides would block
  // reminders unseen.
  if (!companion_->panel().isVisible()) return;

  const AwarenessSettings& settings = model_->settings().awareness;
  const WatchedApp app = settings.apps.empty() ? sampleApp() : settings.apps.front();
  const std::int64_t minutes = awareness_.limitMinutes(app).value_or(30);

  CheckInCopy::Context c;
  c.bundleID = app.bundleID;
  c.appName = app.name;
  c.category = app.category;
  c.mode = awareness_.mode();
  c.tone = settings.tone;
  c.activeSeconds = double(minutes + 7) * 60.0;
  c.limitMinutes = minutes;
  if (app.category != AppCategory::work) c.returnTo = ReturnTarget{"sample", "your work"};
  if (awareness_.environment().clockString)
    c.clock = awareness_.environment().clockString(time_.now());
  c.variant = 0;
  const CheckIn sample = CheckInCopy::appCheckIn(c);

  if (GlimmetAnimator* animator = companion_->animator()) animator->setBase(GlimmetState::checkIn);
  showBubble(BubbleUse::checkInPreview, BubbleContent::checkIn(sample), sample.id);
  const Uuid id = sample.id;
  replacePendingClose(previewCloseDelay, [this, id] {
    if (previewingCheckIn() && bubbleSubject_ == id)
      respondToCheckIn(CheckInResponse::Case::dismiss);
  });
}

void AppController::bubbleUseEnded(BubbleUse ended, BubbleUse next) {
  if (ended != BubbleUse::checkInPreview && ended != BubbleUse::intentionForm) return;
  // The sample or the form put the character in its check-in state; a
  // reminder or check-in taking the bubble over sets its own, and so does
  // one carried by the character alone, which hides the bubble.
  GlimmetAnimator* animator = companion_->animator();
  if (animator && (next == BubbleUse::none || next == BubbleUse::info) && !engine_.active() &&
      !awareness_.active())
    animator->setBase(restState());
  // A form that goes, however it goes, ends as its Cancel does: no
  // reminder within the minimum gap.
  if (ended == BubbleUse::intentionForm && next != BubbleUse::reminder &&
      next != BubbleUse::checkIn && presentationHeld_ == 0) {
    engine_.restartMinimumGap();
  }
}

}  // namespace pimble
