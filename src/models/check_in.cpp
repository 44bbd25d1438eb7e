#include "models/check_in.h"

#include <utility>

namespace pimble {

CheckIn::Kind CheckIn::Kind::app(std::string bundleID, std::string name, AppCategory category) {
  Kind k;
  k.kase = Case::app;
  k.bundleID = std::move(bundleID);
  k.name = std::move(name);
  k.category = category;
  return k;
}

CheckIn::Kind CheckIn::Kind::intention(Uuid id, std::string bundleID, std::string name) {
  Kind k;
  k.kase = Case::intention;
  k.intentionID = id;
  k.bundleID = std::move(bundleID);
  k.name = std::move(name);
  return k;
}

bool operator==(const CheckIn::Kind& a, const CheckIn::Kind& b) {
  if (a.kase != b.kase) return false;
  switch (a.kase) {
    case CheckIn::Kind::Case::app:
      return a.bundleID == b.bundleID && a.name == b.name && a.category == b.category;
    case CheckIn::Kind::Case::intention:
      return a.intentionID == b.intentionID && a.bundleID == b.bundleID && a.name == b.name;
    case CheckIn::Kind::Case::bedtime:
      return true;
  }
  return false;
}

std::string CheckIn::symbolName() const {
  switch (kind.kase) {
    case Kind::Case::intention:
      return "flag.checkered";
    case Kind::Case::bedtime:
      return "moon.zzz.fill";
    case Kind::Case::app:
      return kind.category == AppCategory::work ? "figure.flexibility" : "clock.fill";
  }
  return "clock.fill";
}

}  // namespace pimble
