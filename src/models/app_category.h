#pragma once

#include "models/json_coding.h"

namespace pimble {

// Kind of a watched application; it chooses the check-in wording.
enum class AppCategory { work, social, video, game, other };

PIMBLE_ENUM_NAMES(AppCategory, {{AppCategory::work, "work"},
                                {AppCategory::social, "social"},
                                {AppCategory::video, "video"},
                                {AppCategory::game, "game"},
                                {AppCategory::other, "other"}});

}  // namespace pimble
