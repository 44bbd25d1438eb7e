#pragma once

#include <QGroupBox>
#include <QString>

#include "models/awareness_mode.h"

class QCheckBox;
class QLabel;

namespace pimble {

class AppModel;
struct AppSettings;
class SegmentedControl;
class TimeOfDayEdit;
class WeekdayPicker;

// The Awareness tab's "Mode" section: the mode in force, picked by hand
// through the program (the picker always shows what the model says is in
// force), what that mode does, the schedule of work and night hours with
// its work days, and the bedtime nudge.
class ModeSection : public QGroupBox {
  Q_OBJECT

 public:
  explicit ModeSection(AppModel& model, QWidget* parent = nullptr);

  SegmentedControl* picker() const { return picker_; }
  WeekdayPicker* workDays() const { return workDays_; }

 private:
  void showMode();
  void showSettings(const AppSettings& settings);

  AppModel& model_;
  SegmentedControl* picker_;
  QLabel* footnote_;
  QCheckBox* schedule_;
  QWidget* scheduleRows_;
  WeekdayPicker* workDays_;
  TimeOfDayEdit* workStart_;
  TimeOfDayEdit* workEnd_;
  TimeOfDayEdit* nightStart_;
  TimeOfDayEdit* nightEnd_;
  QCheckBox* bedtime_;
  QWidget* bedtimeRows_;
  TimeOfDayEdit* bedtimeAt_;
};

}  // namespace pimble
