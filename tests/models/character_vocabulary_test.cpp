#include <gtest/gtest.h>

#include "models/cape_color.h"
#include "models/glimmet_state.h"

namespace pimble {
namespace {

TEST(GlimmetStateText, RawValuesAreCaseSensitive) {
  EXPECT_EQ(glimmetStateFromRawValue("rest"), GlimmetState::rest);
  EXPECT_EQ(displayName(GlimmetState::rest), "Break");
  EXPECT_EQ(glimmetStateFromRawValue("Rest"), std::nullopt);
  EXPECT_EQ(allCases<GlimmetState>().size(), 14u);
  for (auto s : allCases<GlimmetState>()) EXPECT_EQ(glimmetStateFromRawValue(rawValue(s)), s);
}

TEST(CapeColorPalette, SwatchesAndTranslucentStrokes) {
  EXPECT_EQ(swatch(CapeColor::red), (std::array<double, 3>{0.93, 0.20, 0.22}));
  EXPECT_EQ(swatch(CapeColor::gold), (std::array<double, 3>{0.96, 0.71, 0.20}));
  for (auto c : allCases<CapeColor>()) {
    const auto& p = palette(c);
    for (const auto* opaque : {&p.highlight, &p.base, &p.shade, &p.lining})
      EXPECT_EQ(opaque->alpha, 1);
    for (const auto* stroke : {&p.fold, &p.shine}) {
      EXPECT_GE(stroke->alpha, 0.28);
      EXPECT_LE(stroke->alpha, 0.45);
    }
    // Light to dark across the cloth's stops.
    auto luma = [](const RgbaColor& k) { return k.red + k.green + k.blue; };
    EXPECT_GT(luma(p.highlight), luma(p.base));
    EXPECT_GT(luma(p.base), luma(p.shade));
    EXPECT_GT(luma(p.shade), luma(p.lining));
  }
}

}  // namespace
}  // namespace pimble
