#pragma once

#include "models/json_coding.h"

namespace pimble {

// Scale of all the character's motion: reduced halves it, off stops it.
enum class AnimationIntensity { normal, reduced, off };

PIMBLE_ENUM_NAMES(AnimationIntensity, {{AnimationIntensity::normal, "normal"},
                                       {AnimationIntensity::reduced, "reduced"},
                                       {AnimationIntensity::off, "off"}});

}  // namespace pimble
