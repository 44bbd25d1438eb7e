#pragma once

// Decides when each wellness reminder is shown. The engine owns no timer and
// touches no platform service: it reads the clock, the idle time, the
// calendar and whether the stage is taken through its Environment, and asks
// its owner to wake it through `arm`. Every evaluate() delivers at most one
// reminder and ends with exactly one call of `arm`.
//
// While the user is paused or away every countdown stands still; when the
// freeze ends every next due date moves later by the frozen time. A countdown
// set during a freeze starts from the moment the freeze began, so that only
// the frozen time after it was set moves it. Time while the program was not
// running is skipped the same way at start.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "models/calendar.h"
#include "models/date.h"
#include "models/quiet_hours.h"
#include "models/reminder.h"
#include "services/away_reason.h"
#include "services/reminder_scheduler.h"

namespace pimble {

// How a shown reminder ended.
struct Resolution {
  enum class Kind { snooze, done, skip, timedOut };
  Kind kind = Kind::done;
  // Snooze length; nothing means the reminder's own snoozeMinutes.
  std::optional<std::int64_t> minutes;

  static Resolution snooze(std::optional<std::int64_t> minutes = std::nullopt) {
    return {Kind::snooze, minutes};
  }
  static Resolution done() { return {Kind::done, std::nullopt}; }
  static Resolution skip() { return {Kind::skip, std::nullopt}; }
  static Resolution timedOut() { return {Kind::timedOut, std::nullopt}; }

  friend bool operator==(const Resolution&, const Resolution&) = default;
};

class ReminderEngine {
 public:
  using AwayReason = pimble::AwayReason;

  enum class Presence { awake, quietHours, paused, away };

  // Injected providers. Every field starts as the placeholder used before the
  // owner installs the real one: the system clock, idle 0, the current
  // calendar, a wake-up that does nothing, never blocked. A field left empty
  // is treated as its placeholder and never called.
  struct Environment {
    std::function<Date()> now = systemNow;
    std::function<double()> idleSeconds = [] { return 0.0; };
    Calendar calendar = Calendar::current();
    std::function<void(std::optional<Date>)> arm = [](std::optional<Date>) {};
    std::function<bool()> deliveryBlocked = [] { return false; };
  };

  // Least time between the end of one reminder (or a check-in, or the
  // intention form) and the next delivery.
  static constexpr double minimumGap = 60;
  // Hold after quiet hours end and after an absence ends.
  static constexpr double wakeGrace = 20;
  // Hold after the user comes back from an idle hold.
  static constexpr double returnGrace = 15;
  static constexpr double idlePollInterval = 30;
  // Idle time that counts as a break taken.
  static constexpr double naturalBreak = 300;
  static constexpr double blockedPollInterval = 30;
  // A finished break also restarts related reminders due within this time.
  static constexpr double consolidationHorizon = 600;

  ReminderEngine();  // with the placeholder environment
  explicit ReminderEngine(Environment environment);

  // Settings the owner writes directly, followed by evaluate().
  QuietHours quietHours;  // enabled, 22:00 to 07:00
  bool idleDetectionEnabled = true;
  double idleThreshold = 300;  // seconds

  // Callbacks; an empty one is skipped.
  std::function<void(const Reminder&)> onDeliver;
  std::function<void(const Reminder&, const Resolution&, Date)> onResolved;
  std::function<void(Presence)> onPresenceChange;
  std::function<void()> onNeedsPersist;
  // The reminder being shown was removed or disabled by setReminders(): the
  // owner withdraws what it shows. No resolution follows for it.
  std::function<void(const Reminder&)> onActiveCleared;

  Environment environment;

  // The first start after launch: restores the countdowns and the pause from
  // the stored schedule, skipping the time the program was not running, then
  // evaluates.
  void start(std::vector<Reminder> reminders, const std::optional<ScheduleSnapshot>& snapshot);
  // Replaces the list after the user edited it. A changed interval or a
  // reminder switched on restarts its countdown; other edits keep it.
  void setReminders(std::vector<Reminder> reminders);
  // The tick: called when the wake-up fires and after every change of state
  // the engine cannot see.
  void evaluate();
  // Ends the active reminder with the user's answer.
  void resolve(const Resolution& resolution);
  // The kinds the current awareness mode holds back. Before start() they
  // are only noted, so that the first evaluation already holds them back.
  void setSuppressedKinds(std::set<ReminderKind> kinds);
  // Shows a reminder on demand, past every hold; nothing while one is showing.
  void deliverNow(const Reminder& reminder);
  // No reminder within minimumGap of now (a check-in or the intention form ended).
  void restartMinimumGap();
  // The schedule to store: countdowns, pause and freeze, saved now.
  ScheduleSnapshot snapshot() const;

  // Pause for that many seconds, or until resume() with nothing.
  void pause(std::optional<double> seconds);
  void resume();
  // An away reason starts (true) or ends (false).
  void setAway(AwayReason reason, bool away);

  // Lists with duplicate identifiers keep the first and give later ones fresh
  // identifiers; the owner reads the list back here.
  const std::vector<Reminder>& reminders() const { return reminders_; }
  const std::set<ReminderKind>& suppressedKinds() const { return suppressedKinds_; }
  const ReminderScheduler& scheduler() const { return scheduler_; }
  const std::optional<Reminder>& active() const { return active_; }
  Presence presence() const { return presence_; }
  std::optional<Date> pausedUntil() const { return pausedUntil_; }
  bool pausedIndefinitely() const { return pausedIndefinitely_; }
  bool isPaused() const { return pausedIndefinitely_ || pausedUntil_.has_value(); }
  const std::set<AwayReason>& awayReasons() const { return awayReasons_; }
  std::optional<Date> frozenSince() const { return frozenSince_; }
  std::optional<Date> holdUntil() const { return holdUntil_; }
  std::optional<Date> lastResolvedAt() const { return lastResolvedAt_; }
  bool heldForIdle() const { return heldForIdle_; }
  double observedIdle() const { return observedIdle_; }

 private:
  Date currentTime() const;
  double currentIdleSeconds() const;
  bool deliveryBlocked() const;
  void arm(std::optional<Date> date);
  void notifyPersist();

  // The time the countdowns read: the start of the freeze while frozen.
  Date countdownClock(Date now) const;
  void hold(Date now, double seconds);
  void boundToNow(Date now);
  std::optional<Date> nextWake(Date now, bool quiet) const;
  void deliver(const Reminder& reminder, Date now);
  void consolidate(ReminderKind finished, Date now);
  std::vector<Reminder> enabledReminders() const;

  void expirePauseIfNeeded(Date now);
  void updateFreeze(Date now);
  void publishPresence(bool quiet);

  std::vector<Reminder> reminders_;
  std::set<ReminderKind> suppressedKinds_;
  ReminderScheduler scheduler_;
  std::optional<Reminder> active_;
  Presence presence_ = Presence::awake;
  std::optional<Date> pausedUntil_;
  bool pausedIndefinitely_ = false;
  std::set<AwayReason> awayReasons_;
  std::optional<Date> frozenSince_;
  bool frozenByAway_ = false;
  std::optional<Date> holdUntil_;  // never cleared: once past it has no effect
  double holdLength_ = 0;          // the hold holdUntil_ stands for
  std::optional<Date> lastResolvedAt_;
  bool heldForIdle_ = false;
  double observedIdle_ = 0;
  bool wasQuiet_ = false;
  bool started_ = false;
};

PIMBLE_ENUM_NAMES(ReminderEngine::Presence, {{ReminderEngine::Presence::awake, "awake"},
                                             {ReminderEngine::Presence::quietHours, "quietHours"},
                                             {ReminderEngine::Presence::paused, "paused"},
                                             {ReminderEngine::Presence::away, "away"}});

}  // namespace pimble
