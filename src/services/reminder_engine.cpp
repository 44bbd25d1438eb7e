#include "services/reminder_engine.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

namespace pimble {

namespace {

bool isMovementKind(ReminderKind kind) {
  switch (kind) {
    case ReminderKind::stretch:
    case ReminderKind::eyeRest:
    case ReminderKind::posture:
    case ReminderKind::walk:
    case ReminderKind::takeBreak:
      return true;
    case ReminderKind::water:
    case ReminderKind::custom:
      return false;
  }
  return false;
}

// The smaller breaks that a finished one makes unnecessary.
std::vector<ReminderKind> relatedKinds(ReminderKind finished) {
  switch (finished) {
    case ReminderKind::stretch:
      return {ReminderKind::posture};
    case ReminderKind::walk:
      return {ReminderKind::stretch, ReminderKind::posture};
    case ReminderKind::takeBreak:
      return {ReminderKind::walk, ReminderKind::stretch, ReminderKind::eyeRest,
              ReminderKind::posture};
    case ReminderKind::water:
    case ReminderKind::eyeRest:
    case ReminderKind::posture:
    case ReminderKind::custom:
      return {};
  }
  return {};
}

// Calls a callback when it is set. The copy keeps the callable alive even
// when the owner replaces the callback from inside it.
template <class F, class... Args>
void call(const F& callback, Args&&... args) {
  if (!callback) return;
  F copy = callback;
  copy(std::forward<Args>(args)...);
}

}  // namespace

ReminderEngine::ReminderEngine() = default;
ReminderEngine::ReminderEngine(Environment env) : environment(std::move(env)) {}

// ---- environment, with its placeholders for empty fields ----

Date ReminderEngine::currentTime() const {
  return clampDate(environment.now ? environment.now() : systemNow());
}

double ReminderEngine::currentIdleSeconds() const {
  const double idle = environment.idleSeconds ? environment.idleSeconds() : 0.0;
  return std::isfinite(idle) && idle > 0 ? idle : 0.0;
}

bool ReminderEngine::deliveryBlocked() const {
  return environment.deliveryBlocked && environment.deliveryBlocked();
}

void ReminderEngine::arm(std::optional<Date> date) {
  if (environment.arm) environment.arm(date);
}

void ReminderEngine::notifyPersist() {
  call(onNeedsPersist);
}

// ---- operations ----

void ReminderEngine::start(std::vector<Reminder> reminders,
                           const std::optional<ScheduleSnapshot>& snapshot) {
  const Date now = currentTime();
  Reminder::makeIdsUnique(reminders);
  reminders_ = std::move(reminders);
  if (snapshot) {
    scheduler_ = ReminderScheduler(*snapshot);
    pausedUntil_ = snapshot->pausedUntil;
    pausedIndefinitely_ = snapshot->pausedIndefinitely;
    if (!snapshot->frozenSince) {
      // The time the program did not run counts toward no countdown.
      scheduler_.shiftAll(secondsSince1970(now) - secondsSince1970(snapshot->savedAt));
    } else {
      // A stored freeze start after now comes from a clock set back while
      // the program did not run, or from a hand-edited file.
      frozenSince_ = std::min(*snapshot->frozenSince, now);
    }
  }
  if (isPaused() && !frozenSince_) frozenSince_ = now;
  const Date clock = countdownClock(now);
  scheduler_.sync(reminders_, clock);
  // A hand-edited schedule (or a clock set back while the program did not
  // run) must not silence a reminder for longer than it could ever wait.
  scheduler_.limitToLongestWait(reminders_, clock);
  wasQuiet_ = quietHours.holds(now, environment.calendar);
  started_ = true;
  evaluate();
}

void ReminderEngine::setReminders(std::vector<Reminder> reminders) {
  const Date now = currentTime();
  Reminder::makeIdsUnique(reminders);
  std::unordered_map<Uuid, Reminder> old;
  old.reserve(reminders_.size());
  for (auto& r : reminders_) old.emplace(r.id, std::move(r));

  reminders_ = std::move(reminders);
  const Date clock = countdownClock(now);
  scheduler_.sync(reminders_, clock);
  for (const auto& r : reminders_) {
    auto it = old.find(r.id);
    if (it == old.end()) continue;
    const Reminder& before = it->second;
    if (before.intervalMinutes != r.intervalMinutes || (!before.isEnabled && r.isEnabled)) {
      scheduler_.restart(r, clock);
    }
  }

  if (active_) {
    const bool stillListed = std::any_of(reminders_.begin(), reminders_.end(), [&](const auto& r) {
      return r.id == active_->id && r.isEnabled;
    });
    if (!stillListed) {
      const Reminder cleared = *active_;
      active_.reset();
      call(onActiveCleared, cleared);
    }
  }
  notifyPersist();
  evaluate();
}

void ReminderEngine::evaluate() {
  const Date now = currentTime();
  boundToNow(now);
  expirePauseIfNeeded(now);
  updateFreeze(now);
  // Running countdowns beyond their longest wait come from a clock set back.
  if (!frozenSince_ && scheduler_.limitToLongestWait(reminders_, now)) notifyPersist();
  const bool quiet = quietHours.holds(now, environment.calendar);

  if (wasQuiet_ && !quiet) {
    // Every enabled reminder starts a full interval as the day begins.
    scheduler_.resetAll(enabledReminders(), countdownClock(now));
    hold(now, wakeGrace);
    notifyPersist();
  }
  wasQuiet_ = quiet;
  publishPresence(quiet);

  if (!awayReasons_.empty()) return arm(std::nullopt);
  if (isPaused()) return arm(pausedUntil_);
  if (active_) return arm(std::nullopt);
  if (holdUntil_ && now < *holdUntil_) return arm(holdUntil_);

  std::vector<Reminder> candidates = scheduler_.due(reminders_, now);
  std::erase_if(candidates, [&](const Reminder& r) {
    return (quiet && r.respectsQuietHours) || suppressedKinds_.contains(r.kind);
  });
  if (candidates.empty()) {
    heldForIdle_ = false;
    return arm(nextWake(now, quiet));
  }

  if (idleDetectionEnabled) {
    const double idle = currentIdleSeconds();
    if (idle >= idleThreshold) {
      heldForIdle_ = true;
      observedIdle_ = std::max(observedIdle_, idle);
      return arm(addSeconds(now, idlePollInterval));
    }
    if (heldForIdle_) {
      // The user has just come back; a long enough absence was a break.
      heldForIdle_ = false;
      if (observedIdle_ >= naturalBreak) {
        for (const auto& r : candidates) {
          if (isMovementKind(r.kind)) scheduler_.restart(r, now);
        }
        notifyPersist();
      }
      observedIdle_ = 0;
      hold(now, returnGrace);
      return arm(holdUntil_);
    }
  }

  if (lastResolvedAt_) {
    const Date gapEnd = addSeconds(*lastResolvedAt_, minimumGap);
    if (now < gapEnd) return arm(gapEnd);
  }
  if (deliveryBlocked()) return arm(addSeconds(now, blockedPollInterval));
  deliver(candidates.front(), now);
}

void ReminderEngine::resolve(const Resolution& resolution) {
  if (!active_) return;
  const Reminder r = *active_;
  const Date now = currentTime();
  const Date clock = countdownClock(now);
  active_.reset();
  lastResolvedAt_ = now;
  switch (resolution.kind) {
    case Resolution::Kind::snooze:
      scheduler_.snooze(r, clock, resolution.minutes);
      break;
    case Resolution::Kind::done:
      scheduler_.restart(r, clock);
      consolidate(r.kind, clock);
      break;
    case Resolution::Kind::skip:
      scheduler_.restart(r, clock);
      break;
    case Resolution::Kind::timedOut:
      scheduler_.ignore(r, clock);
      break;
  }
  call(onResolved, r, resolution, now);
  notifyPersist();
  evaluate();
}

void ReminderEngine::setSuppressedKinds(std::set<ReminderKind> kinds) {
  if (kinds == suppressedKinds_) return;
  std::vector<ReminderKind> released;
  std::set_difference(suppressedKinds_.begin(), suppressedKinds_.end(), kinds.begin(), kinds.end(),
                      std::back_inserter(released));
  suppressedKinds_ = std::move(kinds);
  const Date clock = countdownClock(currentTime());
  // A kind coming back starts a full interval instead of firing at once.
  for (const auto& r : reminders_) {
    if (r.isEnabled && std::find(released.begin(), released.end(), r.kind) != released.end()) {
      scheduler_.restart(r, clock);
    }
  }
  if (!released.empty()) notifyPersist();
  // Nothing to look at before start(), which evaluates with these kinds.
  if (started_) evaluate();
}

void ReminderEngine::deliverNow(const Reminder& reminder) {
  if (active_) return;
  deliver(reminder, currentTime());
}

void ReminderEngine::restartMinimumGap() {
  lastResolvedAt_ = currentTime();
  evaluate();
}

ScheduleSnapshot ReminderEngine::snapshot() const {
  ScheduleSnapshot s;
  s.savedAt = currentTime();
  s.runtime = scheduler_.snapshotRuntime();
  s.pausedUntil = pausedUntil_;
  s.pausedIndefinitely = pausedIndefinitely_;
  s.frozenSince = frozenSince_;
  return s;
}

// ---- evaluation helpers ----

Date ReminderEngine::countdownClock(Date now) const {
  return frozenSince_ ? *frozenSince_ : now;
}

void ReminderEngine::hold(Date now, double seconds) {
  holdUntil_ = addSeconds(now, seconds);
  holdLength_ = seconds;
}

void ReminderEngine::boundToNow(Date now) {
  // After the wall clock was set back, neither a hold nor the gap after the
  // last answer may last longer from now than it stands for.
  if (holdUntil_) holdUntil_ = std::min(*holdUntil_, addSeconds(now, holdLength_));
  if (lastResolvedAt_) lastResolvedAt_ = std::min(*lastResolvedAt_, now);
  // Nor may a freeze begin after now.
  if (frozenSince_) frozenSince_ = std::min(*frozenSince_, now);
}

std::optional<Date> ReminderEngine::nextWake(Date now, bool quiet) const {
  std::optional<Date> wake = scheduler_.earliestDue(reminders_, [&](const Reminder& r) {
    return r.isEnabled && !suppressedKinds_.contains(r.kind) && !(quiet && r.respectsQuietHours);
  });
  // Quiet hours beginning or ending change the presence, and their end
  // restarts the countdowns.
  const std::optional<Date> quietDate = quietHours.nextChange(now, environment.calendar);
  if (quietDate && (!wake || *quietDate < *wake)) wake = quietDate;
  return wake;
}

void ReminderEngine::deliver(const Reminder& reminder, Date /*now*/) {
  active_ = reminder;
  arm(std::nullopt);
  call(onDeliver, reminder);
}

void ReminderEngine::consolidate(ReminderKind finished, Date now) {
  const std::vector<ReminderKind> related = relatedKinds(finished);
  if (related.empty()) return;
  const Date horizon = addSeconds(now, consolidationHorizon);
  for (const auto& r : reminders_) {
    if (!r.isEnabled || std::find(related.begin(), related.end(), r.kind) == related.end()) {
      continue;
    }
    auto it = scheduler_.runtime.find(r.id);
    if (it != scheduler_.runtime.end() && it->second.nextDue <= horizon) scheduler_.restart(r, now);
  }
}

std::vector<Reminder> ReminderEngine::enabledReminders() const {
  std::vector<Reminder> out;
  for (const auto& r : reminders_) {
    if (r.isEnabled) out.push_back(r);
  }
  return out;
}

// ---- pauses, absence and the freeze ----

void ReminderEngine::pause(std::optional<double> seconds) {
  const Date now = currentTime();
  if (seconds) {
    pausedUntil_ = addSeconds(now, *seconds);
    pausedIndefinitely_ = false;
  } else {
    pausedUntil_.reset();
    pausedIndefinitely_ = true;
  }
  notifyPersist();
  evaluate();
}

void ReminderEngine::resume() {
  pausedUntil_.reset();
  pausedIndefinitely_ = false;
  notifyPersist();
  evaluate();
}

void ReminderEngine::setAway(AwayReason reason, bool away) {
  const bool changed = away ? awayReasons_.insert(reason).second : awayReasons_.erase(reason) > 0;
  if (!changed) return;
  if (away && !frozenSince_) frozenByAway_ = true;
  evaluate();
}

void ReminderEngine::expirePauseIfNeeded(Date now) {
  if (pausedUntil_ && !(now < *pausedUntil_)) {
    pausedUntil_.reset();
    notifyPersist();
  }
}

void ReminderEngine::updateFreeze(Date now) {
  const bool wanted = !awayReasons_.empty() || isPaused();
  if (wanted) {
    if (!frozenSince_) frozenSince_ = now;
    return;
  }
  if (!frozenSince_) return;
  // Every countdown stood still since the freeze began (those set during it
  // count from there) and moves later by the frozen time. A freeze that
  // seems to begin after now (the clock was set back, or a hand-edited
  // schedule) counts as no frozen time: no countdown ever moves earlier.
  scheduler_.shiftAll(secondsSince1970(now) - secondsSince1970(*frozenSince_));
  frozenSince_.reset();
  if (frozenByAway_) {
    hold(now, wakeGrace);
    frozenByAway_ = false;
  }
  notifyPersist();
}

void ReminderEngine::publishPresence(bool quiet) {
  Presence p = Presence::awake;
  if (!awayReasons_.empty()) {
    p = Presence::away;
  } else if (isPaused()) {
    p = Presence::paused;
  } else if (quiet) {
    p = Presence::quietHours;
  }
  if (p == presence_) return;
  presence_ = p;
  call(onPresenceChange, p);
}

}  // namespace pimble
