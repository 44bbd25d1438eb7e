#pragma once

#include <QTimeEdit>
#include <cstdint>

namespace pimble {

// An hour-and-minute field for a time of day kept as minutes after local
// midnight. Showing a value never reports it back: only a time the user
// picks is reported, so a stored value outside the day's range shows clamped
// and stays as it is until the user changes the field.
class TimeOfDayEdit : public QTimeEdit {
  Q_OBJECT

 public:
  explicit TimeOfDayEdit(QWidget* parent = nullptr);

  // Shows the stored value; leaves the field alone when it already shows it,
  // so that a value coming back from the model does not disturb typing.
  void setMinutes(std::int64_t minutes);
  // The value the field shows, 0…1439.
  std::int64_t minutes() const;

  void stepBy(int steps) override;

 signals:
  // The user picked a time; `minutes` is hour × 60 + minute.
  void minutesPicked(std::int64_t minutes);

 protected:
  StepEnabled stepEnabled() const override;
};

}  // namespace pimble
