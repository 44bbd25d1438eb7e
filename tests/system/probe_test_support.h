#pragma once

// Small helpers shared by the workspace and probe tests: environment
// variables set for one test, and desktop entries written to a folder.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <optional>

namespace pimble::testing {

// Sets (or unsets, with nothing) an environment variable for the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<QString>& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    if (value) {
      qputenv(name, value->toLocal8Bit());
    } else {
      qunsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

inline bool writeFile(const QString& path, const QByteArray& contents) {
  QDir().mkpath(path.section('/', 0, -2));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(contents) == contents.size();
}

}  // namespace pimble::testing
