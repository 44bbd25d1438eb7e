#include "state/app_model.h"

#include <algorithm>
#include <utility>

#include "models/calendar.h"
#include "models/progress_data.h"
#include "models/reminders_file.h"
#include "services/app_catalog.h"

namespace pimble {

namespace {

constexpr std::string_view settingsName = "settings";
constexpr std::string_view remindersName = "reminders";
constexpr std::string_view progressName = "progress";

}  // namespace

AppModel::AppModel(Persisting& store, TimeSource& time, QObject* parent)
    : QObject(parent), store_(store), time_(time) {
  settings_ = store_.load<AppSettings>(settingsName).value_or(AppSettings{});

  // A stored empty list is treated as no list at all: nobody is left with
  // no reminders to turn on again.
  if (auto file = store_.load<RemindersFile>(remindersName); file && !file->reminders.empty()) {
    reminders_ = std::move(file->reminders);
    Reminder::makeIdsUnique(reminders_);
  } else {
    reminders_ = Reminder::defaults();
  }

  progress_ = ProgressTracker{store_.load<ProgressData>(progressName).value_or(ProgressData{}),
                              Calendar::current()};
  progress_.prune(progressDaysKept, now());

  // Connected after loading: what stood in for a missing document, and the
  // days pruned, reach the store with the first real change.
  connect(this, &AppModel::settingsChanged, this, [this] { scheduleSave(); });
  connect(this, &AppModel::remindersChanged, this, [this] { scheduleSave(); });
}

AppModel::~AppModel() = default;

Date AppModel::now() const {
  return time_.now();
}

// ---- published fields ----

void AppModel::setSettings(AppSettings settings) {
  settings_ = std::move(settings);
  emit settingsChanged(settings_);
}

void AppModel::setReminders(std::vector<Reminder> reminders) {
  // The engine gives a duplicate a fresh identifier too; doing it here keeps
  // both on the same identifiers, so the duplicate keeps its countdown.
  Reminder::makeIdsUnique(reminders);
  reminders_ = std::move(reminders);
  emit remindersChanged(reminders_);
}

void AppModel::setProgress(ProgressTracker progress) {
  progress_ = std::move(progress);
  emit progressChanged(progress_);
}

void AppModel::setPresence(ReminderEngine::Presence presence) {
  presence_ = presence;
  emit presenceChanged(presence_);
}

void AppModel::setPausedUntil(std::optional<Date> pausedUntil) {
  pausedUntil_ = pausedUntil;
  emit pausedUntilChanged(pausedUntil_);
}

void AppModel::setPausedIndefinitely(bool pausedIndefinitely) {
  pausedIndefinitely_ = pausedIndefinitely;
  emit pausedIndefinitelyChanged(pausedIndefinitely_);
}

void AppModel::setNextReminderSummary(std::string summary) {
  nextReminderSummary_ = std::move(summary);
  emit nextReminderSummaryChanged(nextReminderSummary_);
}

void AppModel::setMode(AwarenessMode mode) {
  mode_ = mode;
  emit modeChanged(mode_);
}

void AppModel::setActivityToday(DayUsage usage) {
  activityToday_ = std::move(usage);
  emit activityTodayChanged(activityToday_);
}

void AppModel::setQuietStatus(std::string status) {
  quietStatus_ = std::move(status);
  emit quietStatusChanged(quietStatus_);
}

// ---- saving ----

void AppModel::scheduleSave() {
  saveWork_.reset();
  // The handle is owned here: destroying the model cancels the save.
  saveWork_ = time_.callAfter(Seconds(saveDelay), Seconds(0), [this] { saveNow(); });
}

void AppModel::saveNow() {
  saveWork_.reset();
  store_.save(settings_, settingsName);
  store_.save(RemindersFile{reminders_}, remindersName);
  store_.save(progress_.data, progressName);
}

void AppModel::record(ReminderAction action, ReminderKind kind, std::optional<Date> at) {
  ProgressTracker updated = progress_;
  updated.record(action, kind, at.value_or(now()));
  setProgress(std::move(updated));
  scheduleSave();
}

// ---- the reminder list ----

Reminder AppModel::addCustomReminder() {
  Reminder reminder;
  reminder.kind = ReminderKind::custom;
  reminder.title = "New reminder";
  reminder.message = "Time for this!";
  reminder.intervalMinutes = 60;
  reminder.isEnabled = true;
  reminder.soundEnabled = false;
  reminder.snoozeMinutes = 10;
  reminder.respectsQuietHours = true;
  auto list = reminders_;
  list.push_back(reminder);
  setReminders(std::move(list));
  return reminder;
}

void AppModel::deleteReminder(const Uuid& id) {
  auto list = reminders_;
  const auto removed = std::erase_if(
      list, [&](const Reminder& r) { return r.id == id && r.kind == ReminderKind::custom; });
  if (removed > 0) setReminders(std::move(list));
}

void AppModel::restoreDefaultReminders() {
  auto list = Reminder::defaults();
  for (const auto& r : reminders_) {
    if (r.kind == ReminderKind::custom) list.push_back(r);
  }
  setReminders(std::move(list));
}

// ---- watched applications ----

void AppModel::watch(const ReturnTarget& target) {
  if (settings_.awareness.app(target.bundleID)) return;
  WatchedApp app;
  app.bundleID = target.bundleID;
  app.name = target.name;
  app.isEnabled = true;
  app.resetToCategory(AppCatalog::suggestedCategory(target.bundleID));
  auto settings = settings_;
  settings.awareness.apps.push_back(std::move(app));
  setSettings(std::move(settings));
}

void AppModel::unwatch(const std::string& bundleID) {
  auto settings = settings_;
  const auto removed = std::erase_if(settings.awareness.apps,
                                     [&](const WatchedApp& a) { return a.bundleID == bundleID; });
  if (removed > 0) setSettings(std::move(settings));
}

void AppModel::setCategory(AppCategory category, const std::string& bundleID) {
  auto settings = settings_;
  auto& apps = settings.awareness.apps;
  const auto it = std::find_if(apps.begin(), apps.end(),
                               [&](const WatchedApp& a) { return a.bundleID == bundleID; });
  if (it == apps.end()) return;
  it->resetToCategory(category);
  setSettings(std::move(settings));
}

}  // namespace pimble
