#pragma once

// The user's default applications from the XDG "mimeapps.list" files.

#include <QString>
#include <QStringList>
#include <functional>

namespace pimble {

class MimeApps {
 public:
  // The "mimeapps.list" files in the order they are consulted: the
  // desktop-specific one before the plain one in each folder, and
  // $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, $XDG_DATA_HOME/applications,
  // $XDG_DATA_DIRS/applications.
  static QStringList listFiles();
  // The desktop id of the default application for a MIME type (or
  // "x-scheme-handler/…"): the first listed id that `isInstalled` accepts.
  // Empty when none is set.
  static QString defaultApplication(const QString& mimeType,
                                    const std::function<bool(const QString& id)>& isInstalled);
};

}  // namespace pimble
