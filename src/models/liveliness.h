#pragma once

#include "models/json_coding.h"

namespace pimble {

// The pace of the character's idle behaviours; stored in the settings.
enum class Liveliness { calm, lively };

PIMBLE_ENUM_NAMES(Liveliness, {{Liveliness::calm, "calm"}, {Liveliness::lively, "lively"}});

}  // namespace pimble
