#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "models/companion_corner.h"
#include "models/reminder.h"
#include "models/reminder_frequency.h"

class QCheckBox;
class QLabel;
class QWidget;

namespace pimble {

class AppModel;
struct AppSettings;
class CapeSwatches;
class OnboardingState;
class SegmentedControl;
class TimeOfDayEdit;

// The tour's day page: how often the built-in reminders come, work hours
// for the Work mode, the corner the character lives in, its size and the
// colour of its cape. Everything but the rhythm is written straight into
// the settings; the rhythm rewrites the built-in reminders' intervals.
class DayPage : public QWidget {
  Q_OBJECT

 public:
  DayPage(AppModel& model, OnboardingState& state,
          std::function<void(CompanionCorner)> moveToCorner, QWidget* parent = nullptr);

  // Keeps the rhythm in the tour and gives every built-in reminder that
  // rhythm's interval for its kind; personal reminders stay as they are.
  void apply(ReminderFrequency frequency);
  static std::vector<Reminder> withFrequency(std::vector<Reminder> reminders,
                                             ReminderFrequency frequency);
  // The line under the rhythm picker.
  static QString frequencyText(ReminderFrequency frequency);

 private:
  void showSettings(const AppSettings& settings);
  void showFrequency(ReminderFrequency frequency);

  AppModel& model_;
  OnboardingState& state_;
  std::function<void(CompanionCorner)> moveToCorner_;
  SegmentedControl* frequency_;
  QLabel* frequencyText_;
  QCheckBox* workHours_;
  QWidget* hoursRow_;
  TimeOfDayEdit* workStart_;
  TimeOfDayEdit* workEnd_;
  SegmentedControl* size_;
  CapeSwatches* cape_;
};

}  // namespace pimble
