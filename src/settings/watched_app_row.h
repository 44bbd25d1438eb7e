#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "models/app_category.h"
#include "models/awareness_mode.h"
#include "models/watched_app.h"

class QCheckBox;
class QGraphicsOpacityEffect;
class QLabel;
class QMenu;
class QToolButton;

namespace pimble {

class ElidedLabel;
class ThresholdMenu;

// One watched application on the Awareness tab: its icon and name, its
// category with a menu to change it, the time counted in it today, a limit
// per mode, the flag that asks for an intention, the check-in switch and a
// remove button. It shows what it is given and reports each change; the
// whole row is dimmed while check-ins for the application are off.
class WatchedAppRow : public QWidget {
  Q_OBJECT

 public:
  static constexpr double dimmedOpacity = 0.55;
  // The limits each mode's menu offers, in minutes.
  static const std::vector<std::int64_t> limitOptions;

  explicit WatchedAppRow(QWidget* parent = nullptr);

  // The category's name on screen ("Social & chat").
  static QString categoryLabel(AppCategory category);
  // "· today —" under a minute, else "· today 1 h 5 min".
  static QString todayText(double seconds);

  // Shows the application and today's seconds in it; reports nothing.
  void setApp(const WatchedApp& app, double todaySeconds);
  const std::string& bundleID() const { return bundleID_; }

  ThresholdMenu* limit(AwarenessMode mode) const;
  QToolButton* categoryButton() const { return category_; }
  QToolButton* intentionFlag() const { return flag_; }
  QCheckBox* checkInSwitch() const { return enabled_; }
  QToolButton* removeButton() const { return remove_; }
  QLabel* todayLabel() const { return today_; }
  double opacity() const;

  // Looks up the application's icon; asked the first time the row shows.
  std::function<QIcon(const std::string& bundleID)> iconFor;
  // A field of the application changed: apply the edit to its entry.
  std::function<void(const std::function<void(WatchedApp&)>&)> onChange;
  // A category was picked, also the current one.
  std::function<void(AppCategory)> onCategory;
  std::function<void()> onRemove;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void change(const std::function<void(WatchedApp&)>& edit);
  void paintSymbols();
  void loadIcon();

  std::string bundleID_;
  bool iconShown_ = false;
  QLabel* icon_;
  ElidedLabel* name_;
  QToolButton* category_;
  QMenu* categories_;
  QLabel* today_;
  std::array<ThresholdMenu*, 3> limits_{};
  QToolButton* flag_;
  QCheckBox* enabled_;
  QToolButton* remove_;
  QGraphicsOpacityEffect* dim_;
};

}  // namespace pimble
