#pragma once

// Whether any process holds a video capture device open: /proc/*/fd links
// to a path matching the device pattern ("/dev/video*"). The scan is kept
// for at most a second, since callers ask on every engine decision.

#include <chrono>
#include <optional>
#include <string>

namespace pimble {

class CameraUsers {
 public:
  explicit CameraUsers(std::string devicePattern = "/dev/video*");

  bool inUse();
  // Scans now, without the cache.
  bool scan() const;

 private:
  std::string pattern_;
  std::optional<bool> cached_;
  std::chrono::steady_clock::time_point cachedAt_;
};

}  // namespace pimble
