// The settings window: made on the first request and kept for the life of
// the process; every request brings the same window back. The first-run
// tour: one at a time, made when asked for and dropped when it ends.
#include <QWidget>
#include <algorithm>

#include "app/app_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/panel_keyboard.h"
#include "settings/onboarding_window_controller.h"
#include "settings/settings_window_controller.h"

namespace pimble {

void AppController::openSettings(std::optional<SettingsTab> tab) {
  if (!settingsWindow_) {
    settingsWindow_ = std::make_unique<SettingsWindowController>(*model_);
    settingsWindow_->onQuit = [this] { quit(); };
  }
  settingsWindow_->show(tab);
  // Asked for from the tray's menu or by a second start, while another
  // program is in front: some window managers (KWin at its high focus
  // stealing prevention) give no keyboard unless it is asked for the user.
  PanelKeyboard::instance().takeOnceShown(*settingsWindow_->window());
}

void AppController::startOnboarding() {
  if (onboarding_) {
    onboarding_->show();
    return;
  }
  // The tour's commands live only as long as this tour: the window that
  // holds them is dropped with it.
  OnboardingActions actions;
  actions.flyIn = [this] {
    if (companion_->panel().isVisible()) hideCompanion();
    summonCompanion();
  };
  actions.tryReminder = [this](ReminderKind kind) {
    const auto& reminders = model_->reminders();
    const auto it = std::find_if(reminders.begin(), reminders.end(),
                                 [kind](const Reminder& r) { return r.kind == kind; });
    if (it == reminders.end()) return;
    const Reminder reminder = *it;
    if (engine_.active()) finishReminder(Resolution::skip());
    remindNow(reminder);
  };
  actions.moveToCorner = [this](CompanionCorner corner) { companion_->move(corner); };
  onboarding_ = std::make_unique<OnboardingWindowController>(*model_, std::move(actions), [this] {
    return desktop_.loginItem ? desktop_.loginItem->status() : LaunchAtLogin::Status::notRegistered;
  });
  onboarding_->onFinish = [this](bool skipped) { finishOnboarding(skipped); };
  onboarding_->onQuit = [this] { quit(); };
  onboarding_->show();
}

void AppController::finishOnboarding(bool skipped) {
  if (!skipped && onboarding_ && desktop_.loginItem) {
    const bool wanted = onboarding_->state().openAtLogin();
    const bool registered = desktop_.loginItem->status() == LaunchAtLogin::Status::enabled;
    if (wanted != registered) {
      if (const auto error = desktop_.loginItem->set(wanted))
        LaunchAtLogin::logFailure(wanted, desktop_.loginItem->describe(*error));
      if (settingsWindow_) settingsWindow_->loginItemChanged();
    }
  }
  AppSettings settings = model_->settings();
  settings.onboardingCompleted = true;
  model_->setSettings(std::move(settings));
  model_->saveNow();
  // The report comes from inside the tour's own window (a button, its
  // close): the window goes once that has returned.
  if (onboarding_) {
    OnboardingWindowController* ended = onboarding_.release();
    ended->setParent(this);
    ended->deleteLater();
  }
  if (!engine_.active() && companion_->panel().isVisible()) {
    if (GlimmetAnimator* animator = companion_->animator())
      animator->react(GlimmetState::celebration);
  }
}

}  // namespace pimble
