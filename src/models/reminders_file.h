#pragma once

#include <vector>

#include "models/json_coding.h"
#include "models/reminder.h"

namespace pimble {

// The "reminders" document: the user's reminders in their order.
struct RemindersFile {
  std::vector<Reminder> reminders;

  Json toJson() const;
  static RemindersFile fromJson(const Json& j);
  friend bool operator==(const RemindersFile&, const RemindersFile&) = default;
};

}  // namespace pimble
