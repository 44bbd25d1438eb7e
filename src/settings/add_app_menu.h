#pragma once

#include <QPointer>
#include <QPushButton>
#include <vector>

#include "models/app_settings.h"
#include "models/return_target.h"

class QMenu;

namespace pimble {

class AppDirectory;
class AppModel;
class InstalledAppsPicker;

// "Add app" under the watched applications: the running applications not
// watched yet under "Open now", one click each, and "Choose from installed
// apps…", which opens a picker over every installed application. Each
// choice goes through AppModel::watch, which skips one already watched.
class AddAppMenu : public QPushButton {
  Q_OBJECT

 public:
  AddAppMenu(AppModel& model, AppDirectory& apps, QWidget* parent = nullptr);

  // The running applications that are not watched (enabled or not), in the
  // catalogue's order.
  static std::vector<ReturnTarget> candidates(const AwarenessSettings& awareness);

  // Fills the menu afresh, as each time it opens.
  void fillMenu();
  QMenu* menu() const { return menu_; }

  // Opens the picker over the installed applications; the chosen ones are
  // watched when the user confirms with "Add".
  void chooseApp();
  // The open picker, if any.
  InstalledAppsPicker* picker() const;

 private:
  AppModel& model_;
  AppDirectory& apps_;
  QMenu* menu_;
  QPointer<InstalledAppsPicker> picker_;
};

}  // namespace pimble
