#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "settings/onboarding_actions.h"
#include "settings/onboarding_state.h"
#include "system/launch_at_login.h"

class QWidget;

namespace pimble {

class AppModel;
class OnboardingView;

// One run of the first-run tour: its state, its window "Welcome to Pimble
// Glimmet" (an ordinary window, 580 × 440, not resizable, centred) and the
// single report of its end. Finishing with the last page's button reports
// skipped = false; "Skip tour", closing the window and Ctrl+W report true.
// After the report the window is hidden and nothing more is reported; the
// owner then lets the controller go, and a later tour gets a new one. When
// the program ends while the tour is open, the owner abandons it: no report,
// so the tour opens again at the next start.
class OnboardingWindowController : public QObject {
  Q_OBJECT

 public:
  // Builds the state, the pages' frame with the character's poses drawn
  // now, and the window, hidden. The state asks for the awareness page when
  // awareness is on, and its open-at-login wish starts on for a first tour
  // and from `loginStatus` for a later one. The `finish` of `actions` is
  // replaced by the controller's own.
  OnboardingWindowController(
      AppModel& model, OnboardingActions actions,
      std::function<LaunchAtLogin::Status()> loginStatus = &LaunchAtLogin::status,
      QObject* parent = nullptr);
  ~OnboardingWindowController() override;

  // Shows the window, raised and active.
  void show();

  QWidget* window() const { return window_.get(); }
  OnboardingView* view() const { return view_; }
  OnboardingState& state() { return state_; }
  bool finished() const { return finished_; }
  // The program is ending: the tour ends without a report, and a close
  // that comes with the ending (a quit closes every window) reports
  // nothing either. Touches no window: the display may be gone.
  void abandon() { finished_ = true; }

  // The end of the tour, once; true when skipped or closed.
  std::function<void(bool)> onFinish;
  // Ctrl+Q in the window: the owner quits the program the orderly way.
  std::function<void()> onQuit;

 private:
  void finish(bool skipped);

  bool finished_ = false;
  OnboardingState state_;
  std::unique_ptr<QWidget> window_;
  OnboardingView* view_ = nullptr;
};

}  // namespace pimble
