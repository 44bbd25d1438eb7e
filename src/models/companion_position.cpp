#include "models/companion_position.h"

namespace pimble {

Json CompanionPosition::toJson() const {
  Json j = Json::object();
  writeField(j, "originX", originX);
  writeField(j, "originY", originY);
  writeField(j, "displayID", displayID);
  writeField(j, "layoutVersion", layoutVersion);
  return j;
}

CompanionPosition CompanionPosition::fromJson(const Json& j) {
  requireObject(j);
  CompanionPosition p;
  p.originX = readRequired<double>(j, "originX");
  p.originY = readRequired<double>(j, "originY");
  readField(j, "displayID", p.displayID);
  readField(j, "layoutVersion", p.layoutVersion);
  return p;
}

}  // namespace pimble
