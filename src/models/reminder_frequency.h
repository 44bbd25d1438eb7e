#pragma once

#include <cstdint>
#include <optional>

#include "models/json_coding.h"
#include "models/reminder_kind.h"

namespace pimble {

// Intensity presets the first-run tour uses to rewrite the built-in intervals.
enum class ReminderFrequency { gentle, balanced, frequent };

PIMBLE_ENUM_NAMES(ReminderFrequency, {{ReminderFrequency::gentle, "gentle"},
                                      {ReminderFrequency::balanced, "balanced"},
                                      {ReminderFrequency::frequent, "frequent"}});

// The built-in interval of `kind` scaled by the preset and rounded to the
// nearest 5 minutes (halves up), at least 5; nothing for custom reminders.
std::optional<std::int64_t> minutes(ReminderFrequency frequency, ReminderKind kind);

}  // namespace pimble
