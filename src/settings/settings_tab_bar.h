#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "settings/settings_tab.h"

class QButtonGroup;
class QHBoxLayout;
class QToolButton;

namespace pimble {

// The settings window's row of tabs: a symbol above each label, centred in
// the window's width, the chosen one marked. Six labels fit side by side at
// any usual font size, which a row of classic tabs does not.
class SettingsTabBar : public QWidget {
  Q_OBJECT

 public:
  explicit SettingsTabBar(QWidget* parent = nullptr);

  // Adds a tab in its place in the tabs' own order.
  void addTab(SettingsTab tab);
  // The tabs present, in their order on screen.
  const std::vector<SettingsTab>& tabs() const { return tabs_; }
  // Marks the tab without reporting it; false when the bar lacks it.
  bool setCurrent(SettingsTab tab);
  std::optional<SettingsTab> current() const;
  QToolButton* button(SettingsTab tab) const;

 signals:
  // The user chose a tab.
  void picked(pimble::SettingsTab tab);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void paintIcon(SettingsTab tab);
  void paintIcons();

  QHBoxLayout* row_;
  QButtonGroup* group_;
  std::vector<SettingsTab> tabs_;
};

}  // namespace pimble
