#pragma once

#include <QPointF>
#include <optional>

#include "models/glimmet_state.h"

namespace pimble {

enum class EyeStyle { open, happy, calm, sleepy };
enum class MouthStyle { smile, grin, oval, calm };
enum class HandStyle { mitten, open };
enum class HandSide { left, right };
enum class GlimmetProp { none, bottle, cup, clock };

inline constexpr EyeStyle allEyeStyles[] = {EyeStyle::open, EyeStyle::happy, EyeStyle::calm,
                                            EyeStyle::sleepy};
inline constexpr MouthStyle allMouthStyles[] = {MouthStyle::smile, MouthStyle::grin,
                                                MouthStyle::oval, MouthStyle::calm};
inline constexpr HandStyle allHandStyles[] = {HandStyle::mitten, HandStyle::open};
inline constexpr HandSide allHandSides[] = {HandSide::left, HandSide::right};

// Keys the sprite set's hand images.
struct HandKey {
  HandStyle style = HandStyle::mitten;
  HandSide side = HandSide::left;
  friend bool operator==(const HandKey&, const HandKey&) = default;
  friend auto operator<=>(const HandKey&, const HandKey&) = default;
};

// How the character looks at rest in one situation: which face and hand
// images it shows, where its hands sit, what it holds, and how the whole
// figure is tilted, squashed and lowered about its foot point.
struct GlimmetPose {
  EyeStyle eyes = EyeStyle::open;
  MouthStyle mouth = MouthStyle::smile;
  QPointF handL;  // offset from the hand's base point; y grows downward
  QPointF handR;
  GlimmetProp prop = GlimmetProp::none;
  double tilt = 0;  // radians, positive turns counter-clockwise on screen
  double scaleX = 1;
  double scaleY = 1;
  double drop = 0;  // how far the figure sinks, in canvas units
  double cheekScale = 1;
  bool showArms = false;
  HandStyle handStyle = HandStyle::mitten;
  double armBulge = 24;
  std::optional<HandSide> raisedArm;

  // The pose a rig holds before it is given a state: the idle row.
  static GlimmetPose initial() { return {}; }
  static GlimmetPose forState(GlimmetState state);
  friend bool operator==(const GlimmetPose&, const GlimmetPose&) = default;
};

}  // namespace pimble
