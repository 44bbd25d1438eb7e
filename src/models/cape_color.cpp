#include "models/cape_color.h"

namespace pimble {

namespace {
constexpr CapePalette kPalettes[] = {
    // red
    {{1.0, 0.42, 0.40, 1},
     {0.93, 0.20, 0.22, 1},
     {0.70, 0.07, 0.13, 1},
     {0.56, 0.05, 0.10, 1},
     {0.42, 0.00, 0.06, 0.34},
     {1.0, 0.85, 0.85, 0.32}},
    // blue
    {{0.47, 0.64, 1.0, 1},
     {0.20, 0.38, 0.90, 1},
     {0.11, 0.21, 0.64, 1},
     {0.08, 0.14, 0.46, 1},
     {0.03, 0.07, 0.30, 0.34},
     {0.86, 0.92, 1.0, 0.34}},
    // lavender
    {{0.84, 0.77, 1.0, 1},
     {0.64, 0.52, 0.95, 1},
     {0.44, 0.33, 0.77, 1},
     {0.33, 0.23, 0.62, 1},
     {0.22, 0.12, 0.45, 0.30},
     {0.97, 0.94, 1.0, 0.40}},
    // pink
    {{1.0, 0.77, 0.86, 1},
     {0.97, 0.53, 0.69, 1},
     {0.81, 0.33, 0.51, 1},
     {0.64, 0.23, 0.41, 1},
     {0.48, 0.10, 0.28, 0.28},
     {1.0, 0.94, 0.97, 0.42}},
    // green
    {{0.50, 0.82, 0.57, 1},
     {0.23, 0.61, 0.37, 1},
     {0.11, 0.41, 0.23, 1},
     {0.07, 0.30, 0.16, 1},
     {0.02, 0.18, 0.08, 0.34},
     {0.88, 1.0, 0.90, 0.32}},
    // midnight
    {{0.40, 0.42, 0.63, 1},
     {0.20, 0.21, 0.39, 1},
     {0.09, 0.09, 0.21, 1},
     {0.05, 0.05, 0.13, 1},
     {0.00, 0.00, 0.05, 0.40},
     {0.80, 0.84, 1.0, 0.42}},
    // gold
    {{1.0, 0.87, 0.47, 1},
     {0.96, 0.71, 0.20, 1},
     {0.79, 0.51, 0.09, 1},
     {0.61, 0.37, 0.05, 1},
     {0.42, 0.22, 0.00, 0.30},
     {1.0, 0.97, 0.85, 0.45}},
};
}  // namespace

const CapePalette& palette(CapeColor color) {
  const auto index = static_cast<size_t>(color);
  return kPalettes[index < std::size(kPalettes) ? index : 0];
}

std::array<double, 3> swatch(CapeColor color) {
  const RgbaColor& base = palette(color).base;
  return {base.red, base.green, base.blue};
}

std::string_view displayName(CapeColor color) {
  switch (color) {
    case CapeColor::red:
      return "Hero Red";
    case CapeColor::blue:
      return "Royal Blue";
    case CapeColor::lavender:
      return "Lavender";
    case CapeColor::pink:
      return "Blush Pink";
    case CapeColor::green:
      return "Forest Green";
    case CapeColor::midnight:
      return "Midnight";
    case CapeColor::gold:
      return "Golden";
  }
  return "Hero Red";
}

}  // namespace pimble
