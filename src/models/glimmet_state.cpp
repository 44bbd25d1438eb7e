#include "models/glimmet_state.h"

namespace pimble {

std::string_view displayName(GlimmetState state) {
  switch (state) {
    case GlimmetState::idle:
      return "Idle";
    case GlimmetState::happy:
      return "Happy";
    case GlimmetState::water:
      return "Water";
    case GlimmetState::stretch:
      return "Stretch";
    case GlimmetState::eyeRest:
      return "Eye rest";
    case GlimmetState::sleeping:
      return "Sleeping";
    case GlimmetState::wakeUp:
      return "Wake up";
    case GlimmetState::reminder:
      return "Reminder";
    case GlimmetState::celebration:
      return "Celebration";
    case GlimmetState::posture:
      return "Posture";
    case GlimmetState::walk:
      return "Walk";
    case GlimmetState::rest:
      return "Break";
    case GlimmetState::checkIn:
      return "Time check";
    case GlimmetState::petted:
      return "Petted";
  }
  return "Idle";
}

}  // namespace pimble
