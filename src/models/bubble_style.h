#pragma once

#include "models/json_coding.h"

namespace pimble {

// Look of the speech bubbles.
enum class BubbleStyle { soft, glass, solid };

PIMBLE_ENUM_NAMES(BubbleStyle, {{BubbleStyle::soft, "soft"},
                                {BubbleStyle::glass, "glass"},
                                {BubbleStyle::solid, "solid"}});

}  // namespace pimble
