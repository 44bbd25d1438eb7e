#pragma once

#include <functional>

#include "models/companion_corner.h"
#include "models/reminder_kind.h"

namespace pimble {

// The tour's commands, filled in by the application controller when it
// starts a tour. Each starts as a command that does nothing.
struct OnboardingActions {
  // The character flies onto the desktop anew (hidden first if visible).
  std::function<void()> flyIn = [] {};
  // The first reminder of that kind is shown now as a real reminder; one
  // already showing is skipped first. Nothing without such a reminder.
  std::function<void(ReminderKind)> tryReminder = [](ReminderKind) {};
  // The character flies to that corner of its screen.
  std::function<void(CompanionCorner)> moveToCorner = [](CompanionCorner) {};
  // The tour ends; true when skipped or closed. The tour window's own
  // controller puts its handler here.
  std::function<void(bool)> finish = [](bool) {};
};

}  // namespace pimble
