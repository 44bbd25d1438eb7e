#include "models/file_persistence.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace pimble {

namespace fs = std::filesystem;

namespace {

// Larger files are not documents of ours: they are refused unread.
constexpr off_t kMaxDocumentBytes = static_cast<off_t>(maxDocumentBytes);

std::optional<fs::path> absoluteEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  fs::path p(v);
  if (!p.is_absolute()) return std::nullopt;
  return p;
}

std::optional<fs::path> homeDirectory() {
  if (auto home = absoluteEnv("HOME")) return home;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir &&
      result->pw_dir[0] == '/')
    return fs::path(result->pw_dir);
  return std::nullopt;
}

bool isPrivateDirectoryOfMine(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
         (st.st_mode & 077) == 0;
}

bool validName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

// The whole content of a regular file, without following a symbolic link
// and without blocking on a FIFO.
std::optional<std::string> readRegularFile(const fs::path& p) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxDocumentBytes) {
    ::close(fd);
    return std::nullopt;
  }
  std::string out;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || static_cast<off_t>(out.size()) + n > kMaxDocumentBytes) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

// 0, or the errno of the failure.
int writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

void syncDirectory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Replaces `target` as a whole: a private temporary file beside it, written,
// flushed to disk, then renamed over it (rename replaces a link, never
// writes through it). 0, or the errno of the step that failed; then the
// target is as it was.
int writeAtomically(const fs::path& target, std::string_view bytes) {
  std::string temp = target.string() + ".tmp-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  int error = ::fchmod(fd, 0600) == 0 ? 0 : errno;
  if (!error) error = writeAll(fd, bytes);
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(temp.c_str());
    return error;
  }
  syncDirectory(target.parent_path());
  return 0;
}

// 0 when a file can be made in `dir`, or the errno that prevents it. The
// test file goes at once.
int tryWritingIn(const fs::path& dir) {
  std::string probe = (dir / ".write-check-XXXXXX").string();
  const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  ::close(fd);
  ::unlink(probe.c_str());
  return 0;
}

// The temporary files writeAtomically() makes for `target`: its name, then
// ".tmp-" and mkostemp's six letters or digits.
bool isTemporaryOf(std::string_view entry, std::string_view target) {
  constexpr std::string_view marker = ".tmp-";
  if (entry.size() != target.size() + marker.size() + 6 || !entry.starts_with(target)) return false;
  entry.remove_prefix(target.size());
  if (!entry.starts_with(marker)) return false;
  entry.remove_prefix(marker.size());
  return std::all_of(entry.begin(), entry.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

// A writer killed between creating its temporary file and renaming it leaves
// the file behind; the next save of the document removes those of the
// primary and the backup. Only one copy of the program writes into a data
// directory, and its own saves never overlap, so none is still being written.
void removeStaleTemporaries(const fs::path& dir, const std::string& primaryName,
                            const std::string& backupName) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view entry = e->d_name;
    if (!isTemporaryOf(entry, primaryName) && !isTemporaryOf(entry, backupName)) continue;
    struct stat st {};
    const fs::path p = dir / entry;
    // Only regular files of this user, as mkostemp made them.
    if (::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid())
      ::unlink(p.c_str());
  }
  ::closedir(d);
}

// Moves a primary that does not decode out of the way, to "N.json.unreadable"
// (replacing an older file there), or, when that name is held by something
// a rename cannot replace (a directory), to the first free
// "N.json.unreadable.K". False only when nothing could be moved.
bool moveAside(const fs::path& primary, const fs::path& aside) {
  if (::rename(primary.c_str(), aside.c_str()) == 0) return true;
  for (int k = 1; k <= 10000; ++k) {
    const fs::path variant = aside.string() + "." + std::to_string(k);
    struct stat st {};
    if (::lstat(variant.c_str(), &st) == 0) continue;
    if (errno != ENOENT) return false;
    return ::rename(primary.c_str(), variant.c_str()) == 0;
  }
  return false;
}

}  // namespace

fs::path FilePersistence::defaultDirectory() {
  if (const char* dir = std::getenv("PIMBLE_DATA_DIR"); dir && *dir) {
    std::error_code ec;
    auto p = fs::absolute(fs::path(dir), ec);
    return ec ? fs::path(dir) : p;
  }
  if (auto data = absoluteEnv("XDG_DATA_HOME")) return *data / "PimbleGlimmet";
  if (auto home = homeDirectory()) return *home / ".local" / "share" / "PimbleGlimmet";
  return perUserFallbackDirectory(absoluteEnv("TMPDIR").value_or("/tmp"));
}

fs::path FilePersistence::perUserFallbackDirectory(const fs::path& root) {
  const fs::path mine = root / ("pimble-" + std::to_string(getuid()));
  ::mkdir(mine.c_str(), 0700);
  if (isPrivateDirectoryOfMine(mine)) return mine / "PimbleGlimmet";
  // Someone else holds that name, or it is open to others: never use it.
  std::string fresh = (root / "pimble-XXXXXX").string();
  if (::mkdtemp(fresh.data())) return fs::path(fresh) / "PimbleGlimmet";
  // A path that can never be created: loads give nothing, saves fail.
  return fs::path("/dev/null/PimbleGlimmet");
}

void FilePersistence::toStandardError(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
}

FilePersistence::FilePersistence(fs::path directory, Report report)
    : directory_(std::move(directory)), report_(std::move(report)) {
  // Each missing level is made private; existing ones are left as they are.
  int makeError = 0;
  fs::path level;
  for (const auto& part : directory_) {
    level /= part;
    if (part.empty() || level == level.root_path()) continue;
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST && !makeError) makeError = errno;
  }
  // Said once here, so that a user who finds changes gone can learn why.
  struct stat st {};
  int error = 0;
  if (::stat(directory_.c_str(), &st) != 0)
    error = makeError ? makeError : errno;
  else if (!S_ISDIR(st.st_mode))
    error = ENOTDIR;
  if (error) {
    tell("cannot create the data folder " + directory_.string() + " (" + std::strerror(error) +
         "); nothing will be saved");
  } else if ((error = tryWritingIn(directory_))) {
    tell("cannot write in the data folder " + directory_.string() + " (" + std::strerror(error) +
         "); nothing will be saved");
  }
}

void FilePersistence::tell(const std::string& what) const {
  try {
    if (report_) report_("PimbleGlimmet: " + what);
  } catch (...) {
    // Telling is a courtesy; storage still never raises.
  }
}

void FilePersistence::saveFailed(const std::string& file, int error) {
  if (toldFailures_[file].insert(error).second)
    tell("could not save " + file + " in " + directory_.string() + ": " + std::strerror(error));
}

void FilePersistence::readCandidates(std::string_view name, const Accepts& accept) const {
  if (!validName(name)) return;
  const std::string base(name);
  for (const char* suffix : {".json", ".json.backup"}) {
    if (auto bytes = readRegularFile(directory_ / (base + suffix)); bytes && accept(*bytes)) return;
  }
}

void FilePersistence::write(std::string_view name, const Json* document, const Accepts& decodes) {
  if (!document || !validName(name)) return;
  const auto bytes = dumpDocument(*document);
  if (!bytes) return;  // a value JSON cannot carry: nothing on disk changes
  const std::string primaryName = std::string(name) + ".json";
  const std::string backupName = primaryName + ".backup";
  const fs::path primary = directory_ / primaryName;
  removeStaleTemporaries(directory_, primaryName, backupName);
  struct stat st {};
  if (::lstat(primary.c_str(), &st) == 0) {
    // Only a primary that still decodes becomes the backup; a bad one must
    // not overwrite the last good copy, so it is moved aside instead.
    auto current = S_ISREG(st.st_mode) ? readRegularFile(primary) : std::nullopt;
    if (current && decodes(*current))
      writeAtomically(directory_ / backupName, *current);
    else
      moveAside(primary, directory_ / (primaryName + ".unreadable"));
  }
  if (const int error = writeAtomically(primary, *bytes))
    saveFailed(primaryName, error);
  else
    toldFailures_.erase(primaryName);
}

}  // namespace pimble
