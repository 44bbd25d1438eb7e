#pragma once

#include <optional>
#include <string_view>

#include "models/json_coding.h"

namespace pimble {

// What the character is doing or showing; the animator, the rig, the
// controller, the previews and the render tools all speak in it.
enum class GlimmetState {
  idle,
  happy,
  water,
  stretch,
  eyeRest,
  sleeping,
  wakeUp,
  reminder,
  celebration,
  posture,
  walk,
  rest,
  checkIn,
  petted,
};

PIMBLE_ENUM_NAMES(GlimmetState, {{GlimmetState::idle, "idle"},
                                 {GlimmetState::happy, "happy"},
                                 {GlimmetState::water, "water"},
                                 {GlimmetState::stretch, "stretch"},
                                 {GlimmetState::eyeRest, "eyeRest"},
                                 {GlimmetState::sleeping, "sleeping"},
                                 {GlimmetState::wakeUp, "wakeUp"},
                                 {GlimmetState::reminder, "reminder"},
                                 {GlimmetState::celebration, "celebration"},
                                 {GlimmetState::posture, "posture"},
                                 {GlimmetState::walk, "walk"},
                                 {GlimmetState::rest, "rest"},
                                 {GlimmetState::checkIn, "checkIn"},
                                 {GlimmetState::petted, "petted"}});

// The label the contact sheet writes under each pose.
std::string_view displayName(GlimmetState state);
inline std::string_view rawValue(GlimmetState state) {
  return enumName(state);
}
inline std::optional<GlimmetState> glimmetStateFromRawValue(std::string_view text) {
  return enumFromName<GlimmetState>(text);
}

}  // namespace pimble
