#pragma once

#include "models/json_coding.h"

namespace pimble {

// The three reminder endings that progress counts.
enum class ReminderAction { done, snoozed, skipped };

PIMBLE_ENUM_NAMES(ReminderAction, {{ReminderAction::done, "done"},
                                   {ReminderAction::snoozed, "snoozed"},
                                   {ReminderAction::skipped, "skipped"}});

}  // namespace pimble
