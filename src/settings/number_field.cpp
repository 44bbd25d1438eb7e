#include "settings/number_field.h"

#include <QLineEdit>
#include <algorithm>

namespace pimble {

NumberField::NumberField(QWidget* parent) : QSpinBox(parent) {}

int NumberField::shownValue() const {
  // Read as Enter would read it.
  QString text = lineEdit()->displayText();
  int pos = lineEdit()->cursorPosition();
  if (validate(text, pos) != QValidator::Acceptable) {
    fixup(text);
    if (validate(text, pos) != QValidator::Acceptable) return value();
  }
  return valueFromText(text);
}

void NumberField::stepBy(int steps) {
  // Storing the result takes the typed number along: one report, or none
  // when the result is what was stored already.
  setValue(steppedBy(shownValue(), steps));
  selectAll();
}

QAbstractSpinBox::StepEnabled NumberField::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  // The stored number may sit at an end the typed one is far from.
  const int shown = shownValue();
  StepEnabled open = StepNone;
  if (steppedBy(shown, 1) != shown) open |= StepUpEnabled;
  if (steppedBy(shown, -1) != shown) open |= StepDownEnabled;
  return open;
}

int NumberField::steppedBy(int value, int steps) const {
  const qint64 next = qint64(value) + qint64(steps) * singleStep();
  return int(std::clamp<qint64>(next, minimum(), maximum()));
}

}  // namespace pimble
