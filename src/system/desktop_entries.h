#pragma once

// The installed applications, as the desktop entries in the XDG data folders
// describe them ($XDG_DATA_HOME/applications, Flatpak exports, then
// $XDG_DATA_DIRS/applications; an earlier folder hides the same id later).

#include <QDateTime>
#include <QString>
#include <map>
#include <optional>
#include <vector>

#include "system/desktop_entry.h"

namespace pimble {

// What the X server tells about a window's application, for finding its entry.
struct WindowIdentity {
  QString wmInstance;  // WM_CLASS instance part
  QString wmClass;     // WM_CLASS class part
  QString gtkApplicationId;
  QString executable;     // /proc/PID/exe of the owner, when readable
  QString firstArgument;  // argv[0] of the owner, when readable
};

class DesktopEntries {
 public:
  DesktopEntries();

  // The "applications" folders searched, most important first.
  static QStringList applicationFolders();

  std::optional<DesktopEntry> byId(const QString& id);
  // The entry of a window's application: by StartupWMClass, then by the
  // WM_CLASS parts as an id, then _GTK_APPLICATION_ID, then the executable.
  std::optional<DesktopEntry> forWindow(const WindowIdentity& window);
  // The ids of the applications found in `folder` (one of
  // applicationFolders()) whose MimeType names `mimeType`, by id.
  QStringList declaring(const QString& mimeType, const QString& folder);
  // Entries the user should see as installed applications, sorted by name.
  std::vector<DesktopEntry> installed();
  // The entry stored at a path (a ".desktop" file anywhere), id from its file name.
  static std::optional<DesktopEntry> atPath(const QString& path);

 private:
  void refreshIfChanged();
  void scan();
  // The canonical path a program name runs, empty when it is not found.
  QString resolvedProgram(const QString& program);

  std::map<QString, DesktopEntry> entries_;  // by id
  std::vector<std::pair<QString, QDateTime>> folderStamps_;
  std::map<QString, QString> resolvedPrograms_;
  QDateTime scannedAt_;
  bool scanned_ = false;
};

}  // namespace pimble
