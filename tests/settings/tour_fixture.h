#pragma once

// The tour's window on the real model (SettingsFixture), with the tour's
// commands recorded beside the views' and its end reports counted.

#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "settings/onboarding_view.h"
#include "settings/onboarding_window_controller.h"
#include "settings/settings_fixture.h"

namespace pimble::testing {

class TourFixture : public SettingsFixture {
 protected:
  void TearDown() override {
    tour_.reset();
    SettingsFixture::TearDown();
  }

  OnboardingActions recordingActions() {
    OnboardingActions a;
    a.flyIn = [this] { calls.push_back("flyIn"); };
    a.tryReminder = [this](ReminderKind k) {
      calls.push_back("tryReminder " + std::string(enumName(k)));
    };
    a.moveToCorner = [this](CompanionCorner c) {
      calls.push_back("moveToCorner " + std::string(enumName(c)));
    };
    a.finish = [this](bool) { calls.push_back("the actions' own finish"); };
    return a;
  }

  // The tour, built and shown on first use.
  OnboardingWindowController& tour() {
    if (!tour_) {
      tour_ = std::make_unique<OnboardingWindowController>(model(), recordingActions());
      tour_->onFinish = [this](bool skipped) { reports.push_back(skipped); };
      tour_->show();
    }
    return *tour_;
  }
  OnboardingView& view() { return *tour().view(); }
  OnboardingStep step() { return tour().state().step(); }
  void press(QPushButton* button) {
    ASSERT_TRUE(button->isVisible()) << button->text().toStdString();
    click(button);
  }
  void next() { press(view().primaryButton()); }
  void back() { press(view().backButton()); }
  // A control of the page on screen (a page left behind may linger a moment).
  template <class T>
  T* control(const char* name) {
    T* w = view().page()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void goTo(OnboardingStep target) {
    for (int guard = 0; step() != target && guard < 8; ++guard) next();
    ASSERT_EQ(step(), target);
  }

  std::unique_ptr<OnboardingWindowController> tour_;
  std::vector<bool> reports;
};

}  // namespace pimble::testing
