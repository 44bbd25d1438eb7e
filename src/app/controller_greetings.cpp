// The short-lived speech bubbles that carry information (a message, today's
// progress) and their one pending close; previews of idle behaviours.
#include "app/app_controller.h"
#include "bubbles/bubble_panel_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"

namespace pimble {

bool AppController::reminderOrCheckInShown() const {
  return engine_.active().has_value() || awareness_.active().has_value();
}

void AppController::showInfo(const std::string& title, const std::string& body) {
  // A message is said now or never: nothing is queued for later.
  if (!companion_->panel().isVisible()) return;
  if (reminderOrCheckInShown()) return;
  showBubble(BubbleUse::info, BubbleContent::message(title, body));
  scheduleInfoBubbleClose(messageCloseDelay);
}

void AppController::showProgress() {
  if (reminderOrCheckInShown()) return;
  if (!companion_->panel().isVisible()) {
    openSettings(SettingsTab::progress);
    return;
  }
  showBubble(BubbleUse::info, BubbleContent::progress(model_->progress().summary(model_->now())));
  scheduleInfoBubbleClose(progressCloseDelay);
}

void AppController::scheduleInfoBubbleClose(double seconds) {
  replacePendingClose(seconds, [this] {
    // A reminder or check-in that took the bubble over keeps it.
    if (reminderOrCheckInShown()) return;
    if (bubbleUse_ == BubbleUse::info) hideBubble();
  });
}

void AppController::replacePendingClose(double seconds, std::function<void()> work) {
  pendingClose_ = time_.callAfter(Seconds(seconds), Seconds(0.1), [this, work = std::move(work)] {
    // The handle goes first: `work` may schedule the next close.
    auto keep = std::move(pendingClose_);
    work();
  });
}

void AppController::cancelPendingClose() {
  pendingClose_.reset();
}

std::optional<Date> AppController::pendingCloseDue() const {
  if (!pendingClose_) return std::nullopt;
  return pendingClose_->dueDate();
}

void AppController::previewBehavior(IdleBehavior behavior) {
  if (!companion_->panel().isVisible()) {
    // A preview never brings back a character the user switched off; a
    // switched-on one that is not shown is asked for again.
    if (!model_->settings().showCompanion) return;
    model_->setSettings(model_->settings());
  }
  if (reminderOrCheckInShown()) return;
  GlimmetAnimator* animator = companion_->animator();
  GlimmetRig* rig = companion_->hostView().figure().rig();
  if (!animator || !rig) return;
  if (animator->reacting() || animator->base() != GlimmetState::idle) return;
  rig->perform(behavior);
}

}  // namespace pimble
