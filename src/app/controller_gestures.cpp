// The user touching the character: a click, a double click, a right click,
// petting; where its eyes are on screen and where they look.
#include <QMenu>

#include "app/app_controller.h"
#include "app/menu_builder.h"
#include "bubbles/bubble_panel_controller.h"
#include "bubbles/greeting_bubble_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"

namespace pimble {

void AppController::glimmetClicked() {
  noteInteraction();
  greeting_->hide(true);
  playEffect(SoundService::Effect::click);
  GlimmetAnimator* animator = companion_->animator();
  const std::optional<GlimmetState> state =
      animator ? std::optional(animator->base()) : std::nullopt;
  // A check-in whose bubble was closed comes back on a click; one still
  // shown needs nothing more.
  if (const auto& checkIn = awareness_.active()) {
    if (!bubble_->isShown())
      showBubble(BubbleUse::checkIn, BubbleContent::checkIn(*checkIn), checkIn->id);
    return;
  }
  if (bubble_->isShown() && engine_.active()) return;
  if (!animator || !state) return;
  if (*state == GlimmetState::sleeping)
    animator->react(GlimmetState::wakeUp);
  else if (*state == GlimmetState::idle)
    animator->react(GlimmetState::happy);
}

void AppController::petted() {
  // Rubbing counts as touching the character even with petting off.
  noteInteraction();
  if (!model_->settings().petting) return;
  if (reminderOrCheckInShown() || showingIntentionForm()) return;
  GlimmetAnimator* animator = companion_->animator();
  if (!animator) return;
  if (animator->base() == GlimmetState::idle) {
    animator->react(GlimmetState::petted);
    playEffect(SoundService::Effect::click);
  } else if (animator->base() == GlimmetState::sleeping) {
    animator->react(GlimmetState::wakeUp);
  }
}

void AppController::showQuickActions() {
  if (reminderOrCheckInShown()) return;
  showBubble(BubbleUse::info, BubbleContent::quickActions());
  scheduleInfoBubbleClose(quickActionsCloseDelay);
}

void AppController::quickAction(QuickAction action) {
  switch (action) {
    case QuickAction::water:
    case QuickAction::stretch: {
      // The first of that kind, switched on or not; without one the quick
      // actions stay up until their close.
      const ReminderKind kind =
          action == QuickAction::water ? ReminderKind::water : ReminderKind::stretch;
      for (const Reminder& reminder : model_->reminders()) {
        if (reminder.kind != kind) continue;
        hideBubble();
        remindNow(reminder);
        return;
      }
      return;
    }
    case QuickAction::pause30:
      hideBubble();
      pause(1800);
      return;
    case QuickAction::progress:
      showBubble(BubbleUse::info,
                 BubbleContent::progress(model_->progress().summary(model_->now())));
      scheduleInfoBubbleClose(progressCloseDelay);
      return;
    case QuickAction::settings:
      hideBubble();
      openSettings(std::nullopt);
      return;
  }
}

std::optional<QPointF> AppController::eyeScreenPoint() const {
  if (!companion_ || !companion_->panel().isVisible()) return std::nullopt;
  // The point between the eyes, (110, 182) on the 220 × 310 canvas counted
  // up from its bottom edge; the canvas fills the window's height and is
  // centred across it.
  const QRectF frame = companion_->frame();
  const double scale = frame.height() / GlimmetHostView::canvasHeight;
  return QPointF(frame.x() + frame.width() / 2, frame.y() + 182 * scale);
}

void AppController::look(std::optional<QPointF> offset) {
  GlimmetAnimator* animator = companion_->animator();
  // Sleeping or resting eyes do not follow anything.
  if (animator &&
      (animator->base() == GlimmetState::sleeping || animator->base() == GlimmetState::eyeRest))
    return;
  if (GlimmetRig* rig = companion_->hostView().figure().rig()) rig->look(offset);
}

}  // namespace pimble
