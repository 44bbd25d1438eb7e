#include "system/desktop_entries.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace pimble {

namespace {

QString absoluteEnvFolder(const char* name, const QString& fallback) {
  const QString value = QString::fromLocal8Bit(qgetenv(name));
  // Relative values are invalid and ignored.
  return value.startsWith('/') ? value : fallback;
}

// Every folder below `root` (itself included), for change detection.
QStringList foldersBelow(const QString& root) {
  QStringList folders{root};
  QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) folders << it.next();
  return folders;
}

QString baseName(const QString& path) {
  return path.section('/', -1);
}

}  // namespace

DesktopEntries::DesktopEntries() = default;

QStringList DesktopEntries::applicationFolders() {
  const QString home = QDir::homePath();
  QStringList dataFolders;
  dataFolders << absoluteEnvFolder("XDG_DATA_HOME", home + "/.local/share");
  dataFolders << home + "/.local/share/flatpak/exports/share";
  dataFolders << QStringLiteral("/var/lib/flatpak/exports/share");
  QString dirs = QString::fromLocal8Bit(qgetenv("XDG_DATA_DIRS"));
  if (dirs.isEmpty()) dirs = QStringLiteral("/usr/local/share:/usr/share");
  for (const QString& dir : dirs.split(':', Qt::SkipEmptyParts)) {
    if (dir.startsWith('/')) dataFolders << dir;
  }
  QStringList result;
  for (QString folder : dataFolders) {
    while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    const QString apps = folder + "/applications";
    if (!result.contains(apps)) result << apps;
  }
  return result;
}

void DesktopEntries::refreshIfChanged() {
  if (scanned_) {
    bool same = true;
    for (const auto& [folder, stamp] : folderStamps_) {
      const QFileInfo info(folder);
      const QDateTime now = info.exists() ? info.lastModified() : QDateTime();
      // A folder changed in the same clock tick as the scan keeps its stamp:
      // a stamp that close to the scan is not trusted (a missing top folder
      // has an invalid stamp, so its creation counts as a change too).
      const qint64 settled = stamp.isValid() ? stamp.msecsTo(scannedAt_) : 1000;
      if (now != stamp || (settled >= 0 && settled < 1000)) {
        same = false;
        break;
      }
    }
    if (same) return;
  }
  scan();
}

void DesktopEntries::scan() {
  entries_.clear();
  folderStamps_.clear();
  resolvedPrograms_.clear();
  scannedAt_ = QDateTime::currentDateTime();
  const QStringList languages = DesktopEntry::preferredLanguages();
  for (const QString& root : applicationFolders()) {
    if (!QFileInfo(root).isDir()) {
      folderStamps_.emplace_back(root, QDateTime());
      continue;
    }
    for (const QString& folder : foldersBelow(root)) {
      folderStamps_.emplace_back(folder, QFileInfo(folder).lastModified());
    }
    QDirIterator it(root, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                    QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext()) {
      const QString path = it.next();
      QString id = path.mid(root.size() + 1);
      id.chop(static_cast<qsizetype>(sizeof(".desktop") - 1));
      id.replace('/', '-');
      if (entries_.count(id) != 0) continue;  // an earlier folder wins
      if (auto entry = DesktopEntry::load(path, id, languages)) entries_.emplace(id, *entry);
    }
  }
  scanned_ = true;
}

std::optional<DesktopEntry> DesktopEntries::byId(const QString& rawId) {
  refreshIfChanged();
  QString id = rawId;
  if (id.endsWith(QLatin1String(".desktop"))) id.chop(8);
  const auto it = entries_.find(id);
  if (it == entries_.end() || !it->second.isApplication || it->second.hidden) return std::nullopt;
  return it->second;
}

std::optional<DesktopEntry> DesktopEntries::forWindow(const WindowIdentity& window) {
  refreshIfChanged();
  auto usable = [](const DesktopEntry& e) { return e.isApplication && !e.hidden; };
  // A listed entry is preferred over a hidden helper entry with the same key.
  auto pick = [&](auto&& matches) -> std::optional<DesktopEntry> {
    const DesktopEntry* fallback = nullptr;
    for (const auto& [id, entry] : entries_) {
      if (!usable(entry) || !matches(entry)) continue;
      if (!entry.noDisplay) return entry;
      if (!fallback) fallback = &entry;
    }
    if (fallback) return *fallback;
    return std::nullopt;
  };
  const QStringList classes = {window.wmClass, window.wmInstance};
  for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
    for (const QString& cls : classes) {
      if (cls.isEmpty()) continue;
      if (auto e = pick([&](const DesktopEntry& d) {
            return !d.startupWMClass.isEmpty() && d.startupWMClass.compare(cls, cs) == 0;
          })) {
        return e;
      }
    }
  }
  for (const QString& cls : classes) {
    if (cls.isEmpty()) continue;
    if (auto e = pick([&](const DesktopEntry& d) {
          return d.id.compare(cls, Qt::CaseInsensitive) == 0 ||
                 d.id.section('.', -1).compare(cls, Qt::CaseInsensitive) == 0;
        })) {
      return e;
    }
  }
  if (!window.gtkApplicationId.isEmpty()) {
    if (auto e = byId(window.gtkApplicationId)) return e;
  }
  // Last, the program itself: an entry whose Exec runs the same file.
  const QString exe = window.executable;
  const QString arg0 = window.firstArgument;
  if (exe.isEmpty() && arg0.isEmpty()) return std::nullopt;
  return pick([&](const DesktopEntry& d) {
    const auto command = d.commandLine();
    if (!command) return false;
    const QString program = command->first();
    if (!exe.isEmpty() && resolvedProgram(program) == exe) return true;
    // Scripts and interpreters: compare what the process was started as.
    return !arg0.isEmpty() && (program == arg0 || baseName(program) == baseName(arg0)) &&
           !baseName(program).isEmpty();
  });
}

QString DesktopEntries::resolvedProgram(const QString& program) {
  // Searching PATH for every entry on every lookup would dominate the cost.
  const auto it = resolvedPrograms_.find(program);
  if (it != resolvedPrograms_.end()) return it->second;
  const QString found = program.startsWith('/') ? program : QStandardPaths::findExecutable(program);
  const QString canonical = found.isEmpty() ? QString() : QFileInfo(found).canonicalFilePath();
  resolvedPrograms_.emplace(program, canonical);
  return canonical;
}

QStringList DesktopEntries::declaring(const QString& mimeType, const QString& folder) {
  refreshIfChanged();
  const QString root = QDir::cleanPath(folder) + '/';
  QStringList ids;
  for (const auto& [id, entry] : entries_) {
    if (entry.isApplication && !entry.hidden && entry.path.startsWith(root) &&
        entry.mimeTypes.contains(mimeType, Qt::CaseInsensitive)) {
      ids << id;
    }
  }
  return ids;
}

std::vector<DesktopEntry> DesktopEntries::installed() {
  refreshIfChanged();
  std::vector<DesktopEntry> result;
  for (const auto& [id, entry] : entries_) {
    if (entry.isListed() && entry.isRunnable()) result.push_back(entry);
  }
  std::stable_sort(result.begin(), result.end(), [](const DesktopEntry& a, const DesktopEntry& b) {
    return QString::localeAwareCompare(a.name.toCaseFolded(), b.name.toCaseFolded()) < 0;
  });
  return result;
}

std::optional<DesktopEntry> DesktopEntries::atPath(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile() || info.suffix() != QLatin1String("desktop")) return std::nullopt;
  auto entry = DesktopEntry::load(info.absoluteFilePath(), info.completeBaseName(),
                                  DesktopEntry::preferredLanguages());
  if (!entry || !entry->isApplication) return std::nullopt;
  return entry;
}

}  // namespace pimble
