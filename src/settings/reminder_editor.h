#pragma once

#include <QWidget>
#include <functional>

#include "models/reminder.h"
#include "settings/number_field.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pimble {

class MessageEdit;

// The interval stepper: 5 minutes a step below an hour, 15 from an hour
// up, chosen from the value shown before each step, and never past either
// end. It shows the interval as the reminder rows word it ("45 min", "hour").
class IntervalStepper : public NumberField {
  Q_OBJECT

 public:
  static constexpr int minimum = 1;
  static constexpr int maximum = 480;

  explicit IntervalStepper(QWidget* parent = nullptr);
  // The value one press of the up (`up`) or down arrow gives.
  static int stepped(int value, bool up);

 protected:
  int steppedBy(int value, int steps) const override;
  QString textFromValue(int value) const override;
  int valueFromText(const QString& text) const override;
  QValidator::State validate(QString& text, int& pos) const override;
};

// The form beside the reminder list that edits one reminder: on or off,
// title, message, interval, snooze, quiet hours, sound, and a button that
// shows it at once. It keeps no copy: every change is reported as an edit
// for the owner to apply to the reminder in the model, and the owner shows
// the reminder's values again afterwards.
class ReminderEditor : public QWidget {
  Q_OBJECT

 public:
  static constexpr int snoozeMaximum = 120;

  explicit ReminderEditor(QWidget* parent = nullptr);

  // Shows the reminder's current values; reports nothing.
  void setReminder(const Reminder& reminder);

  // A control changed: apply the edit to the reminder shown.
  std::function<void(const std::function<void(Reminder&)>&)> onEdit;
  // "Show it now" was pressed.
  std::function<void()> onRemindNow;

 private:
  void edit(const std::function<void(Reminder&)>& change);

  QCheckBox* enabled_;
  QLineEdit* title_;
  MessageEdit* message_;
  IntervalStepper* interval_;
  QSpinBox* snooze_;
  QCheckBox* respectsQuietHours_;
  QCheckBox* sound_;
  QPushButton* showNow_;
};

}  // namespace pimble
