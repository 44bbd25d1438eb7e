// The engines' wake-ups, the heartbeat, the activity saves and the final
// save at shutdown.
#include <QCoreApplication>
#include <QEvent>
#include <algorithm>

#include "app/app_controller.h"
#include "models/activity_data.h"
#include "models/schedule_snapshot.h"
#include "settings/onboarding_window_controller.h"
#include "settings/settings_window_controller.h"

namespace pimble {

void AppController::arm(std::optional<Date> date) {
  engineTimer_.arm(date);
}

void AppController::armAwareness(std::optional<Date> date) {
  awarenessTimer_.arm(date);
}

void AppController::startHeartbeat(Date due) {
  heartbeat_ = time_.callAt(due, Seconds(heartbeatTolerance), [this, due] {
    // The next beat counts from this one, or from now when this one came
    // late (after a suspend): a missed hour is not caught up beat by beat.
    startHeartbeat(addSeconds(std::max(due, time_.now()), heartbeatInterval));
    heartbeat();
  });
}

void AppController::heartbeat() {
  saveSchedule();
  awareness_.evaluate();
  saveActivity();
}

void AppController::saveSchedule() {
  store_.save(engine_.snapshot(), "schedule");
}

void AppController::saveActivity() {
  activitySaveWork_.reset();
  store_.save(awareness_.tracker().data, "activity");
  publishAwareness();
}

void AppController::scheduleActivitySave() {
  // A burst of changes is written once, 5 s after its first change.
  if (activitySaveWork_) return;
  activitySaveWork_ = time_.callAfter(Seconds(activitySaveDelay), Seconds(0.5), [this] {
    activitySaveWork_.reset();
    saveActivity();
  });
}

void AppController::shutdown() {
  // A quit item and then the end of the event loop, or a signal during
  // quitting, may both come here: the state is written once, and what the
  // event loop still changed after that (a click on its way with the quit)
  // at the last call.
  if (shutDown_) {
    savePending();
    return;
  }
  shutDown_ = true;
  // Ending the program is not ending the tour: it opens again next time.
  if (onboarding_) onboarding_->abandon();
  saveAll();
}

void AppController::saveAll() {
  // What a field shows is what is stored: a number typed but not yet
  // confirmed counts, as it does when the window closes.
  if (settingsWindow_) settingsWindow_->commitEdit();
  // Before start() nothing was loaded into the engines: writing their
  // empty state would overwrite what is stored.
  if (started_) {
    saveSchedule();
    awareness_.tracker().refresh();
    saveActivity();
  }
  model_->saveNow();
}

void AppController::savePending() {
  if (activitySaveWork_) saveActivity();
  if (model_->savePending()) model_->saveNow();
}

void AppController::quit() {
  shutdown();
  QCoreApplication::quit();
}

bool AppController::eventFilter(QObject* watched, QEvent* event) {
  // A quit closes every window before the event loop ends, and a closed
  // tour counts as skipped: the program ends first, whoever asked for the
  // quit.
  if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) shutdown();
  return QObject::eventFilter(watched, event);
}

}  // namespace pimble
