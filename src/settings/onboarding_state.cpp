#include "settings/onboarding_state.h"

namespace pimble {

OnboardingState::OnboardingState(QObject* parent) : QObject(parent) {}

void OnboardingState::setStep(OnboardingStep step) {
  step_ = step;
  emit stepChanged(step);
}

void OnboardingState::setFrequency(ReminderFrequency frequency) {
  frequency_ = frequency;
  emit frequencyChanged(frequency);
}

void OnboardingState::setWantsAwareness(bool wants) {
  wantsAwareness_ = wants;
  emit wantsAwarenessChanged(wants);
}

void OnboardingState::setOpenAtLogin(bool open) {
  openAtLogin_ = open;
  emit openAtLoginChanged(open);
}

}  // namespace pimble
