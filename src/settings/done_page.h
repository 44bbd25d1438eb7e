#pragma once

#include <QWidget>

class QCheckBox;

namespace pimble {

class OnboardingState;

// The tour's last page: Pimble's gestures and the intention shortcut in
// brief, and the wish to open Pimble at login, which the tour applies only
// when it is finished with its last button.
class DonePage : public QWidget {
  Q_OBJECT

 public:
  explicit DonePage(OnboardingState& state, QWidget* parent = nullptr);

 private:
  OnboardingState& state_;
  QCheckBox* openAtLogin_;
};

}  // namespace pimble
