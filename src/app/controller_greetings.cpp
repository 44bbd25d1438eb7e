// The character's tiny messages: greetings at launch, after an absence and
// after a completed reminder, offered when the moment suits and chosen by
// the greeting director. The short-lived speech bubbles that carry
// information (a message, today's progress) and their one pending close.
// Previews of greetings and idle behaviours.
#include <QString>
#include <algorithm>

#include "app/app_controller.h"
#include "bubbles/bubble_panel_controller.h"
#include "bubbles/greeting_bubble_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"
#include "models/day_part.h"
#include "models/greeting_lines.h"

namespace pimble {

void AppController::maybeGreet(const GreetingMoment& moment) {
  const Date now = time_.now();
  GreetingDirector::Context context;
  context.now = now;
  context.calendar = engine_.environment.calendar;
  context.setting = model_->settings().tinyMessages;
  context.blocked = greetingBlocked();
  context.recentlyInteracted =
      lastInteractionAt_ && (now - *lastInteractionAt_).count() < recentInteraction;
  context.nextBreak = nextBreak();
  const std::optional<std::string> line = greeter_.line(moment, context, greetingDraw);
  if (!line) return;
  // What was said is on disk before it shows: the spacing holds across a
  // restart.
  store_.save(greeter_.memory, "greetings");
  greeting_->show(QString::fromStdString(*line), model_->settings().bubbleStyle, greetingSeconds);
  GlimmetAnimator* animator = companion_->animator();
  if (animator && animator->base() == GlimmetState::idle) animator->react(GlimmetState::happy);
}

void AppController::scheduleGreeting(double seconds, const GreetingMoment& moment) {
  const std::uint64_t id = nextGreetingId_++;
  PendingGreeting& pending = pendingGreetings_[id];
  pending.moment = moment;
  pending.call = time_.callAfter(Seconds(seconds), Seconds(0.1), [this, id] {
    auto it = pendingGreetings_.find(id);
    if (it == pendingGreetings_.end()) return;
    PendingGreeting done = std::move(it->second);
    pendingGreetings_.erase(it);
    maybeGreet(done.moment);
  });
}

std::vector<std::pair<Date, GreetingMoment>> AppController::pendingGreetings() const {
  std::vector<std::pair<Date, GreetingMoment>> pending;
  for (const auto& [id, p] : pendingGreetings_) pending.emplace_back(p.call->dueDate(), p.moment);
  std::stable_sort(pending.begin(), pending.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return pending;
}

bool AppController::greetingBlocked() const {
  if (!companion_->panel().isVisible()) return true;
  if (!model_->settings().onboardingCompleted) return true;
  if (engine_.active() || awareness_.active()) return true;
  if (bubble_->isShown() || showingIntentionForm() || previewingCheckIn()) return true;
  if (awareness_.intention()) return true;
  if (awareness_.mode() == AwarenessMode::night) return true;
  if (engine_.presence() != ReminderEngine::Presence::awake) return true;
  if (engine_.pausedIndefinitely() || engine_.pausedUntil()) return true;
  if (fullscreenQuiet_) return true;
  return !quietGuard_.blockers(frontmost_).empty();
}

std::optional<GreetingDirector::NextBreak> AppController::nextBreak() const {
  const auto next = nextDue();
  if (!next) return std::nullopt;
  return GreetingDirector::NextBreak{next->first.kind, next->second};
}

void AppController::previewGreeting() {
  if (!companion_->panel().isVisible()) {
    AppSettings s = model_->settings();
    s.showCompanion = true;
    model_->setSettings(std::move(s));
  }
  const Calendar& calendar = engine_.environment.calendar;
  // The small hours have no greetings of their own: the evening's serve.
  const DayPart part = dayPart(calendar.hour(time_.now())).value_or(DayPart::evening);
  std::vector<std::string> lines = GreetingLines::greeting(part);
  if (model_->settings().tinyMessages == TinyMessages::greetingsAndNudges) {
    const auto& cute = GreetingLines::cute();
    lines.insert(lines.end(), cute.begin(), cute.end());
  }
  greetingPreview_ = time_.callAfter(
      Seconds(greetingPreviewDelay), Seconds(0.05), [this, lines = std::move(lines)] {
        auto keep = std::move(greetingPreview_);
        if (lines.empty()) return;
        const double draw = std::clamp(greetingDraw ? greetingDraw() : 0.0, 0.0, 1.0);
        const auto index = std::min(
            lines.size() - 1, static_cast<std::size_t>(draw * static_cast<double>(lines.size())));
        greeting_->show(QString::fromStdString(lines[index]), model_->settings().bubbleStyle,
                        greetingSeconds);
      });
}

void AppController::noteInteraction() {
  lastInteractionAt_ = time_.now();
}

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
