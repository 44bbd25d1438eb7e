#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "models/json_coding.h"

namespace pimble {

// The short scripted things the idle character does now and then.
enum class IdleBehavior {
  yawn,
  miniStretch,
  hum,
  wink,
  peek,
  nod,
  twirl,
  sneeze,
  hiccups,
  peekaboo,
  whirlwind,
};

PIMBLE_ENUM_NAMES(IdleBehavior, {{IdleBehavior::yawn, "yawn"},
                                 {IdleBehavior::miniStretch, "miniStretch"},
                                 {IdleBehavior::hum, "hum"},
                                 {IdleBehavior::wink, "wink"},
                                 {IdleBehavior::peek, "peek"},
                                 {IdleBehavior::nod, "nod"},
                                 {IdleBehavior::twirl, "twirl"},
                                 {IdleBehavior::sneeze, "sneeze"},
                                 {IdleBehavior::hiccups, "hiccups"},
                                 {IdleBehavior::peekaboo, "peekaboo"},
                                 {IdleBehavior::whirlwind, "whirlwind"}});

inline constexpr std::array<IdleBehavior, 11> allIdleBehaviors = {
    IdleBehavior::yawn,    IdleBehavior::miniStretch, IdleBehavior::hum,      IdleBehavior::wink,
    IdleBehavior::peek,    IdleBehavior::nod,         IdleBehavior::twirl,    IdleBehavior::sneeze,
    IdleBehavior::hiccups, IdleBehavior::peekaboo,    IdleBehavior::whirlwind};
// The ordinary ones, in case order.
inline constexpr std::array<IdleBehavior, 6> occasionalIdleBehaviors = {
    IdleBehavior::yawn, IdleBehavior::miniStretch, IdleBehavior::hum,
    IdleBehavior::wink, IdleBehavior::peek,        IdleBehavior::nod};
// The rare surprises, which the surprises setting allows.
inline constexpr std::array<IdleBehavior, 5> rareIdleBehaviors = {
    IdleBehavior::twirl, IdleBehavior::sneeze, IdleBehavior::hiccups, IdleBehavior::peekaboo,
    IdleBehavior::whirlwind};

// The name the settings' behaviour preview lists.
constexpr std::string_view displayName(IdleBehavior behavior) {
  switch (behavior) {
    case IdleBehavior::yawn:
      return "Yawn";
    case IdleBehavior::miniStretch:
      return "Little stretch";
    case IdleBehavior::hum:
      return "Humming";
    case IdleBehavior::wink:
      return "Wink";
    case IdleBehavior::peek:
      return "Curious peek";
    case IdleBehavior::nod:
      return "Sleepy nod";
    case IdleBehavior::twirl:
      return "Twirl";
    case IdleBehavior::sneeze:
      return "Sneeze";
    case IdleBehavior::hiccups:
      return "Hiccups";
    case IdleBehavior::peekaboo:
      return "Peekaboo";
    case IdleBehavior::whirlwind:
      return "Whirlwind";
  }
  return "";
}

inline std::optional<IdleBehavior> idleBehaviorFromRawValue(std::string_view text) {
  return enumFromName<IdleBehavior>(text);
}

}  // namespace pimble
