#include "settings/time_of_day_edit.h"

#include <QSignalBlocker>

#include "settings/minutes_of_day.h"
#include "settings/settings_form.h"

namespace pimble {

TimeOfDayEdit::TimeOfDayEdit(QWidget* parent) : QTimeEdit(parent) {
  setDisplayFormat(form::timeFormat());
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  connect(this, &QTimeEdit::timeChanged, this,
          [this](QTime t) { emit minutesPicked(MinutesOfDay::minutes(t)); });
}

void TimeOfDayEdit::setMinutes(std::int64_t minutes) {
  const QTime shown = MinutesOfDay::time(minutes);
  if (time() == shown) return;
  const QSignalBlocker quiet(this);
  setTime(shown);
}

std::int64_t TimeOfDayEdit::minutes() const {
  return MinutesOfDay::minutes(time());
}

}  // namespace pimble
