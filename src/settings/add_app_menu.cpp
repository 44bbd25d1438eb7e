#include "settings/add_app_menu.h"

#include <QMenu>
#include <set>

#include "bubbles/bubble_look.h"
#include "bubbles/symbol_image.h"
#include "services/app_catalog.h"
#include "settings/app_directory.h"
#include "settings/installed_apps_picker.h"
#include "settings/settings_form.h"
#include "state/app_model.h"

namespace pimble {

AddAppMenu::AddAppMenu(AppModel& model, AppDirectory& apps, QWidget* parent)
    : QPushButton(parent), model_(model), apps_(apps), menu_(new QMenu(this)) {
  setObjectName(QStringLiteral("addApp"));
  setText(QStringLiteral("Add app"));
  setIcon(SymbolImage::icon("plus", 14, palette().color(QPalette::ButtonText)));
  setAutoDefault(false);
  setMenu(menu_);
  // What runs changes all the time: the list is made as the menu opens.
  connect(menu_, &QMenu::aboutToShow, this, &AddAppMenu::fillMenu);
  fillMenu();
}

std::vector<ReturnTarget> AddAppMenu::candidates(const AwarenessSettings& awareness) {
  std::set<std::string> watched;
  for (const WatchedApp& app : awareness.apps) watched.insert(app.bundleID);
  std::vector<ReturnTarget> result;
  for (ReturnTarget& running : AppCatalog::runningApps()) {
    if (!watched.contains(running.bundleID)) result.push_back(std::move(running));
  }
  return result;
}

void AddAppMenu::fillMenu() {
  menu_->clear();
  const std::vector<ReturnTarget> open = candidates(model_.settings().awareness);
  if (!open.empty()) {
    menu_->addSection(QStringLiteral("Open now"));
    for (const ReturnTarget& app : open) {
      QAction* item = menu_->addAction(BubbleLook::literal(app.name));
      item->setData(QString::fromStdString(app.bundleID));
      connect(item, &QAction::triggered, this, [this, app] { model_.watch(app); });
    }
  }
  menu_->addSeparator();
  QAction* choose = menu_->addAction(QStringLiteral("Choose from installed apps…"));
  choose->setObjectName(QStringLiteral("chooseInstalledApp"));
  connect(choose, &QAction::triggered, this, &AddAppMenu::chooseApp);
}

InstalledAppsPicker* AddAppMenu::picker() const {
  return picker_.data();
}

void AddAppMenu::chooseApp() {
  if (picker_) {
    picker_->raise();
    picker_->activateWindow();
    return;
  }
  auto* picker = new InstalledAppsPicker(apps_.installed(), window());
  picker->setAttribute(Qt::WA_DeleteOnClose);
  picker->setWindowModality(Qt::WindowModal);
  picker_ = picker;
  connect(picker, &QDialog::accepted, this, [this, picker] {
    for (const ReturnTarget& app : picker->chosen()) model_.watch(app);
  });
  picker->open();
}

}  // namespace pimble
