#pragma once

// Small reads of /proc about other processes. Every read answers nothing when
// the process is gone or belongs to someone we may not look at.

#include <sys/types.h>
#include <optional>
#include <string>

namespace pimble {

class ProcessInfo {
 public:
  // The parent of a process, or nothing (also for pid 1 and below).
  static std::optional<pid_t> parent(pid_t pid);
  // Whether the process exists and has not ended (a zombie has ended).
  static bool isRunning(pid_t pid);
  // The resolved path of the process's executable, or nothing.
  static std::optional<std::string> executable(pid_t pid);
  // The first word of its command line (argv[0]), or nothing.
  static std::optional<std::string> firstArgument(pid_t pid);
  // The kernel's short command name (/proc/PID/comm), or nothing.
  static std::optional<std::string> commandName(pid_t pid);
  // Whether `ancestor` is `pid` itself or one of its parents, looking at most
  // `maxDepth` generations up.
  static bool descendsFrom(pid_t pid, pid_t ancestor, int maxDepth = 64);
};

}  // namespace pimble
