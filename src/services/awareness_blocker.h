#pragma once

#include "models/json_coding.h"

namespace pimble {

// Why a due check-in has to wait right now. The interruption guard yields
// `call` and `fullscreen`; the owner adds `busy` and `paused`. Known inside the
// engine as AwarenessEngine::Blocker.
enum class AwarenessBlocker { call, fullscreen, busy, paused };

PIMBLE_ENUM_NAMES(AwarenessBlocker, {{AwarenessBlocker::call, "call"},
                                     {AwarenessBlocker::fullscreen, "fullscreen"},
                                     {AwarenessBlocker::busy, "busy"},
                                     {AwarenessBlocker::paused, "paused"}});

}  // namespace pimble
