#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "settings/settings_selection.h"
#include "settings/settings_tab.h"

class QStackedWidget;
class QWidget;

namespace pimble {

class AppModel;
class SettingsTabBar;

// The settings window: one ordinary window, 680 × 560 (wider where a large
// desktop font needs it) and not resizable, with a tab per part of the
// settings. Built once and kept; closing it only hides it, so the next show
// brings back the same window on the tab last in front. It is centred once,
// when built, and keeps its place afterwards.
class SettingsWindowController : public QObject {
  Q_OBJECT

 public:
  static constexpr int width = 680;
  static constexpr int height = 560;

  // Builds the window hidden.
  explicit SettingsWindowController(AppModel& model, QObject* parent = nullptr);
  ~SettingsWindowController() override;

  // Brings the window up, on `tab` when given, else on the tab last shown.
  void show(std::optional<SettingsTab> tab = std::nullopt);

  QWidget* window() const { return window_.get(); }
  SettingsSelection& selection() { return selection_; }
  SettingsTabBar* tabBar() const { return tabBar_; }
  // The tab in front.
  SettingsTab currentTab() const;
  // The page of a tab, or nullptr for a tab the window does not hold.
  QWidget* page(SettingsTab tab) const;

  // The field being edited takes what it shows, as when the window closes:
  // a number typed but not yet confirmed is entered (a text the field would
  // refuse leaves its value as it was). For the program's last save.
  void commitEdit();

  // The program wrote or removed the autostart entry itself (the tour's
  // end): the General tab reads it again.
  void loginItemChanged();

  // Ctrl+Q: quits the program the orderly way; the owner fills it in.
  std::function<void()> onQuit;

 private:
  void addPage(SettingsTab tab, QWidget* view);
  void showTab(SettingsTab tab);
  void step(int by);

  AppModel& model_;
  SettingsSelection selection_;
  std::unique_ptr<QWidget> window_;
  SettingsTabBar* tabBar_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  // The tabs in the order they stand, with their views.
  std::vector<std::pair<SettingsTab, QWidget*>> pages_;
};

}  // namespace pimble
