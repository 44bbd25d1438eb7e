#pragma once

#include <QDialog>
#include <vector>

#include "models/return_target.h"
#include "settings/app_directory.h"

class QLineEdit;
class QListView;
class QPushButton;
class QSortFilterProxyModel;

namespace pimble {

class InstalledAppsModel;

// The picker over the installed applications that "Choose from installed
// apps…" opens: each with its icon and name, narrowed by typing, several
// selectable, confirmed with "Add". Icons are looked up only for the rows
// that come into view.
class InstalledAppsPicker : public QDialog {
  Q_OBJECT

 public:
  static constexpr int iconPoints = 24;

  explicit InstalledAppsPicker(std::vector<AppDirectory::Installed> apps,
                               QWidget* parent = nullptr);
  ~InstalledAppsPicker() override;

  // The selected applications, in the list's order.
  std::vector<ReturnTarget> chosen() const;
  // Selects the applications with these identifiers (and no others).
  void choose(const std::vector<std::string>& bundleIDs);

  QLineEdit* filter() const { return filter_; }
  QListView* list() const { return list_; }
  QPushButton* addButton() const { return add_; }
  // How many rows' icons were looked up so far.
  int iconsLoaded() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  InstalledAppsModel* apps_;
  QSortFilterProxyModel* shown_;
  QLineEdit* filter_;
  QListView* list_;
  QPushButton* add_;
};

}  // namespace pimble
