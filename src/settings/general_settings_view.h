#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "system/launch_at_login.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace pimble {

class AppModel;
struct AppSettings;
class SegmentedControl;

// The General tab: showing the character, keeping it above other windows,
// its size, sending it to a corner, the welcome tour again, and opening at
// login through the desktop's autostart entry.
class GeneralSettingsView : public QWidget {
  Q_OBJECT

 public:
  explicit GeneralSettingsView(AppModel& model, QWidget* parent = nullptr);

  // The status line under the login switch for an autostart status.
  static QString statusText(LaunchAtLogin::Status status);

  // Reads the autostart status again; a pending error text stays.
  void refreshLoginStatus();

  // Shows a folder in the desktop's file manager; tests put a recorder here.
  std::function<bool(const QUrl&)> openUrl;

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void showSettings(const AppSettings& settings);
  void changeLoginItem(bool on);
  void showLoginLine();
  void openLoginItems();

  AppModel& model_;
  // What the autostart entry says now, and the last failed change's text.
  bool launchAtLogin_ = false;
  QString loginStatus_;
  QString launchError_;

  QCheckBox* showCompanion_;
  QCheckBox* alwaysOnTop_;
  SegmentedControl* size_;
  QCheckBox* login_;
  QLabel* loginStatusLabel_;
  QLabel* loginErrorLabel_;
  QPushButton* openLoginItems_;
};

}  // namespace pimble
