#pragma once

#include "models/json_coding.h"

namespace pimble {

// Size of the character's window.
enum class CompanionSize { small, medium, large };

PIMBLE_ENUM_NAMES(CompanionSize, {{CompanionSize::small, "small"},
                                  {CompanionSize::medium, "medium"},
                                  {CompanionSize::large, "large"}});

}  // namespace pimble
