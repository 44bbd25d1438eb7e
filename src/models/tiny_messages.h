#pragma once

#include "models/json_coding.h"

namespace pimble {

// Which short unprompted lines the character says: none, greetings and welcome-backs, or also
// cheers, nudges and cute lines.
enum class TinyMessages { off, greetings, greetingsAndNudges };

PIMBLE_ENUM_NAMES(TinyMessages, {{TinyMessages::off, "off"},
                                 {TinyMessages::greetings, "greetings"},
                                 {TinyMessages::greetingsAndNudges, "greetingsAndNudges"}});

}  // namespace pimble
