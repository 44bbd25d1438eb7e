#pragma once

#include <string>

#include "models/json_coding.h"

namespace pimble {

// An application to go back to, or to watch, named by its bundle identifier.
struct ReturnTarget {
  std::string bundleID;
  std::string name;

  Json toJson() const;
  static ReturnTarget fromJson(const Json& j);  // both keys are required
  friend bool operator==(const ReturnTarget&, const ReturnTarget&) = default;
};

}  // namespace pimble
