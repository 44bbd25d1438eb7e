#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "models/json_coding.h"

namespace pimble {

// An sRGB colour with components between 0 and 1.
struct RgbaColor {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;
  friend bool operator==(const RgbaColor&, const RgbaColor&) = default;
};

// The user's choice of cape colour, stored in the settings by case name.
enum class CapeColor { red, blue, lavender, pink, green, midnight, gold };

PIMBLE_ENUM_NAMES(CapeColor, {{CapeColor::red, "red"},
                              {CapeColor::blue, "blue"},
                              {CapeColor::lavender, "lavender"},
                              {CapeColor::pink, "pink"},
                              {CapeColor::green, "green"},
                              {CapeColor::midnight, "midnight"},
                              {CapeColor::gold, "gold"}});

// The six colours the cape (and the scarf) is painted from. The first four
// are opaque and run light to dark; fold and shine are translucent strokes.
struct CapePalette {
  RgbaColor highlight;
  RgbaColor base;
  RgbaColor shade;
  RgbaColor lining;
  RgbaColor fold;
  RgbaColor shine;
  friend bool operator==(const CapePalette&, const CapePalette&) = default;
};

const CapePalette& palette(CapeColor color);
// The name the settings show for a colour ("Hero Red", …).
std::string_view displayName(CapeColor color);
// The settings' swatch: the red, green and blue of the palette's base colour.
std::array<double, 3> swatch(CapeColor color);

}  // namespace pimble
