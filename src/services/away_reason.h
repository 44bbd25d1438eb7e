#pragma once

#include "models/json_coding.h"

namespace pimble {

// Why the user is away; the reminder engine and the activity tracker each keep
// the reasons in force as a set, and any member means away.
enum class AwayReason { systemSleep, screensOff, screenLocked };

PIMBLE_ENUM_NAMES(AwayReason, {{AwayReason::systemSleep, "systemSleep"},
                               {AwayReason::screensOff, "screensOff"},
                               {AwayReason::screenLocked, "screenLocked"}});

}  // namespace pimble
