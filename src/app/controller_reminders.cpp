// The road of one reminder: shown with its sound and the character's state,
// in the speech bubble or as a notification; answered by a button, a
// notification action, the time-out or a pause; resolved in the engine,
// counted in today's progress. Also the presence, the pause, the reminder
// commands of the menus and the settings, and the next-reminder summary.
#include <algorithm>
#include <cmath>

#include "app/app_controller.h"
#include "app/status_item.h"
#include "bubbles/bubble_panel_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"

namespace pimble {
namespace {

Resolution resolutionFor(NotificationService::Action action) {
  switch (action) {
    case NotificationService::Action::done:
      return Resolution::done();
    case NotificationService::Action::snooze:
      return Resolution::snooze();
    case NotificationService::Action::skip:
      return Resolution::skip();
  }
  return Resolution::done();
}

}  // namespace

void AppController::present(const Reminder& reminder) {
  cancelPendingClose();
  // The reminder's own sound, whatever the sound-effects switch says; the
  // night keeps it quiet.
  if (reminder.soundEnabled && awareness_.mode() != AwarenessMode::night && desktop_.sounds)
    desktop_.sounds->playAlways(SoundService::Effect::reminder);

  if (companion_->panel().isVisible()) {
    if (GlimmetAnimator* animator = companion_->animator())
      animator->setBase(baseState(reminder.kind));
    showBubble(BubbleUse::reminder, BubbleContent::reminder(reminder), reminder.id);
  } else if (model_->settings().notifyWhenHidden && desktop_.notifier) {
    desktop_.notifier->post(reminder);
  }

  // Armed whether or not anything could be shown: an unseen reminder ends
  // as unanswered.
  const double timeout =
      std::max(double(model_->settings().bubbleTimeoutSeconds), minimumAnswerTimeout);
  bubbleTimeout_ = time_.callAfter(Seconds(timeout), Seconds(answerTimeoutTolerance), [this] {
    auto keep = std::move(bubbleTimeout_);
    finishReminder(Resolution::timedOut());
  });
}

void AppController::finishReminder(const Resolution& resolution) {
  const std::optional<Reminder> active = engine_.active();
  if (!active) return;
  bubbleTimeout_.reset();
  if (bubbleUse_ == BubbleUse::reminder) hideBubble();
  if (desktop_.notifier) desktop_.notifier->clear(active->id);
  engine_.resolve(resolution);
}

void AppController::notificationAction(const Uuid& id, NotificationService::Action action) {
  // An answer on the notification of a reminder that is no longer the one
  // shown changes nothing.
  const std::optional<Reminder>& active = engine_.active();
  if (!active || active->id != id) return;
  finishReminder(resolutionFor(action));
}

void AppController::reminderResolved(const Reminder& reminder, const Resolution& resolution,
                                     Date at) {
  std::optional<GlimmetState> reaction;
  switch (resolution.kind) {
    case Resolution::Kind::snooze:
      model_->record(ReminderAction::snoozed, reminder.kind, at);
      playEffect(SoundService::Effect::snooze);
      reaction = GlimmetState::happy;
      break;
    case Resolution::Kind::done:
      model_->record(ReminderAction::done, reminder.kind, at);
      playEffect(SoundService::Effect::done);
      scheduleGreeting(doneGreetingDelay, GreetingMoment::reminderResolved(reminder.kind));
      reaction = GlimmetState::celebration;
      break;
    case Resolution::Kind::skip:
      model_->record(ReminderAction::skipped, reminder.kind, at);
      break;
    case Resolution::Kind::timedOut:
      break;
  }
  if (!companion_->panel().isVisible()) return;
  if (GlimmetAnimator* animator = companion_->animator()) {
    animator->setBase(restState());
    if (reaction) animator->react(*reaction);
  }
  model_->setNextReminderSummary(nextReminderSummary());
}

void AppController::reminderWithdrawn(const Reminder& reminder) {
  // The engine has already let the reminder go: no resolution follows, and
  // nothing of it may stay on screen.
  bubbleTimeout_.reset();
  if (bubbleUse_ == BubbleUse::reminder && bubbleSubject_ == reminder.id) hideBubble();
  if (desktop_.notifier) desktop_.notifier->clear(reminder.id);
  if (!awareness_.active()) {
    if (GlimmetAnimator* animator = companion_->animator()) animator->setBase(restState());
  }
  model_->setNextReminderSummary(nextReminderSummary());
}

void AppController::presenceChanged(ReminderEngine::Presence presence) {
  using Presence = ReminderEngine::Presence;
  model_->setPresence(presence);
  // The tray icon fades while reminders are paused.
  statusItem_->setPaused(presence == Presence::paused);
  const Date now = time_.now();
  if (presence == Presence::awake && idleAwaySince_) {
    // The threshold passed before the absence was noticed: it counts too.
    const double away = (now - *idleAwaySince_).count() + engine_.idleThreshold;
    idleAwaySince_.reset();
    scheduleGreeting(presenceGreetingDelay, GreetingMoment::returned(away));
  } else if (presence == Presence::away && !idleAwaySince_) {
    idleAwaySince_ = now;
  }
  syncPauseState();

  // A reminder or check-in on screen keeps its own state.
  if (engine_.active() || awareness_.active()) return;
  GlimmetAnimator* animator = companion_->animator();
  if (animator && presence != Presence::away)
    animator->setBase(presence == Presence::awake ? GlimmetState::idle : GlimmetState::sleeping);
}

std::vector<Reminder> AppController::enabledReminders() const {
  std::vector<Reminder> enabled;
  for (const Reminder& r : model_->reminders())
    if (r.isEnabled) enabled.push_back(r);
  return enabled;
}

std::string AppController::nextReminderSummary() const {
  switch (engine_.presence()) {
    case ReminderEngine::Presence::quietHours:
      return "Quiet hours: glimmet is sleeping";
    case ReminderEngine::Presence::paused:
      if (const std::optional<Date> until = engine_.pausedUntil())
        return "Paused until " + shortTime(*until);
      return "Reminders paused";
    case ReminderEngine::Presence::awake:
    case ReminderEngine::Presence::away:
      break;
  }
  const auto next = nextDue();
  if (!next) return "No reminders enabled";
  const double seconds = (next->second - time_.now()).count();
  const double minutes = std::max(1.0, std::ceil(seconds / 60.0));
  return "Next: " + next->first.title + " in " + std::to_string(static_cast<long long>(minutes)) +
         " min";
}

std::optional<std::pair<Reminder, Date>> AppController::nextDue() const {
  const auto& runtime = engine_.scheduler().runtime;
  const Reminder* next = nullptr;
  Date due{};
  for (const Reminder& r : model_->reminders()) {
    if (!r.isEnabled) continue;
    auto it = runtime.find(r.id);
    if (it == runtime.end()) continue;
    // On equal dates the earlier one in the list stays.
    if (!next || it->second.nextDue < due) {
      next = &r;
      due = it->second.nextDue;
    }
  }
  if (!next) return std::nullopt;
  return std::pair(*next, due);
}

void AppController::playEffect(SoundService::Effect effect) {
  if (desktop_.sounds && desktop_.sounds->effectsEnabled) desktop_.sounds->playAlways(effect);
}

void AppController::remindNow(const Reminder& reminder) {
  if (engine_.active() || awareness_.active()) {
    // Something is already being asked: no second question, just a nod.
    if (GlimmetAnimator* animator = companion_->animator()) animator->react(GlimmetState::happy);
    return;
  }
  engine_.deliverNow(reminder);
}

void AppController::pause(std::optional<double> seconds) {
  if (engine_.active()) finishReminder(Resolution::timedOut());
  if (awareness_.active()) respondToCheckIn(CheckInResponse::Case::timedOut);
  engine_.pause(seconds);
  // Restated also when the presence stays: a new length of pause.
  presenceChanged(engine_.presence());
}

void AppController::resume() {
  engine_.resume();
  presenceChanged(engine_.presence());
  awareness_.evaluate();
}

void AppController::preview(GlimmetState state) {
  previewAttempt(state, addSeconds(time_.now(), previewRetryLimit));
}

void AppController::previewAttempt(GlimmetState state, Date giveUpAt) {
  previewRetry_.reset();
  GlimmetAnimator* animator = companion_->animator();
  if (companion_->panel().isVisible()) {
    if (!animator) return;
    if (GlimmetAnimator::isBaseState(state)) {
      animator->setBase(state);
      previewRest_ = time_.callAfter(Seconds(previewRestDelay), Seconds(0.1), [this] {
        auto keep = std::move(previewRest_);
        if (reminderOrCheckInShown()) return;
        if (GlimmetAnimator* a = companion_->animator()) a->setBase(restState());
      });
    } else if (GlimmetAnimator::reactionLength(state)) {
      animator->react(state);
    }
    return;
  }
  // A character that cannot come on screen (a quiet full screen) is waited
  // for a moment only; then the preview is dropped.
  if (!(time_.now() < giveUpAt)) return;
  if (!model_->settings().showCompanion) {
    AppSettings s = model_->settings();
    s.showCompanion = true;
    model_->setSettings(std::move(s));
  }
  previewRetry_ =
      time_.callAfter(Seconds(previewRetryInterval), Seconds(0.05), [this, state, giveUpAt] {
        auto keep = std::move(previewRetry_);
        previewAttempt(state, giveUpAt);
      });
}

}  // namespace pimble
