#pragma once

#include <QImage>
#include <map>

#include "models/glimmet_state.h"

namespace pimble {

// The tour's still pictures of the character, one per pose its pages show,
// drawn offscreen once when a tour window is built.
namespace OnboardingPoses {

// The states pictured, in the order they are drawn.
inline constexpr GlimmetState states[] = {GlimmetState::happy,       GlimmetState::water,
                                          GlimmetState::checkIn,     GlimmetState::stretch,
                                          GlimmetState::celebration, GlimmetState::idle};

// 440 × 620 pixels each, at a device pixel ratio of 2 (the character's
// 220 × 310-point canvas), always with the red cape shown, whatever the
// user's own cape. A picture that cannot be drawn is left out.
std::map<GlimmetState, QImage> render();

}  // namespace OnboardingPoses
}  // namespace pimble
