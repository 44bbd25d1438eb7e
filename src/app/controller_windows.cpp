// The settings window: made on the first request and kept for the life of
// the process; every request brings the same window back.
#include "app/app_controller.h"
#include "settings/settings_window_controller.h"

namespace pimble {

void AppController::openSettings(std::optional<SettingsTab> tab) {
  if (!settingsWindow_) {
    settingsWindow_ = std::make_unique<SettingsWindowController>(*model_);
    settingsWindow_->onQuit = [this] { quit(); };
  }
  settingsWindow_->show(tab);
}

}  // namespace pimble
