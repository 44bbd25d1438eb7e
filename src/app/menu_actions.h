#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "models/awareness_mode.h"
#include "models/date.h"
#include "models/intention.h"
#include "models/reminder.h"
#include "models/session_preset.h"

namespace pimble {

enum class SettingsTab;

// What the status menu and the character's context menu read of the
// application controller and ask of it. The controller is its only
// implementation; the menus hold it for no longer than they are open.
class MenuActions {
 public:
  virtual ~MenuActions() = default;

  // The character is switched on.
  virtual bool companionVisible() const = 0;
  // The enabled reminders, in list order.
  virtual std::vector<Reminder> enabledReminders() const = 0;
  virtual std::optional<Date> pausedUntil() const = 0;
  virtual bool pausedIndefinitely() const = 0;
  // One line on the running intention or session; none without one.
  virtual std::optional<std::string> intentionStatus() const = 0;
  virtual AwarenessMode mode() const = 0;
  // Ctrl+Alt+I opens the intention form: switched on in the settings and
  // the key really taken.
  virtual bool intentionShortcutActive() const = 0;

  // Brings the character onto the desktop.
  virtual void summonCompanion() = 0;
  // Switches a shown character off, or brings a hidden one back.
  virtual void toggleCompanion() = 0;
  // Shows that reminder now.
  virtual void remindNow(const Reminder& reminder) = 0;
  // Pauses reminders for that many seconds; none pauses until resumed.
  virtual void pause(std::optional<double> seconds) = 0;
  virtual void resume() = 0;
  virtual void openIntentionForm() = 0;
  virtual void endIntention(Intention::Status status) = 0;
  virtual void extendIntention(std::int64_t minutes) = 0;
  virtual void startSession(const SessionPreset& preset) = 0;
  virtual void setMode(AwarenessMode mode) = 0;
  // Today's progress in the speech bubble.
  virtual void showProgress() = 0;
  // The settings window, on that tab or on the one it showed last.
  virtual void openSettings(std::optional<SettingsTab> tab) = 0;
  // Writes everything once, then ends the program.
  virtual void quit() = 0;
};

}  // namespace pimble
