#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace pimble {

// Starting Pimble when the user logs in, through the XDG autostart file
// $XDG_CONFIG_HOME/autostart/pimble-glimmet.desktop whose Exec runs this
// executable with "--login-item". The file is the registration: its
// presence (not hidden or disabled by the desktop, and naming a program
// that is there) is the status.
class LaunchAtLogin {
 public:
  enum class Status { notRegistered, enabled };
  struct Error {
    enum class Kind { executableMissing, fileSystem };
    Kind kind = Kind::fileSystem;
    int code = 0;
    std::string detail;  // what the file system said
  };
  static constexpr const char* loginItemArgument = "--login-item";

  // The autostart file; $XDG_CONFIG_HOME counts only when absolute.
  static QString autostartPath();
  static Status status();
  // Writes (true) or removes (false) the autostart file; `executable` is
  // this program's own file when empty. An enabled entry is kept as it is,
  // also when it names another copy. Answers the error, if any.
  static std::optional<Error> set(bool enabled, const QString& executable = {});
  // Writes a failed change to the system journal and standard error:
  // "PimbleGlimmet: login item register failed: <description>" ("unregister"
  // when removing).
  static void logFailure(bool enabled, const std::string& description);
  // The sentence for the user, ending in " (code N)".
  static std::string describe(const Error& error);
  static bool launchedAsLoginItem(const QStringList& arguments = QCoreApplication::arguments());

  // The Exec value for the executable: its absolute path quoted and escaped
  // by the Desktop Entry rules, then "--login-item".
  static QString execValue(const QString& executable);
};

}  // namespace pimble
