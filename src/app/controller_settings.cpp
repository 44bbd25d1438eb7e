// Settings reach every engine, service and window here, field by field
// against the value applied last; and the awareness mode's effects on
// sounds, motion and the reminder kinds held back.
#include <set>

#include "app/app_controller.h"
#include "bubbles/bubble_panel_controller.h"
#include "companion/cape_rig.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"

namespace pimble {
namespace {

// The reminder kinds a mode holds back.
std::set<ReminderKind> heldBack(AwarenessMode mode) {
  if (mode == AwarenessMode::relax) return {ReminderKind::posture, ReminderKind::takeBreak};
  return {};
}

}  // namespace

void AppController::applySettings(const AppSettings& s, bool initial) {
  // The reference for "changed" is the value applied last, taken before
  // anything is applied, so a settings change made while applying (a
  // nested call) compares against this one.
  const std::optional<AppSettings> previous = appliedSettings_;
  appliedSettings_ = s;
  auto changed = [&](auto field) {
    return initial || !previous || !(field(*previous) == field(s));
  };

  GlimmetAnimator* animator = companion_->animator();
  GlimmetRig* rig = companion_->hostView().figure().rig();

  applyModeEffects(s);

  quietGuard_.settings = s.stayQuiet;
  quietGuard_.mediaApps.clear();
  for (const WatchedApp& app : s.awareness.apps) {
    if (app.category == AppCategory::video || app.category == AppCategory::game)
      quietGuard_.mediaApps.insert(app.bundleID);
  }

  if (rig && changed([](const AppSettings& a) { return a.showCape; }))
    rig->cape.setVisible(s.showCape);
  // The stored colour is the first one drawn: only a change the user makes
  // cross-fades.
  if (rig && changed([](const AppSettings& a) { return a.capeColor; }))
    rig->setCapeColor(s.capeColor, !initial);
  if (changed([](const AppSettings& a) { return a.followCursor; }) ||
      changed([](const AppSettings& a) { return a.animationIntensity; })) {
    updateCursorFollowing();
  }
  // Rubbing the head does nothing at all while petting is off.
  if (s.petting)
    companion_->hostView().onPet = [this] { petted(); };
  else
    companion_->hostView().onPet = nullptr;

  if (animator) {
    animator->liveliness = s.liveliness;
    animator->surprisesEnabled = s.surprises;
  }
  if (rig) rig->surprisesEnabled = s.surprises;

  if (changed([](const AppSettings& a) { return a.companionSize; }))
    companion_->apply(s.companionSize, !initial);
  if (changed([](const AppSettings& a) { return a.alwaysOnTop; })) {
    companion_->panel().setAlwaysOnTop(s.alwaysOnTop);
    bubble_->setAlwaysOnTop(s.alwaysOnTop);
    if (initial) companion_->restore(s.position);
  }
  if (changed([](const AppSettings& a) { return a.showCompanion; })) updateCompanionVisibility();

  engine_.quietHours = s.quietHours;
  engine_.idleDetectionEnabled = s.idleDetectionEnabled;
  engine_.idleThreshold = double(std::max<std::int64_t>(s.idleThresholdMinutes, 1)) * 60.0;

  // Start-up applies the awareness settings, evaluates both engines and
  // refreshes the quiet state itself.
  if (!initial) {
    engine_.evaluate();
    if (!previous || !(previous->awareness == s.awareness) || !(previous->modes == s.modes)) {
      awareness_.apply(s.awareness, s.modes, true);
      // The engine may have dropped the shown check-in, or replaced it with
      // another: what shows the old one goes.
      withdrawStaleCheckIn();
      publishAwareness();
    }
    if (!previous || !(previous->stayQuiet == s.stayQuiet)) refreshQuietState();
  }

  if (changed([](const AppSettings& a) { return a.awareness.intentionShortcut; }))
    applyIntentionShortcut(s.awareness.intentionShortcut);
}

void AppController::applyIntentionShortcut(bool on) {
  if (!desktop_.shortcut) return;
  // At most one grab at any time: the old one goes first.
  if (desktop_.shortcut->isRegistered()) desktop_.shortcut->unregisterKey();
  if (!on) return;
  // A key another program holds stays silently unavailable; the next
  // change of the setting tries again.
  // The same form the menus and the settings open: no target, no prompt.
  desktop_.shortcut->registerKey([this] { openIntentionForm(); });
}

void AppController::applyModeEffects(const AppSettings& s) {
  // The night silences the interface sounds and calms the motion.
  const bool night = awareness_.mode() == AwarenessMode::night;
  if (desktop_.sounds) desktop_.sounds->effectsEnabled = s.soundEffects && !night;
  if (!companion_) return;
  companion_->setIntensity(effectiveIntensity(s.animationIntensity));
  if (GlimmetAnimator* animator = companion_->animator()) animator->nightMode = night;
}

void AppController::takeLaunchMode() {
  awareness_.takeMode(model_->settings().modes);
  engine_.setSuppressedKinds(heldBack(awareness_.mode()));
}

void AppController::modeChanged(AwarenessMode mode) {
  model_->setMode(mode);
  engine_.setSuppressedKinds(heldBack(mode));
  applyModeEffects(model_->settings());
  // The kinds held back change the next reminder.
  model_->setNextReminderSummary(nextReminderSummary());
}

}  // namespace pimble
