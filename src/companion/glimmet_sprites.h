#pragma once

#include <QImage>
#include <map>

#include "companion/glimmet_pose.h"

namespace pimble {

// The sparkle colours.
enum class StarStyle { gold, pink, sky };
inline constexpr StarStyle allStarStyles[] = {StarStyle::gold, StarStyle::pink, StarStyle::sky};

// Every picture of the character, drawn once at one pixel scale; the rig
// only moves, turns, fades and swaps them. Images are implicitly shared.
struct GlimmetSprites {
  QImage body;
  std::map<EyeStyle, QImage> eyes;
  std::map<MouthStyle, QImage> mouths;
  QImage cheek;
  std::map<HandKey, QImage> hands;
  QImage bottle;
  QImage cup;
  QImage clock;
  QImage scarf;       // drawn in the red cape palette
  QImage scarfTails;  // drawn in the red cape palette
  QImage steam;
  QImage zee;
  std::map<StarStyle, QImage> stars;
  QImage heart;
  QImage note;
  QImage droplet;
  QImage moon;
  QImage chevron;
  QImage alert;
  QImage shadow;
};

}  // namespace pimble
