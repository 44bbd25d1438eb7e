#pragma once

#include <string_view>

#include "models/json_coding.h"

namespace pimble {

// The one-click actions the character offers when double-clicked. A stored or
// passed name is read back with enumFromName, which matches letter case exactly.
enum class QuickAction { water, stretch, pause30, progress, settings };

PIMBLE_ENUM_NAMES(QuickAction, {{QuickAction::water, "water"},
                                {QuickAction::stretch, "stretch"},
                                {QuickAction::pause30, "pause30"},
                                {QuickAction::progress, "progress"},
                                {QuickAction::settings, "settings"}});

// The button title, shown as it is.
std::string_view quickActionTitle(QuickAction action);
// The symbol image shown with the title.
std::string_view quickActionSymbol(QuickAction action);

}  // namespace pimble
