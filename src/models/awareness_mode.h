#pragma once

#include "models/json_coding.h"

namespace pimble {

// The part of the user's day: limits, wording and the character's behaviour depend on it.
enum class AwarenessMode { work, relax, night };

PIMBLE_ENUM_NAMES(AwarenessMode, {{AwarenessMode::work, "work"},
                                  {AwarenessMode::relax, "relax"},
                                  {AwarenessMode::night, "night"}});

}  // namespace pimble
