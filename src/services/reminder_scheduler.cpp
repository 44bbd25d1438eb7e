#include "services/reminder_scheduler.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace pimble {

namespace {

// Minute counts from settings or files count as at least one minute; the
// product is taken in double so that no count can overflow.
double minutesToSeconds(std::int64_t minutes) {
  return static_cast<double>(std::max<std::int64_t>(minutes, 1)) * 60.0;
}

// Sets `countdown` to end `minutes` from now and remembers that wait.
void setWait(ReminderRuntime& countdown, Date now, std::int64_t minutes) {
  countdown.nextDue = addSeconds(now, minutesToSeconds(minutes));
  countdown.waitMinutes = std::max<std::int64_t>(minutes, 1);
}

}  // namespace

ReminderScheduler::ReminderScheduler(const ScheduleSnapshot& snapshot) {
  for (const auto& [key, countdown] : snapshot.runtime) {
    if (auto id = Uuid::parse(key)) runtime[*id] = countdown;
  }
}

int ReminderScheduler::dueRank(ReminderKind kind) {
  switch (kind) {
    case ReminderKind::custom:
      return 0;
    case ReminderKind::water:
      return 1;
    case ReminderKind::takeBreak:
      return 2;
    case ReminderKind::walk:
      return 3;
    case ReminderKind::stretch:
      return 4;
    case ReminderKind::eyeRest:
      return 5;
    case ReminderKind::posture:
      return 6;
  }
  return 7;
}

ReminderRuntime ReminderScheduler::freshCountdown(const Reminder& reminder, Date now) {
  ReminderRuntime fresh;
  setWait(fresh, now, reminder.intervalMinutes);
  fresh.ignoreCount = 0;
  return fresh;
}

void ReminderScheduler::restart(const Reminder& reminder, Date now) {
  runtime[reminder.id] = freshCountdown(reminder, now);
}

void ReminderScheduler::sync(const std::vector<Reminder>& reminders, Date now) {
  std::unordered_set<Uuid> listed;
  listed.reserve(reminders.size());
  for (const auto& r : reminders) listed.insert(r.id);
  std::erase_if(runtime, [&](const auto& entry) { return !listed.contains(entry.first); });
  for (const auto& r : reminders) {
    if (!runtime.contains(r.id)) runtime[r.id] = freshCountdown(r, now);
  }
}

void ReminderScheduler::resetAll(const std::vector<Reminder>& reminders, Date now) {
  for (const auto& r : reminders) restart(r, now);
}

void ReminderScheduler::shiftAll(double seconds) {
  if (seconds > 0) moveAll(seconds);  // also refuses NaN
}

void ReminderScheduler::moveAll(double seconds) {
  if (std::isnan(seconds)) return;
  for (auto& [id, countdown] : runtime) countdown.nextDue = addSeconds(countdown.nextDue, seconds);
}

void ReminderScheduler::snooze(const Reminder& reminder, Date now,
                               std::optional<std::int64_t> minutes) {
  ReminderRuntime& countdown = runtime[reminder.id];
  setWait(countdown, now, minutes.value_or(reminder.snoozeMinutes));
  countdown.ignoreCount = 0;
}

void ReminderScheduler::ignore(const Reminder& reminder, Date now) {
  auto it = runtime.find(reminder.id);
  ReminderRuntime countdown;
  countdown.nextDue = now;
  countdown.ignoreCount = 0;
  if (it != runtime.end()) countdown = it->second;
  // A stored count can be anything; a negative one would postpone the full
  // interval almost forever and the largest one would overflow.
  const std::int64_t previous = std::max<std::int64_t>(countdown.ignoreCount, 0);
  countdown.ignoreCount =
      previous < std::numeric_limits<std::int64_t>::max() ? previous + 1 : previous;
  if (countdown.ignoreCount >= ignoreLimit) {
    countdown = freshCountdown(reminder, now);
  } else {
    setWait(countdown, now, reminder.snoozeMinutes);
  }
  runtime[reminder.id] = countdown;
}

bool ReminderScheduler::limitToLongestWait(const std::vector<Reminder>& reminders, Date now) {
  bool changed = false;
  for (const auto& r : reminders) {
    auto it = runtime.find(r.id);
    if (it == runtime.end()) continue;
    // The wait it was set for; a countdown from an older file may have
    // either of the reminder's lengths.
    const std::optional<std::int64_t>& wait = it->second.waitMinutes;
    const double longest =
        wait ? minutesToSeconds(*wait)
             : std::max(minutesToSeconds(r.intervalMinutes), minutesToSeconds(r.snoozeMinutes));
    if (it->second.nextDue > addSeconds(now, longest)) {
      it->second = freshCountdown(r, now);
      changed = true;
    }
  }
  return changed;
}

std::vector<Reminder> ReminderScheduler::due(const std::vector<Reminder>& reminders,
                                             Date now) const {
  struct Entry {
    const Reminder* reminder;
    Date nextDue;
    int rank;
  };
  std::vector<Entry> kept;
  for (const auto& r : reminders) {
    if (!r.isEnabled) continue;
    auto it = runtime.find(r.id);
    if (it == runtime.end() || now < it->second.nextDue) continue;
    kept.push_back({&r, it->second.nextDue, dueRank(r.kind)});
  }
  std::stable_sort(kept.begin(), kept.end(), [](const Entry& a, const Entry& b) {
    if (a.rank != b.rank) return a.rank < b.rank;
    return a.nextDue < b.nextDue;
  });
  std::vector<Reminder> out;
  out.reserve(kept.size());
  for (const auto& e : kept) out.push_back(*e.reminder);
  return out;
}

std::optional<Date> ReminderScheduler::earliestDue(
    const std::vector<Reminder>& reminders,
    const std::function<bool(const Reminder&)>& accept) const {
  std::optional<Date> earliest;
  for (const auto& r : reminders) {
    if (accept && !accept(r)) continue;
    auto it = runtime.find(r.id);
    if (it == runtime.end()) continue;
    if (!earliest || it->second.nextDue < *earliest) earliest = it->second.nextDue;
  }
  return earliest;
}

std::map<std::string, ReminderRuntime> ReminderScheduler::snapshotRuntime() const {
  std::map<std::string, ReminderRuntime> out;
  for (const auto& [id, countdown] : runtime) out.emplace(id.string(), countdown);
  return out;
}

}  // namespace pimble
