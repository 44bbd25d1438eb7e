#pragma once

#include <QSpinBox>

namespace pimble {

// A number field of the settings. Its arrows, Up, Down, Page Up and Page
// Down step from the number it shows, also one typed and not yet entered;
// a typed text the field would refuse steps from the stored number.
class NumberField : public QSpinBox {
  Q_OBJECT

 public:
  explicit NumberField(QWidget* parent = nullptr);

  // The typed number when the field would take it, the stored one otherwise.
  int shownValue() const;

  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;
  // The number `steps` steps (down when negative) from `value`, in range.
  virtual int steppedBy(int value, int steps) const;
};

}  // namespace pimble
