#include "models/reminder_frequency.h"

#include <algorithm>
#include <cmath>

#include "models/reminder.h"

namespace pimble {

std::optional<std::int64_t> minutes(ReminderFrequency frequency, ReminderKind kind) {
  const auto builtIns = Reminder::defaults();
  const auto it = std::find_if(builtIns.begin(), builtIns.end(),
                               [kind](const Reminder& r) { return r.kind == kind; });
  if (it == builtIns.end()) return std::nullopt;
  double factor = 1.0;
  switch (frequency) {
    case ReminderFrequency::gentle:
      factor = 1.5;
      break;
    case ReminderFrequency::balanced:
      factor = 1.0;
      break;
    case ReminderFrequency::frequent:
      factor = 0.75;
      break;
  }
  // std::round takes halves away from zero: 4.5 steps of 5 minutes become 5.
  const double steps = std::round(static_cast<double>(it->intervalMinutes) * factor / 5.0);
  return std::max<std::int64_t>(static_cast<std::int64_t>(steps) * 5, 5);
}

}  // namespace pimble
