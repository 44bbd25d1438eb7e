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

void TimeOfDayEdit::stepBy(int steps) {
  // A time typed and not yet taken ("1:00" on its way to "10:00") is where
  // the step starts, as Enter would read it; the field reports the two as
  // one pick.
  const QTime stored = time();
  {
    const QSignalBlocker quiet(this);
    interpretText();
    QTimeEdit::stepBy(steps);
  }
  if (time() != stored) emit minutesPicked(minutes());
}

QAbstractSpinBox::StepEnabled TimeOfDayEdit::stepEnabled() const {
  // The field judges the ends from the stored time, which a typed one may
  // be far from; a step past an end stops there anyway.
  const StepEnabled fromStored = QTimeEdit::stepEnabled();
  if (fromStored == StepNone || text() == textFromDateTime(dateTime())) return fromStored;
  return StepEnabled(StepUpEnabled | StepDownEnabled);
}

}  // namespace pimble
