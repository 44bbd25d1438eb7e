#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QMessageBox;
class QToolButton;
class QVBoxLayout;

namespace pimble {

class AddAppMenu;
class AppDirectory;
class AppModel;
struct AppSettings;
class CheckInStyleSection;
class ModeSection;
class ScheduledCall;
class WatchedAppRow;

// The Awareness tab: time awareness on or off and what it looks at, the
// mode and its schedule, the watched applications with their limits and
// the menu that adds them, intentions, how check-ins look and talk, today's
// numbers, and how long the history is kept. While the tab is on screen it
// asks the program for fresh numbers every 30 seconds, and once each time
// it comes on screen.
class AwarenessSettingsView : public QWidget {
  Q_OBJECT

 public:
  static constexpr double refreshInterval = 30;
  static constexpr double refreshTolerance = 5;
  // The history lengths offered, in days.
  static constexpr std::int64_t retentionChoices[3] = {7, 30, 90};

  explicit AwarenessSettingsView(AppModel& model, QWidget* parent = nullptr);
  ~AwarenessSettingsView() override;

  // "—" under a minute, else "45 min", "1 h 5 min".
  static QString activeTimeText(double seconds);
  // "—" when none was set, else "3 set · 2 kept".
  static QString intentionsText(std::int64_t set, std::int64_t kept);
  // The note under the watched applications, with the session gap.
  static QString appsFootnote(std::int64_t sessionGapMinutes);

  const std::vector<WatchedAppRow*>& rows() const { return rows_; }
  AddAppMenu* addAppMenu() const { return addApp_; }
  ModeSection* modeSection() const { return mode_; }
  CheckInStyleSection* checkInsSection() const { return checkIns_; }
  // The open delete confirmation, if any.
  QMessageBox* confirmation() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Asks for fresh numbers now and again in 30 seconds.
  void refresh();
  void showSettings(const AppSettings& settings);
  void showRows();
  void showToday();
  void askToDelete();

  AppModel& model_;
  std::unique_ptr<AppDirectory> apps_;
  std::unique_ptr<ScheduledCall> nextRefresh_;

  QCheckBox* enabled_;
  QToolButton* disclosure_;
  QWidget* observed_;
  ModeSection* mode_;
  QLabel* emptyApps_;
  QVBoxLayout* rowsLayout_;
  std::vector<WatchedAppRow*> rows_;
  AddAppMenu* addApp_;
  QLabel* appsFootnote_;
  QCheckBox* shortcut_;
  CheckInStyleSection* checkIns_;
  QLabel* activeTime_;
  QLabel* checkInCount_;
  QLabel* intentions_;
  QComboBox* retention_;
  QPointer<QMessageBox> confirmation_;
};

}  // namespace pimble
