#pragma once

#include "models/json_coding.h"

namespace pimble {

// What a reminder is about; custom reminders are the user's own. Progress counts and nudges are
// keyed by the case name.
enum class ReminderKind { water, stretch, eyeRest, posture, walk, takeBreak, custom };

PIMBLE_ENUM_NAMES(ReminderKind, {{ReminderKind::water, "water"},
                                 {ReminderKind::stretch, "stretch"},
                                 {ReminderKind::eyeRest, "eyeRest"},
                                 {ReminderKind::posture, "posture"},
                                 {ReminderKind::walk, "walk"},
                                 {ReminderKind::takeBreak, "takeBreak"},
                                 {ReminderKind::custom, "custom"}});

}  // namespace pimble
