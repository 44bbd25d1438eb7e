#include "system/launch_at_login.h"

#include <syslog.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <cerrno>
#include <cstdio>

#include "system/desktop_entry.h"

namespace pimble {

namespace {
const QString kFileName = QStringLiteral("pimble-glimmet.desktop");

LaunchAtLogin::Error fileError(const QFileDevice& file) {
  return {LaunchAtLogin::Error::Kind::fileSystem, static_cast<int>(file.error()),
          file.errorString().toStdString()};
}

// The value of `key` in the [Desktop Entry] group, if present.
std::optional<QString> entryValue(const QString& text, const QString& key) {
  bool inEntry = false;
  for (const QString& raw : text.split('\n')) {
    const QString line = raw.trimmed();
    if (line.startsWith('[')) {
      inEntry = line == QStringLiteral("[Desktop Entry]");
      continue;
    }
    if (!inEntry) continue;
    const auto eq = line.indexOf('=');
    if (eq > 0 && line.left(eq).trimmed() == key) return line.mid(eq + 1).trimmed();
  }
  return std::nullopt;
}
}  // namespace

QString LaunchAtLogin::autostartPath() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/autostart/") + kFileName;
}

LaunchAtLogin::Status LaunchAtLogin::status() {
  QFile file(autostartPath());
  if (!file.open(QIODevice::ReadOnly)) return Status::notRegistered;
  const QByteArray contents = file.read(64 * 1024);
  const QString text = QString::fromUtf8(contents);
  const auto exec = entryValue(text, QStringLiteral("Exec"));
  if (!exec || !exec->contains(QLatin1String(loginItemArgument))) return Status::notRegistered;
  // The desktop's own switch for an autostart entry.
  if (entryValue(text, QStringLiteral("Hidden")) == QStringLiteral("true") ||
      entryValue(text, QStringLiteral("X-GNOME-Autostart-enabled")) == QStringLiteral("false"))
    return Status::notRegistered;
  // An entry left behind by a copy that was removed (a build folder) starts
  // nothing at login.
  const auto entry = DesktopEntry::parse(contents, file.fileName(), kFileName, {});
  if (!entry || !entry->isRunnable()) return Status::notRegistered;
  return Status::enabled;
}

QString LaunchAtLogin::execValue(const QString& executable) {
  // Inside double quotes, `"`, `` ` ``, `$` and `\` take a backslash; a
  // literal percent sign is doubled (field codes); then the value as a whole
  // is escaped as a desktop-entry string.
  QString quoted;
  for (QChar c : QFileInfo(executable).absoluteFilePath()) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  QString value = '"' + quoted + QStringLiteral("\" ") + QLatin1String(loginItemArgument);
  value.replace('%', QStringLiteral("%%"));
  QString escaped;
  for (QChar c : value) {
    if (c == '\\')
      escaped += QStringLiteral("\\\\");
    else if (c == '\n')
      escaped += QStringLiteral("\\n");
    else if (c == '\t')
      escaped += QStringLiteral("\\t");
    else if (c == '\r')
      escaped += QStringLiteral("\\r");
    else
      escaped += c;
  }
  return escaped;
}

std::optional<LaunchAtLogin::Error> LaunchAtLogin::set(bool enabled, const QString& executable) {
  std::optional<Error> error;
  const QString path = autostartPath();
  if (enabled) {
    if (status() == Status::enabled) return std::nullopt;
    const QFileInfo program(executable.isEmpty() ? QCoreApplication::applicationFilePath()
                                                 : executable);
    if (!program.isFile() || !program.isExecutable()) {
      error =
          Error{Error::Kind::executableMissing, ENOENT, program.absoluteFilePath().toStdString()};
    } else if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
      error = Error{Error::Kind::fileSystem, EACCES,
                    "cannot create " + QFileInfo(path).absolutePath().toStdString()};
    } else {
      QSaveFile file(path);
      if (file.open(QIODevice::WriteOnly)) {
        QTextStream out(&file);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=Pimble Glimmet\n"
            << "Comment=A caped glimmet on your desktop with gentle wellness reminders\n"
            << "Exec=" << execValue(program.absoluteFilePath()) << "\n"
            << "Icon=pimble-glimmet\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        out.flush();
      }
      if (!file.commit()) error = fileError(file);
    }
  } else {
    QFile file(path);
    if (file.exists() && !file.remove()) error = fileError(file);
  }
  return error;
}

void LaunchAtLogin::logFailure(bool enabled, const std::string& description) {
  static const bool opened = [] {
    openlog("pimble-glimmet", LOG_PID, LOG_USER);
    return true;
  }();
  (void)opened;
  const std::string line = std::string("PimbleGlimmet: login item ") +
                           (enabled ? "register" : "unregister") + " failed: " + description;
  syslog(LOG_WARNING, "%s", line.c_str());
  std::fprintf(stderr, "%s\n", line.c_str());
}

std::string LaunchAtLogin::describe(const Error& error) {
  std::string sentence =
      error.kind == Error::Kind::executableMissing
          ? "The system couldn't find this copy of Pimble. Make sure it's installed and opened "
            "from there."
          : error.detail;
  return sentence + " (code " + std::to_string(error.code) + ")";
}

bool LaunchAtLogin::launchedAsLoginItem(const QStringList& arguments) {
  return arguments.contains(QLatin1String(loginItemArgument));
}

}  // namespace pimble
