#pragma once

#include "models/json_coding.h"

namespace pimble {

// A corner of a display's usable area that the character can be sent to.
enum class CompanionCorner { bottomRight, bottomLeft, topRight, topLeft };

PIMBLE_ENUM_NAMES(CompanionCorner, {{CompanionCorner::bottomRight, "bottomRight"},
                                    {CompanionCorner::bottomLeft, "bottomLeft"},
                                    {CompanionCorner::topRight, "topRight"},
                                    {CompanionCorner::topLeft, "topLeft"}});

}  // namespace pimble
