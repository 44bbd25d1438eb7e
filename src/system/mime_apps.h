#pragma once

// The user's default applications, as the XDG "mimeapps.list" files and the
// installed applications' associations give them.

#include <QString>
#include <QStringList>
#include <functional>

namespace pimble {

class MimeApps {
 public:
  // The desktop id of the default application for a MIME type (or
  // "x-scheme-handler/…"): the first id in the files' [Default Applications]
  // that `isInstalled` accepts. Without one, the first installed application
  // associated with the type, in the desktop's own order: folder by folder,
  // the ids its files add ([Added Associations]), then, in an applications
  // folder, those its mimeinfo.cache lists and `declaring(folder)` gives
  // (its applications whose MimeType names the type); an id that the
  // [Removed Associations] of this or an earlier folder name is passed over.
  // Empty when there is none.
  static QString defaultApplication(
      const QString& mimeType, const std::function<bool(const QString& id)>& isInstalled,
      const std::function<QStringList(const QString& folder)>& declaring = {});
};

}  // namespace pimble
