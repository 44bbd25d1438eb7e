#include "settings/settings_selection.h"

namespace pimble {

void SettingsSelection::setTab(SettingsTab tab) {
  tab_ = tab;
  emit tabChanged(tab);
}

}  // namespace pimble
