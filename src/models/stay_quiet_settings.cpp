#include "models/stay_quiet_settings.h"

namespace pimble {

Json StayQuietSettings::toJson() const {
  Json j = Json::object();
  writeField(j, "fullscreen", fullscreen);
  writeField(j, "hideGlimmetInFullscreen", hideGlimmetInFullscreen);
  writeField(j, "duringCalls", duringCalls);
  return j;
}

StayQuietSettings StayQuietSettings::fromJson(const Json& j) {
  requireObject(j);
  StayQuietSettings s;
  readField(j, "fullscreen", s.fullscreen);
  readField(j, "hideGlimmetInFullscreen", s.hideGlimmetInFullscreen);
  readField(j, "duringCalls", s.duringCalls);
  return s;
}

}  // namespace pimble
