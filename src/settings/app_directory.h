#pragma once

#include <QIcon>
#include <map>
#include <string>
#include <vector>

#include "models/return_target.h"
#include "system/desktop_entries.h"

namespace pimble {

// The applications the Awareness tab offers and draws: those installed, as
// their desktop entries list them, and the icon of any application by its
// identifier. Icons are looked up when first asked for and kept.
class AppDirectory {
 public:
  static constexpr int iconPoints = 26;

  // One installed application: what watching it stores, and its icon's
  // name in the entry.
  struct Installed {
    ReturnTarget target;
    DesktopEntry entry;
  };

  // The installed applications the user can pick, sorted by name.
  std::vector<Installed> installed();

  // The application's icon: its desktop entry's through the icon theme,
  // else the generic application symbol.
  QIcon icon(const std::string& bundleID);
  // The icon of an entry already at hand.
  static QIcon icon(const DesktopEntry& entry);
  // The icon an application without one of its own gets.
  static QIcon fallbackIcon();

 private:
  DesktopEntries entries_;
  std::map<std::string, QIcon> icons_;
};

}  // namespace pimble
