// What the desktop reports: the user going away and coming back (sleep,
// screens, lock, session), the wall clock being set, the displays changing,
// and applications coming to the front or quitting.
#include "app/app_controller.h"
#include "companion/companion_window_controller.h"

namespace pimble {

void AppController::awayChange(AwayReason reason, bool away) {
  engine_.setAway(reason, away);
  awareness_.tracker().setAway(reason, away);
  awareness_.evaluate();
  awayChanged(away);
}

void AppController::awayChanged(bool away) {
  const Date now = time_.now();
  if (away) {
    if (!awaySince_) awaySince_ = now;
    return;
  }
  // The first end of any reason ends the absence, even while another one
  // (the lock after the screens woke) still holds.
  if (!awaySince_) return;
  const double seconds = (now - *awaySince_).count();
  awaySince_.reset();
  scheduleGreeting(welcomeBackDelay, GreetingMoment::returned(seconds));
}

void AppController::clockChanged() {
  // Wake-ups keep their wall-clock dates, so after a clock set back they
  // would come as much later as the jump: the engines look now and bound
  // their own countdowns, and arm again from the new time.
  engine_.evaluate();
  awareness_.evaluate();
  const Date latestBeat = addSeconds(time_.now(), heartbeatInterval);
  if (heartbeat_ && heartbeat_->dueDate() > latestBeat) startHeartbeat(latestBeat);
}

void AppController::displaysChanged() {
  companion_->screensChanged();
  refreshQuietState();
}

void AppController::applicationActivated(const std::optional<AppIdentity>& app) {
  frontmost_ = app;
  awareness_.tracker().appActivated(app);
  awareness_.maybeAskIntention(app);
  awareness_.evaluate();
  refreshQuietState();
}

void AppController::applicationTerminated(const AppIdentity& app) {
  if (!app.bundleID.empty()) awareness_.appTerminated(app.bundleID);
}

}  // namespace pimble
