#pragma once

// The observable application model the views and the controller share: the
// user's settings, reminders and progress (loaded from and saved to the
// store), the figures the controller publishes for the views, and the
// commands the views call.
//
// Every setter stores the value and then emits its change signal, also when
// the value did not change: a slot reads the new value. Changes of settings,
// reminders and progress reach the store 0.4 s after the last of a burst.

#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "models/app_category.h"
#include "models/app_settings.h"
#include "models/awareness_mode.h"
#include "models/date.h"
#include "models/day_usage.h"
#include "models/persisting.h"
#include "models/progress_tracker.h"
#include "models/reminder.h"
#include "models/reminder_action.h"
#include "models/reminder_kind.h"
#include "models/return_target.h"
#include "models/uuid.h"
#include "services/reminder_engine.h"
#include "state/app_actions.h"
#include "system/time_source.h"

namespace pimble {

class AppModel : public QObject {
  Q_OBJECT

 public:
  // Days of progress history kept.
  static constexpr std::int64_t progressDaysKept = 120;
  // Pause between the last change and the save.
  static constexpr double saveDelay = 0.4;

  // Loads the settings, reminders and progress documents, with defaults for
  // what is missing or unreadable. Writes nothing.
  AppModel(Persisting& store, TimeSource& time, QObject* parent = nullptr);
  ~AppModel() override;

  const AppSettings& settings() const { return settings_; }
  void setSettings(AppSettings settings);

  // Identifiers are unique: a later reminder sharing one gets a fresh one.
  const std::vector<Reminder>& reminders() const { return reminders_; }
  void setReminders(std::vector<Reminder> reminders);

  const ProgressTracker& progress() const { return progress_; }
  // Not saved by itself: whoever assigns it calls scheduleSave().
  void setProgress(ProgressTracker progress);

  ReminderEngine::Presence presence() const { return presence_; }
  void setPresence(ReminderEngine::Presence presence);

  std::optional<Date> pausedUntil() const { return pausedUntil_; }
  void setPausedUntil(std::optional<Date> pausedUntil);

  bool pausedIndefinitely() const { return pausedIndefinitely_; }
  void setPausedIndefinitely(bool pausedIndefinitely);

  const std::string& nextReminderSummary() const { return nextReminderSummary_; }
  void setNextReminderSummary(std::string summary);

  AwarenessMode mode() const { return mode_; }
  void setMode(AwarenessMode mode);

  const DayUsage& activityToday() const { return activityToday_; }
  void setActivityToday(DayUsage usage);

  const std::string& quietStatus() const { return quietStatus_; }
  void setQuietStatus(std::string status);

  // A pause counts until the controller clears it, even past its end date.
  bool isPaused() const { return pausedIndefinitely_ || pausedUntil_.has_value(); }

  // The model's clock.
  Date now() const;
  Persisting& store() const { return store_; }
  // The clock every delay of the views goes through.
  TimeSource& timeSource() const { return time_; }

  // The commands the views call; the controller fills them in.
  AppActions actions;

  // Saves 0.4 s from now, replacing a save already asked for.
  void scheduleSave();
  // Writes settings, reminders and progress now; a pending save is dropped.
  void saveNow();
  bool savePending() const { return saveWork_ != nullptr; }

  // Counts one reminder outcome on the day of `at` (default: now) and saves.
  void record(ReminderAction action, ReminderKind kind, std::optional<Date> at = std::nullopt);

  // A new personal reminder at the end of the list.
  Reminder addCustomReminder();
  // Removes the personal reminders with this identifier; built-in ones stay.
  void deleteReminder(const Uuid& id);
  // The built-in reminders afresh, followed by the personal ones.
  void restoreDefaultReminders();

  // Watches the application with its suggested category and that category's
  // limits, unless it is watched already (enabled or not).
  void watch(const ReturnTarget& target);
  // Stops watching every entry with this bundle identifier.
  void unwatch(const std::string& bundleID);
  // Gives the first entry with this bundle identifier the category, its
  // default limits and no intention question.
  void setCategory(AppCategory category, const std::string& bundleID);

 signals:
  void settingsChanged(const pimble::AppSettings& settings);
  void remindersChanged(const std::vector<pimble::Reminder>& reminders);
  void progressChanged(const pimble::ProgressTracker& progress);
  void presenceChanged(pimble::ReminderEngine::Presence presence);
  void pausedUntilChanged(std::optional<pimble::Date> pausedUntil);
  void pausedIndefinitelyChanged(bool pausedIndefinitely);
  void nextReminderSummaryChanged(const std::string& summary);
  void modeChanged(pimble::AwarenessMode mode);
  void activityTodayChanged(const pimble::DayUsage& usage);
  void quietStatusChanged(const std::string& status);

 private:
  Persisting& store_;
  TimeSource& time_;

  AppSettings settings_;
  std::vector<Reminder> reminders_;
  ProgressTracker progress_;
  ReminderEngine::Presence presence_ = ReminderEngine::Presence::awake;
  std::optional<Date> pausedUntil_;
  bool pausedIndefinitely_ = false;
  std::string nextReminderSummary_;
  AwarenessMode mode_ = AwarenessMode::work;
  DayUsage activityToday_;
  std::string quietStatus_;

  std::unique_ptr<ScheduledCall> saveWork_;
};

}  // namespace pimble
