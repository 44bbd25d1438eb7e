#include "models/bedtime_nudge.h"

namespace pimble {

Json BedtimeNudge::toJson() const {
  Json j = Json::object();
  writeField(j, "isEnabled", isEnabled);
  writeField(j, "minutes", minutes);
  return j;
}

BedtimeNudge BedtimeNudge::fromJson(const Json& j) {
  requireObject(j);
  BedtimeNudge b;
  readField(j, "isEnabled", b.isEnabled);
  readField(j, "minutes", b.minutes);
  return b;
}

}  // namespace pimble
