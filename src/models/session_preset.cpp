#include "models/session_preset.h"

namespace pimble {

const std::vector<SessionPreset>& SessionPreset::all() {
  static const std::vector<SessionPreset> presets = {
      {"Netflix", 60}, {"YouTube", 30}, {"Social media", 15}, {"News", 15}};
  return presets;
}

}  // namespace pimble
