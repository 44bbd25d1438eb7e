#pragma once

#include <functional>
#include <optional>

#include "companion/idle_behavior.h"
#include "models/awareness_mode.h"
#include "models/companion_corner.h"
#include "models/glimmet_state.h"
#include "models/reminder.h"

namespace pimble {

// The commands the views call, filled in once by the controller at start.
// Each starts as a command that does nothing, so a view used before the
// controller is ready has no effect.
struct AppActions {
  // Shows the character in that state as a preview.
  std::function<void(GlimmetState)> preview = [](GlimmetState) {};
  // Delivers that reminder now.
  std::function<void(const Reminder&)> remindNow = [](const Reminder&) {};
  // Pauses reminders for that many seconds; nothing pauses until resumed.
  std::function<void(std::optional<double>)> pause = [](std::optional<double>) {};
  std::function<void()> resume = [] {};
  // Sends the character to that corner of its screen.
  std::function<void(CompanionCorner)> moveToCorner = [](CompanionCorner) {};
  // Sends the character back to its default place.
  std::function<void()> resetPosition = [] {};
  std::function<void()> showProgressBubble = [] {};
  std::function<void(AwarenessMode)> setMode = [](AwarenessMode) {};
  // Deletes the watched-application history.
  std::function<void()> clearActivity = [] {};
  // Publishes the mode, today's activity and the quiet status again.
  std::function<void()> refreshAwareness = [] {};
  std::function<void()> previewCheckIn = [] {};
  std::function<void()> openIntentionForm = [] {};
  // Opens the first-run tour.
  std::function<void()> startOnboarding = [] {};
  // Plays that idle behaviour as a preview.
  std::function<void(IdleBehavior)> previewBehavior = [](IdleBehavior) {};
  std::function<void()> previewGreeting = [] {};
};

}  // namespace pimble
