#pragma once

#include <QObject>

#include "models/reminder_frequency.h"
#include "settings/onboarding_step.h"

namespace pimble {

// What one run of the tour remembers beside the model: the page shown, the
// reminder rhythm picked on the day page, whether the awareness page is part
// of the tour, and the wish to open at login, which is applied only when the
// tour is finished. Every setter signals, also when the value stays.
class OnboardingState : public QObject {
  Q_OBJECT

 public:
  explicit OnboardingState(QObject* parent = nullptr);

  OnboardingStep step() const { return step_; }
  void setStep(OnboardingStep step);

  ReminderFrequency frequency() const { return frequency_; }
  void setFrequency(ReminderFrequency frequency);

  bool wantsAwareness() const { return wantsAwareness_; }
  void setWantsAwareness(bool wants);

  bool openAtLogin() const { return openAtLogin_; }
  void setOpenAtLogin(bool open);

 signals:
  void stepChanged(pimble::OnboardingStep step);
  void frequencyChanged(pimble::ReminderFrequency frequency);
  void wantsAwarenessChanged(bool wants);
  void openAtLoginChanged(bool open);

 private:
  OnboardingStep step_ = OnboardingStep::welcome;
  ReminderFrequency frequency_ = ReminderFrequency::balanced;
  bool wantsAwareness_ = false;
  bool openAtLogin_ = true;
};

}  // namespace pimble
