#include "settings/installed_apps_picker.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "bubbles/bubble_look.h"

namespace pimble {

// The installed applications as list rows. A row's icon is looked up the
// first time the view asks for it, which it does only for rows it draws.
class InstalledAppsModel : public QAbstractListModel {
 public:
  // Name and identifier together, for narrowing the list by typing.
  static constexpr int searchRole = Qt::UserRole + 1;

  explicit InstalledAppsModel(std::vector<AppDirectory::Installed> apps, QObject* parent)
      : QAbstractListModel(parent), apps_(std::move(apps)), icons_(apps_.size()) {}

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(apps_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto row = static_cast<size_t>(index.row());
    const AppDirectory::Installed& app = apps_[row];
    switch (role) {
      case Qt::DisplayRole:
      case Qt::AccessibleTextRole:
        return QString::fromStdString(app.target.name);
      case Qt::ToolTipRole:
        // The whole name, which a narrow list cuts short, over the entry.
        return BubbleLook::plainToolTip(QString::fromStdString(app.target.name) +
                                        QLatin1Char('\n') + app.entry.id);
      case Qt::DecorationRole:
        if (!icons_[row]) {
          icons_[row] = AppDirectory::icon(app.entry);
          ++loaded_;
        }
        return *icons_[row];
      case searchRole:
        return QString::fromStdString(app.target.name) + QLatin1Char(' ') + app.entry.id;
      default:
        return {};
    }
  }

  const ReturnTarget& target(int row) const { return apps_[static_cast<size_t>(row)].target; }
  int loaded() const { return loaded_; }

 private:
  std::vector<AppDirectory::Installed> apps_;
  mutable std::vector<std::optional<QIcon>> icons_;
  mutable int loaded_ = 0;
};

InstalledAppsPicker::InstalledAppsPicker(std::vector<AppDirectory::Installed> apps, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("installedAppsPicker"));
  setWindowTitle(QStringLiteral("Choose from installed apps"));
  resize(420, 480);
  auto* layout = new QVBoxLayout(this);

  filter_ = new QLineEdit(this);
  filter_->setObjectName(QStringLiteral("appFilter"));
  filter_->setPlaceholderText(QStringLiteral("Search"));
  filter_->setClearButtonEnabled(true);
  filter_->setAccessibleName(QStringLiteral("Search installed apps"));
  filter_->installEventFilter(this);
  layout->addWidget(filter_);

  apps_ = new InstalledAppsModel(std::move(apps), this);
  shown_ = new QSortFilterProxyModel(this);
  shown_->setSourceModel(apps_);
  shown_->setFilterRole(InstalledAppsModel::searchRole);
  shown_->setFilterCaseSensitivity(Qt::CaseInsensitive);

  list_ = new QListView(this);
  list_->setObjectName(QStringLiteral("installedApps"));
  list_->setModel(shown_);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setIconSize(QSize(iconPoints, iconPoints));
  // Every row alike, so the view measures one row instead of asking every
  // row (and its icon) for its size.
  list_->setUniformItemSizes(true);
  list_->setSpacing(1);
  list_->installEventFilter(this);
  layout->addWidget(list_, 1);

  auto* buttons = new QDialogButtonBox(this);
  add_ = buttons->addButton(QStringLiteral("Add"), QDialogButtonBox::AcceptRole);
  add_->setObjectName(QStringLiteral("addChosenApps"));
  add_->setDefault(true);
  add_->setEnabled(false);
  buttons->addButton(QDialogButtonBox::Cancel);
  layout->addWidget(buttons);

  connect(filter_, &QLineEdit::textChanged, shown_, &QSortFilterProxyModel::setFilterFixedString);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { add_->setEnabled(list_->selectionModel()->hasSelection()); });
  connect(list_, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) accept();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (list_->selectionModel()->hasSelection()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  filter_->setFocus();
}

InstalledAppsPicker::~InstalledAppsPicker() = default;

std::vector<ReturnTarget> InstalledAppsPicker::chosen() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedIndexes())
    rows.push_back(shown_->mapToSource(index).row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<ReturnTarget> targets;
  for (int row : rows) targets.push_back(apps_->target(row));
  return targets;
}

void InstalledAppsPicker::choose(const std::vector<std::string>& bundleIDs) {
  QItemSelection selection;
  for (int row = 0; row < shown_->rowCount(); ++row) {
    const QModelIndex index = shown_->index(row, 0);
    const std::string& id = apps_->target(shown_->mapToSource(index).row()).bundleID;
    if (std::find(bundleIDs.begin(), bundleIDs.end(), id) != bundleIDs.end())
      selection.select(index, index);
  }
  list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

int InstalledAppsPicker::iconsLoaded() const {
  return apps_->loaded();
}

bool InstalledAppsPicker::eventFilter(QObject* watched, QEvent* event) {
  // The keyboard entering the list marks a row as current (the first when
  // none is): that row is chosen too, so Return adds the row it shows.
  if (watched == list_ && event->type() == QEvent::FocusIn &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason &&
      !list_->selectionModel()->hasSelection() && shown_->rowCount() > 0) {
    const QModelIndex current = list_->currentIndex();
    list_->selectionModel()->setCurrentIndex(current.isValid() ? current : shown_->index(0, 0),
                                             QItemSelectionModel::ClearAndSelect);
  }
  // Arrow keys in the search field move through the list.
  if (watched == filter_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
        key == Qt::Key_PageDown) {
      if (!list_->currentIndex().isValid() && shown_->rowCount() > 0)
        list_->setCurrentIndex(shown_->index(0, 0));
      else
        QCoreApplication::sendEvent(list_, event);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace pimble
