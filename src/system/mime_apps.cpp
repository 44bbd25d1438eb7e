#include "system/mime_apps.h"

#include <QDir>
#include <QFile>

namespace pimble {

namespace {

QString absoluteEnv(const char* name, const QString& fallback) {
  const QString value = QString::fromLocal8Bit(qgetenv(name));
  return value.startsWith('/') ? value : fallback;
}

QStringList absoluteList(const char* name, const QString& fallback) {
  QString value = QString::fromLocal8Bit(qgetenv(name));
  if (value.isEmpty()) value = fallback;
  QStringList result;
  for (const QString& item : value.split(':', Qt::SkipEmptyParts)) {
    if (item.startsWith('/')) result << item;
  }
  return result;
}

// The ids given for `mimeType` in the [Default Applications] group of one file.
QStringList defaultsIn(const QString& path, const QString& mimeType) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > 4 * 1024 * 1024) return {};
  bool inDefaults = false;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (line.startsWith('[')) {
      inDefaults = line == QLatin1String("[Default Applications]");
      continue;
    }
    if (!inDefaults) continue;
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0 || line.left(eq).trimmed() != mimeType) continue;
    QStringList ids;
    for (const QString& id : line.mid(eq + 1).split(';', Qt::SkipEmptyParts)) {
      if (!id.trimmed().isEmpty()) ids << id.trimmed();
    }
    return ids;
  }
  return {};
}

}  // namespace

QStringList MimeApps::listFiles() {
  const QString home = QDir::homePath();
  QStringList folders;
  folders << absoluteEnv("XDG_CONFIG_HOME", home + "/.config");
  folders << absoluteList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
  folders << absoluteEnv("XDG_DATA_HOME", home + "/.local/share") + "/applications";
  for (const QString& data : absoluteList("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
    folders << data + "/applications";
  }
  QStringList desktops;
  for (const QString& desktop :
       QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP")).split(':', Qt::SkipEmptyParts)) {
    desktops << desktop.toLower();
  }
  QStringList files;
  for (const QString& folder : folders) {
    for (const QString& desktop : desktops) files << folder + '/' + desktop + "-mimeapps.list";
    files << folder + "/mimeapps.list";
  }
  return files;
}

QString MimeApps::defaultApplication(const QString& mimeType,
                                     const std::function<bool(const QString& id)>& isInstalled) {
  for (const QString& file : listFiles()) {
    for (QString id : defaultsIn(file, mimeType)) {
      if (id.endsWith(QLatin1String(".desktop"))) id.chop(8);
      if (!isInstalled || isInstalled(id)) return id;
    }
  }
  return {};
}

}  // namespace pimble
