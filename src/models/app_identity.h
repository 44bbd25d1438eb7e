#pragma once

#include <cstdint>
#include <string>

namespace pimble {

// A running application as the trackers see it; never stored.
struct AppIdentity {
  std::string bundleID;
  std::string name;  // the bundle identifier when the application has no name
  std::int32_t pid = 0;
  friend bool operator==(const AppIdentity&, const AppIdentity&) = default;
};

}  // namespace pimble
