#pragma once

#include <QString>
#include <QWidget>
#include <optional>

#include "models/date.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace pimble {

class AppModel;
struct AppSettings;
class TimeOfDayEdit;

// The Focus & Quiet Hours tab: when Pimble keeps still. Quiet hours, pausing
// the reminders, waiting while the user is away, staying quiet over
// full-screen applications and calls, and what happens to unanswered
// bubbles; with the pause state and what holds Pimble back right now.
class FocusSettingsView : public QWidget {
  Q_OBJECT

 public:
  explicit FocusSettingsView(AppModel& model, QWidget* parent = nullptr);

  // The Pausing section's status line: the timed pause first, then the
  // indefinite one; the end is shown as a local time of day only.
  static QString pauseStatus(std::optional<Date> pausedUntil, bool pausedIndefinitely);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void showSettings(const AppSettings& settings);
  void showPause();

  AppModel& model_;
  QCheckBox* quietHours_;
  QWidget* quietTimes_;
  TimeOfDayEdit* quietStart_;
  TimeOfDayEdit* quietEnd_;
  QLabel* pauseStatus_;
  QPushButton* resume_;
  QCheckBox* idleDetection_;
  QWidget* idleRows_;
  QSpinBox* idleThreshold_;
  QComboBox* fullscreen_;
  QCheckBox* hideInFullscreen_;
  QCheckBox* duringCalls_;
  QLabel* quietStatus_;
  QCheckBox* notifyWhenHidden_;
  QSpinBox* bubbleTimeout_;
};

}  // namespace pimble
