#include "system/process_info.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace pimble {

namespace {

std::string procPath(pid_t pid, const char* leaf) {
  return "/proc/" + std::to_string(pid) + "/" + leaf;
}

std::optional<std::string> readSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char buffer[4096];
  in.read(buffer, sizeof buffer);
  text.assign(buffer, static_cast<size_t>(in.gcount()));
  return text;
}

}  // namespace

std::optional<pid_t> ProcessInfo::parent(pid_t pid) {
  if (pid <= 1) return std::nullopt;
  const auto stat = readSmallFile(procPath(pid, "stat"));
  if (!stat) return std::nullopt;
  // The command name sits in parentheses and may itself hold ") ": the
  // fields after it start behind the last ')'.
  const auto close = stat->rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(stat->substr(close + 1));
  std::string state;
  long long ppid = 0;
  if (!(fields >> state >> ppid)) return std::nullopt;
  if (ppid <= 0) return std::nullopt;
  return static_cast<pid_t>(ppid);
}

bool ProcessInfo::isRunning(pid_t pid) {
  if (pid <= 0) return false;
  const auto stat = readSmallFile(procPath(pid, "stat"));
  if (!stat) return false;
  const auto close = stat->rfind(')');
  if (close == std::string::npos || close + 2 >= stat->size()) return false;
  const char state = (*stat)[close + 2];
  return state != 'Z' && state != 'X' && state != 'x';
}

std::optional<std::string> ProcessInfo::executable(pid_t pid) {
  if (pid <= 0) return std::nullopt;
  std::error_code error;
  auto target = std::filesystem::read_symlink(procPath(pid, "exe"), error);
  if (error || target.empty()) return std::nullopt;
  std::string path = target.string();
  // An executable replaced on disk since the start reads "PATH (deleted)".
  const std::string deleted = " (deleted)";
  if (path.size() > deleted.size() && path.ends_with(deleted))
    path.resize(path.size() - deleted.size());
  return path;
}

std::optional<std::string> ProcessInfo::firstArgument(pid_t pid) {
  if (pid <= 0) return std::nullopt;
  const auto cmdline = readSmallFile(procPath(pid, "cmdline"));
  if (!cmdline || cmdline->empty()) return std::nullopt;
  std::string first(cmdline->c_str());
  if (first.empty()) return std::nullopt;
  return first;
}

std::optional<std::string> ProcessInfo::commandName(pid_t pid) {
  if (pid <= 0) return std::nullopt;
  auto comm = readSmallFile(procPath(pid, "comm"));
  if (!comm) return std::nullopt;
  while (!comm->empty() && (comm->back() == '\n' || comm->back() == '\0')) comm->pop_back();
  if (comm->empty()) return std::nullopt;
  return comm;
}

bool ProcessInfo::descendsFrom(pid_t pid, pid_t ancestor, int maxDepth) {
  if (pid <= 0 || ancestor <= 0) return false;
  std::optional<pid_t> current = pid;
  for (int depth = 0; current && depth <= maxDepth; ++depth) {
    if (*current == ancestor) return true;
    current = parent(*current);
  }
  return false;
}

}  // namespace pimble
