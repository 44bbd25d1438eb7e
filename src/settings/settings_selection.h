#pragma once

#include <QObject>

#include "settings/settings_tab.h"

namespace pimble {

// Which tab the settings window shows. The window follows every assignment,
// also while it is open, and a click on a tab assigns it.
class SettingsSelection : public QObject {
  Q_OBJECT

 public:
  explicit SettingsSelection(QObject* parent = nullptr) : QObject(parent) {}

  SettingsTab tab() const { return tab_; }
  // Stores the tab and then notifies, also when it did not change.
  void setTab(SettingsTab tab);

 signals:
  void tabChanged(pimble::SettingsTab tab);

 private:
  SettingsTab tab_ = SettingsTab::general;
};

}  // namespace pimble
