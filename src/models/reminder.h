#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "models/json_coding.h"
#include "models/reminder_kind.h"
#include "models/uuid.h"

namespace pimble {

// One recurring wellness prompt with its own wording, interval and snooze.
struct Reminder {
  Uuid id = Uuid::generate();
  ReminderKind kind = ReminderKind::custom;
  std::string title = "Custom";
  std::string message;
  std::int64_t intervalMinutes = 60;  // every use counts it as at least 1
  bool isEnabled = true;
  bool soundEnabled = false;
  std::int64_t snoozeMinutes = 10;  // every use counts it as at least 1
  bool respectsQuietHours = true;

  // The six built-in reminders, each with a new id.
  static std::vector<Reminder> defaults();
  // Countdowns, notifications and answers are keyed by identifier, so a list
  // (a hand-edited file) with one identifier twice keeps it on the first
  // reminder and gives each later one a fresh identifier.
  static void makeIdsUnique(std::vector<Reminder>& reminders);
  // The title a stored reminder without one gets.
  static std::string_view fallbackTitle(ReminderKind kind);

  Json toJson() const;
  static Reminder fromJson(const Json& j);
  friend bool operator==(const Reminder&, const Reminder&) = default;
};

}  // namespace pimble
