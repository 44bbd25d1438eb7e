#include "settings/app_directory.h"

#include <QColor>

#include "bubbles/symbol_image.h"

namespace pimble {

std::vector<AppDirectory::Installed> AppDirectory::installed() {
  std::vector<Installed> apps;
  for (DesktopEntry& entry : entries_.installed()) {
    const QString name = entry.name.isEmpty() ? entry.id : entry.name;
    ReturnTarget target{entry.id.toStdString(), name.toStdString()};
    apps.push_back({std::move(target), std::move(entry)});
  }
  return apps;
}

QIcon AppDirectory::fallbackIcon() {
  return SymbolImage::icon("app.dashed", iconPoints, QColor(128, 128, 128));
}

QIcon AppDirectory::icon(const DesktopEntry& entry) {
  const QIcon own = entry.themeIcon();
  return own.isNull() ? fallbackIcon() : own;
}

QIcon AppDirectory::icon(const std::string& bundleID) {
  if (const auto it = icons_.find(bundleID); it != icons_.end()) return it->second;
  const auto entry = entries_.byId(QString::fromStdString(bundleID));
  QIcon found = entry ? icon(*entry) : fallbackIcon();
  icons_.emplace(bundleID, found);
  return found;
}

}  // namespace pimble
