#include "models/progress_tracker.h"

#include <algorithm>
#include <limits>

#include "models/saturating.h"

namespace pimble {

std::string ProgressTracker::dayKey(Date date) const {
  return calendar.dayKey(date);
}

void ProgressTracker::record(ReminderAction action, ReminderKind kind, Date at) {
  DayRecord& day = data.days[dayKey(at)];
  auto& table = action == ReminderAction::done      ? day.done
                : action == ReminderAction::snoozed ? day.snoozed
                                                    : day.skipped;
  auto& count = table[std::string(enumName(kind))];
  count = saturatingAdd(count, 1);
}

DaySummary ProgressTracker::summary(Date date) const {
  DaySummary s;
  s.key = dayKey(date);
  s.date = calendar.startOfDay(date);
  if (const auto it = data.days.find(s.key); it != data.days.end()) s.record = it->second;
  return s;
}

std::vector<DaySummary> ProgressTracker::lastDays(std::int64_t n, Date end) const {
  std::vector<DaySummary> out;
  // More days than the calendar holds would only repeat its first day.
  n = std::min<std::int64_t>(n, 4'000'000);
  for (std::int64_t i = n - 1; i >= 0; --i) out.push_back(summary(calendar.addingDays(end, -i)));
  return out;
}

void ProgressTracker::prune(std::int64_t keepingDays, Date now) {
  const auto back = keepingDays == std::numeric_limits<std::int64_t>::min()
                        ? std::numeric_limits<std::int64_t>::max()
                        : -keepingDays;
  const std::string cutoffKey = dayKey(calendar.addingDays(calendar.startOfDay(now), back));
  std::erase_if(data.days, [&](const auto& entry) { return entry.first < cutoffKey; });
}

}  // namespace pimble
