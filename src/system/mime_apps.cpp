#include "system/mime_apps.h"

#include <QDir>
#include <QFile>
#include <vector>

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

struct Folder {
  QString path;
  bool holdsApplications = false;
  QStringList files;  // its mimeapps.list files, most important first
};

// The folders consulted, in order: $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS,
// $XDG_DATA_HOME/applications, $XDG_DATA_DIRS/applications; in each the
// desktop-specific "mimeapps.list" before the plain one.
std::vector<Folder> folders() {
  const QString home = QDir::homePath();
  std::vector<Folder> result;
  result.push_back({absoluteEnv("XDG_CONFIG_HOME", home + "/.config"), false, {}});
  for (const QString& config : absoluteList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")))
    result.push_back({config, false, {}});
  result.push_back(
      {absoluteEnv("XDG_DATA_HOME", home + "/.local/share") + "/applications", true, {}});
  for (const QString& data : absoluteList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
    result.push_back({data + "/applications", true, {}});
  QStringList desktops;
  for (const QString& desktop :
       QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP")).split(':', Qt::SkipEmptyParts)) {
    desktops << desktop.toLower();
  }
  for (Folder& folder : result) {
    for (const QString& desktop : desktops)
      folder.files << folder.path + '/' + desktop + "-mimeapps.list";
    folder.files << folder.path + "/mimeapps.list";
  }
  return result;
}

// The ids one file gives for a MIME type, group by group.
struct Associations {
  QStringList defaults;  // [Default Applications]
  QStringList added;     // [Added Associations]
  QStringList removed;   // [Removed Associations]
  QStringList cached;    // [MIME Cache], in a mimeinfo.cache
};

Associations associationsIn(const QString& path, const QString& mimeType) {
  Associations found;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > 4 * 1024 * 1024) return found;
  QStringList* group = nullptr;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (line.startsWith('[')) {
      group = line == QLatin1String("[Default Applications]")   ? &found.defaults
              : line == QLatin1String("[Added Associations]")   ? &found.added
              : line == QLatin1String("[Removed Associations]") ? &found.removed
              : line == QLatin1String("[MIME Cache]")           ? &found.cached
                                                                : nullptr;
      continue;
    }
    if (group == nullptr) continue;
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0 || line.left(eq).trimmed() != mimeType) continue;
    for (QString id : line.mid(eq + 1).split(';', Qt::SkipEmptyParts)) {
      id = id.trimmed();
      if (id.endsWith(QLatin1String(".desktop"))) id.chop(8);
      if (!id.isEmpty()) *group << id;
    }
  }
  return found;
}

}  // namespace

QString MimeApps::defaultApplication(
    const QString& mimeType, const std::function<bool(const QString& id)>& isInstalled,
    const std::function<QStringList(const QString& folder)>& declaring) {
  auto installed = [&](const QString& id) { return !isInstalled || isInstalled(id); };
  const std::vector<Folder> all = folders();
  std::vector<std::vector<Associations>> read;
  for (const Folder& folder : all) {
    read.emplace_back();
    for (const QString& file : folder.files) read.back().push_back(associationsIn(file, mimeType));
  }
  for (const auto& files : read) {
    for (const Associations& file : files) {
      for (const QString& id : file.defaults) {
        if (installed(id)) return id;
      }
    }
  }
  // No default set: the first application associated with the type. What a
  // folder removes counts for it and for the folders after it.
  QStringList removed;
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (const Associations& file : read[i]) {
      for (const QString& id : file.added) {
        if (!removed.contains(id) && installed(id)) return id;
      }
    }
    for (const Associations& file : read[i]) removed << file.removed;
    if (!all[i].holdsApplications) continue;
    QStringList declared = associationsIn(all[i].path + "/mimeinfo.cache", mimeType).cached;
    if (declaring) declared << declaring(all[i].path);
    for (const QString& id : declared) {
      if (!removed.contains(id) && installed(id)) return id;
    }
  }
  return {};
}

}  // namespace pimble
