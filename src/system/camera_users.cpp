#include "system/camera_users.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

#include <cctype>
#include <memory>

namespace pimble {

namespace {
constexpr auto kCacheFor = std::chrono::seconds(1);

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool allDigits(const char* name) {
  if (!*name) return false;
  for (; *name; ++name) {
    if (!std::isdigit(static_cast<unsigned char>(*name))) return false;
  }
  return true;
}
}  // namespace

CameraUsers::CameraUsers(std::string devicePattern) : pattern_(std::move(devicePattern)) {}

bool CameraUsers::inUse() {
  const auto now = std::chrono::steady_clock::now();
  if (cached_ && now - cachedAt_ < kCacheFor) return *cached_;
  cached_ = scan();
  cachedAt_ = now;
  return *cached_;
}

bool CameraUsers::scan() const {
  if (pattern_.empty()) return false;
  DirPtr proc(opendir("/proc"));
  if (!proc) return false;
  while (const dirent* process = readdir(proc.get())) {
    if (!allDigits(process->d_name)) continue;
    const std::string fdPath = std::string("/proc/") + process->d_name + "/fd";
    // Other users' processes are not readable and are passed over.
    DirPtr fds(opendir(fdPath.c_str()));
    if (!fds) continue;
    const int fdsFd = dirfd(fds.get());
    while (const dirent* fd = readdir(fds.get())) {
      if (!allDigits(fd->d_name)) continue;
      char target[4096];
      const ssize_t length = readlinkat(fdsFd, fd->d_name, target, sizeof target - 1);
      if (length <= 0) continue;
      target[length] = '\0';
      if (fnmatch(pattern_.c_str(), target, FNM_PATHNAME) == 0) return true;
    }
  }
  return false;
}

}  // namespace pimble
