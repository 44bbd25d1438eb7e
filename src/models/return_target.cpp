#include "models/return_target.h"

namespace pimble {

Json ReturnTarget::toJson() const {
  Json j = Json::object();
  writeField(j, "bundleID", bundleID);
  writeField(j, "name", name);
  return j;
}

ReturnTarget ReturnTarget::fromJson(const Json& j) {
  requireObject(j);
  ReturnTarget t;
  t.bundleID = readRequired<std::string>(j, "bundleID");
  t.name = readRequired<std::string>(j, "name");
  return t;
}

}  // namespace pimble
