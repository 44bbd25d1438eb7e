#include "models/reminder.h"

#include <algorithm>
#include <unordered_set>

namespace pimble {

void Reminder::makeIdsUnique(std::vector<Reminder>& reminders) {
  std::unordered_set<Uuid> seen;
  seen.reserve(reminders.size());
  for (auto& r : reminders) {
    while (!seen.insert(r.id).second) r.id = Uuid::generate();
  }
}

std::vector<Reminder> Reminder::defaults() {
  struct Row {
    ReminderKind kind;
    const char* title;
    const char* message;
    std::int64_t interval;
    std::int64_t snooze;
  };
  static constexpr Row rows[] = {
      {ReminderKind::water, "Drink water", "Hey! Time for some water.", 45, 10},
      {ReminderKind::stretch, "Stretch", "Reach up high and stretch it out.", 60, 10},
      {ReminderKind::eyeRest, "Rest your eyes", "Look at something far away for a moment.", 20, 5},
      {ReminderKind::posture, "Fix your posture", "Shoulders back, sit up tall.", 30, 10},
      {ReminderKind::walk, "Walk around", "A little stroll will do you good.", 90, 15},
      {ReminderKind::takeBreak, "Take a break", "You've been at it a while. Rest a little.", 120,
       15},
  };
  std::vector<Reminder> out;
  for (const auto& r : rows) {
    Reminder x;
    x.kind = r.kind;
    x.title = r.title;
    x.message = r.message;
    x.intervalMinutes = r.interval;
    x.snoozeMinutes = r.snooze;
    out.push_back(std::move(x));
  }
  return out;
}

std::string_view Reminder::fallbackTitle(ReminderKind kind) {
  switch (kind) {
    case ReminderKind::water:
      return "Drink water";
    case ReminderKind::stretch:
      return "Stretch";
    case ReminderKind::eyeRest:
      return "Rest eyes";
    case ReminderKind::posture:
      return "Fix posture";
    case ReminderKind::walk:
      return "Walk around";
    case ReminderKind::takeBreak:
      return "Take a break";
    case ReminderKind::custom:
      break;
  }
  return "Custom";
}

Json Reminder::toJson() const {
  Json j = Json::object();
  writeField(j, "id", id);
  writeField(j, "kind", kind);
  writeField(j, "title", title);
  writeField(j, "message", message);
  writeField(j, "intervalMinutes", intervalMinutes);
  writeField(j, "isEnabled", isEnabled);
  writeField(j, "soundEnabled", soundEnabled);
  writeField(j, "snoozeMinutes", snoozeMinutes);
  writeField(j, "respectsQuietHours", respectsQuietHours);
  return j;
}

Reminder Reminder::fromJson(const Json& j) {
  requireObject(j);
  Reminder r;
  readField(j, "kind", r.kind);
  readField(j, "id", r.id);
  r.title = std::string(fallbackTitle(r.kind));
  readField(j, "title", r.title);
  readField(j, "message", r.message);
  if (readField(j, "intervalMinutes", r.intervalMinutes))
    r.intervalMinutes = std::max<std::int64_t>(r.intervalMinutes, 1);
  readField(j, "isEnabled", r.isEnabled);
  readField(j, "soundEnabled", r.soundEnabled);
  if (readField(j, "snoozeMinutes", r.snoozeMinutes))
    r.snoozeMinutes = std::max<std::int64_t>(r.snoozeMinutes, 1);
  readField(j, "respectsQuietHours", r.respectsQuietHours);
  return r;
}

}  // namespace pimble
