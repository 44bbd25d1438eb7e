#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pimble {

// A ready-made session timer offered in the intention form and the menus.
struct SessionPreset {
  std::string label;
  std::int64_t minutes = 0;

  // Netflix 60, YouTube 30, Social media 15, News 15.
  static const std::vector<SessionPreset>& all();
  friend bool operator==(const SessionPreset&, const SessionPreset&) = default;
};

}  // namespace pimble
