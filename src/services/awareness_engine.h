#pragma once

// The awareness engine: keeps the current mode (work, relax, night), decides on
// every tick whether a check-in is due (an intention's time is up, bedtime has
// come, or a watched application's limit for the mode is reached), holds it
// back while something blocks it, delivers it, and turns the user's answer
// into changes of the activity data and an Effect for the owner.
//
// It owns no timer and never touches the platform: time, idle time, media,
// the calendar, the wake-up timer, the blockers and the clock text come in
// through its Environment. Callbacks run synchronously inside the call that
// causes them. Main thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "models/activity_data.h"
#include "models/app_identity.h"
#include "models/awareness_settings.h"
#include "models/calendar.h"
#include "models/check_in.h"
#include "models/date.h"
#include "models/day_usage.h"
#include "models/intention.h"
#include "models/mode_schedule.h"
#include "models/mode_settings.h"
#include "models/return_target.h"
#include "models/watched_app.h"
#include "services/activity_tracker.h"
#include "services/awareness_blocker.h"

namespace pimble {

class AwarenessEngine {
 public:
  using Blocker = AwarenessBlocker;

  struct Environment {
    std::function<Date()> now;
    std::function<double()> idleSeconds;
    std::function<bool(const AppIdentity&)> isPlayingMedia;
    Calendar calendar;
    // Fire the owner's single awareness wake-up at that date (none: no timer).
    std::function<void(std::optional<Date>)> arm;
    std::function<std::set<Blocker>()> blockers = [] { return std::set<Blocker>{}; };
    // The time of day for check-in wording. Empty: "23:30" in the calendar.
    std::function<std::string(Date)> clockString;
    // Seconds on a clock that is never set, for the tracker's lengths of
    // time. Empty: they follow `now`.
    std::function<double()> steadyNow;
  };

  // What the owner must do after an answer.
  struct Effect {
    enum class Case { returnTo, stopWatching, none, stretch };

    Case kase = Case::none;
    std::optional<ReturnTarget> target;  // returnTo
    std::string bundleID;                // stopWatching

    static Effect returnTo(ReturnTarget target) {
      Effect e;
      e.kase = Case::returnTo;
      e.target = std::move(target);
      return e;
    }
    static Effect stopWatching(std::string bundleID) {
      Effect e;
      e.kase = Case::stopWatching;
      e.bundleID = std::move(bundleID);
      return e;
    }
    static Effect none() { return {}; }
    static Effect stretch() {
      Effect e;
      e.kase = Case::stretch;
      return e;
    }
    friend bool operator==(const Effect&, const Effect&) = default;
  };

  // How soon a blocked, due check-in is tried again.
  static constexpr double waitPoll = 30;
  // The user counts as active for the bedtime nudge below this idle time.
  static constexpr double bedtimeActiveWithin = 120;
  // How long after a bedtime the nudge may still come.
  static constexpr double bedtimeWindow = 10800;
  // Session seconds added to the next check-in when one went unanswered.
  static constexpr double unansweredRetry = 900;
  // Time in the return target after which an intention counts as returned.
  static constexpr double intentionReturnGrace = 60;
  // An intention older than this is abandoned.
  static constexpr double intentionMaxAge = 14400;
  // Least time between two intention prompts for one application.
  static constexpr double askCooldown = 1800;

  AwarenessEngine();
  explicit AwarenessEngine(Environment environment);
  AwarenessEngine(const AwarenessEngine&) = delete;
  AwarenessEngine& operator=(const AwarenessEngine&) = delete;

  std::function<void(const CheckIn&)> onCheckIn;
  std::function<void(const Intention&, Intention::Status)> onIntentionEnded;
  std::function<void(const AppIdentity&, const std::optional<ReturnTarget>&)> onAskIntention;
  std::function<void(AwarenessMode)> onModeChange;
  std::function<void()> onNeedsPersist;

  const Environment& environment() const { return environment_; }
  // Also hands the clocks, idle, media and calendar providers to the tracker.
  void setEnvironment(Environment environment);

  ActivityTracker& tracker() { return tracker_; }
  const ActivityTracker& tracker() const { return tracker_; }
  const AwarenessSettings& settings() const { return settings_; }
  const ModeSettings& modeSettings() const { return modeSettings_; }
  AwarenessMode mode() const { return mode_; }
  // The check-in delivered and not yet answered.
  const std::optional<CheckIn>& active() const { return active_; }
  const std::optional<std::string>& lastPrunedDay() const { return lastPrunedDay_; }

  // Runs once, after the environment is installed and the stored activity is
  // in the tracker: takes the mode, applies the settings, reports the front
  // application, prunes, announces the mode, then evaluates.
  void start(const AwarenessSettings& settings, const ModeSettings& modes,
             const std::optional<AppIdentity>& frontmost);
  // The first step of start() on its own: takes the mode settings and the
  // mode they give now, announcing nothing, so that the owner can put the
  // mode's effects in force before anything else runs.
  void takeMode(const ModeSettings& modes);
  void apply(const AwarenessSettings& settings, const ModeSettings& modes, bool evaluateNow);
  // The tick.
  void evaluate();
  Effect respond(const CheckInResponse& response);
  // Delivers a check-in for the front watched application at once (the
  // settings' preview); false when none can be built.
  bool forceCheckIn();
  void appTerminated(const std::string& bundleID);
  // When a mode picked by hand at `date` stops overriding the schedule.
  static std::optional<Date> overrideEnd(const ModeSchedule& schedule, Date date,
                                         const Calendar& calendar);

  // Intentions and session timers.
  std::optional<Intention> intention() const;
  Intention startIntention(const ReturnTarget& target, std::int64_t minutes,
                           const std::string& purpose, const std::optional<ReturnTarget>& returnTo,
                           bool isSession);
  void endIntention(Intention::Status status);
  void extendIntention(std::int64_t minutes);
  void maybeAskIntention(const std::optional<AppIdentity>& app);

  // The latest bedtime at or before `now`; none when the calendar cannot place
  // the bedtime on a day.
  std::optional<Date> lastBedtimeInstance(Date now) const;
  // The application's limit in the current mode, at least one minute; none
  // when it has no limit in this mode.
  std::optional<std::int64_t> limitMinutes(const WatchedApp& app) const;

 private:
  Date now() const;
  double idleNow() const;
  std::string clock(Date date) const;
  AwarenessMode computeMode(Date now) const;
  void recomputeMode(Date now);
  void trackerChanged();
  void arm(const std::vector<Date>& wakes);

  void deliver(const CheckIn& checkIn);
  std::optional<Date> nextModeWake(Date after) const;
  std::optional<CheckIn> dueCheckIn(Date now, std::vector<Date>& wakes);
  bool stillApplies(const CheckIn& checkIn) const;
  void pruneIfNewDay();
  void bumpDay(const std::function<void(DayUsage&)>& change);

  std::optional<CheckIn> dueIntention(Date now, std::vector<Date>& wakes);
  bool isReturnCandidate(const AppIdentity& app) const;

  std::optional<CheckIn> dueBedtime(Date now, std::vector<Date>& wakes);
  std::optional<Date> nextBedtime(Date after) const;

  Effect respondToApp(const CheckIn& checkIn, const CheckInResponse& response, Date now);
  Effect respondToIntention(const CheckInResponse& response);
  void respondToBedtime(const CheckInResponse& response, Date now);

  Environment environment_;
  ActivityTracker tracker_;
  AwarenessSettings settings_;
  ModeSettings modeSettings_;
  AwarenessMode mode_ = AwarenessMode::work;
  std::optional<CheckIn> active_;
  std::optional<std::string> lastPrunedDay_;
};

}  // namespace pimble
