#pragma once

// Counts time. Knows which application is in front, whether the user is
// present (not idle, not away), which applications are watched and whether an
// intention runs, and turns elapsed time into seconds per local day, per usage
// session of each watched application, and for the running intention. Owns
// the live activity document.
//
// Lengths come from a clock that is never set (`steadyNow`): a wall clock set
// forward or back books the time that really passed, laid on the wall clock's
// days as ending at the moment it is booked.
//
// Every operation that changes what is being counted first books the time so
// far under the old state, so each second is attributed to the state that held
// during it. Between calls nothing runs: the live part is computed on demand
// from `countingSince()`, and `nextRefreshDate()` says when to look again.

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "models/activity_data.h"
#include "models/app_identity.h"
#include "models/app_session.h"
#include "models/calendar.h"
#include "models/date.h"
#include "models/day_usage.h"
#include "models/intention.h"
#include "models/return_target.h"
#include "services/away_reason.h"

namespace pimble {

class ActivityTracker {
 public:
  struct Environment {
    std::function<Date()> now = systemNow;
    std::function<double()> idleSeconds = [] { return 0.0; };
    std::function<bool(const AppIdentity&)> isPlayingMedia = [](const AppIdentity&) {
      return false;
    };
    Calendar calendar;
    // Seconds on a clock that is never set, for lengths of time. Empty: the
    // lengths follow `now`, clock changes included.
    std::function<double()> steadyNow;
  };

  // Idle time from which counting stops, unless media plays.
  static constexpr double idleThreshold = 180;
  // Refresh interval while counting only because media plays.
  static constexpr double mediaRecheck = 60;
  // Refresh interval while counting is stopped for idleness.
  static constexpr double idleRecheck = 15;

  ActivityTracker();
  explicit ActivityTracker(Environment environment);

  // Written by the owner.
  Environment environment;
  // Longest pause after which a watched application's session still continues.
  double sessionGap = 600;
  // Whether an application the user leaves may become the way back.
  std::function<bool(const AppIdentity&)> isReturnCandidate = [](const AppIdentity&) {
    return true;
  };
  // The data or the counting state changed.
  std::function<void()> onChange;
  // The live activity document; the owner may edit it and then call onChange.
  ActivityData data;

  // Read-only state.
  bool isEnabled() const { return isEnabled_; }
  const std::set<std::string>& watched() const { return watched_; }
  const std::optional<AppIdentity>& frontmost() const { return frontmost_; }
  std::optional<Date> countingSince() const {
    return countingSince_ ? std::optional<Date>(countingSince_->wall) : std::nullopt;
  }
  const std::set<AwayReason>& awayReasons() const { return awayReasons_; }
  bool idleStopped() const { return idleStopped_; }
  bool watchingMedia() const { return watchingMedia_; }
  const std::optional<ReturnTarget>& lastReturnCandidate() const { return lastReturnCandidate_; }
  std::optional<Date> frontmostSince() const { return frontmostSince_; }

  // Awareness is on, or an intention is active.
  bool isTracking() const;

  void setEnabled(bool enabled);
  void setWatched(const std::set<std::string>& ids);
  void setIntention(const std::optional<Intention>& intention);
  void appActivated(const std::optional<AppIdentity>& app);
  void setAway(AwayReason reason, bool away);
  // Applies the idle and media rules and counts up to now.
  void refresh();
  std::optional<Date> nextRefreshDate() const;

  // The session's seconds, including the part being counted right now.
  double activeSeconds(const std::string& bundleID) const;
  // The active intention's seconds, including the part being counted.
  double intentionSeconds() const;
  std::optional<AppSession> session(const std::string& bundleID) const;
  // That watched application is in front and being counted.
  bool isCounting(const std::string& bundleID) const;
  std::string dayKey(Date date) const;
  // Today's record including the live part; nothing is stored.
  DayUsage today() const;
  // Forgets all history except the intention; counting goes on.
  void clearHistory();
  // Drops old days, sessions idle for a day and mutes of past days.
  void prune(int keepingDays);
  // Counts up to now, then lets the owner change the stored intention.
  void updateIntention(const std::function<void(Intention&)>& change);

 private:
  // A moment as both clocks read it: the wall date places it on a day, the
  // steady reading measures the time between two moments.
  struct Moment {
    Date wall;
    double steady = 0;
    Moment earlier(double seconds) const { return {addSeconds(wall, -seconds), steady - seconds}; }
    bool operator<(const Moment& other) const { return steady < other.steady; }
  };

  Date now() const;
  Moment moment() const;
  double idleNow() const;
  // Seconds counted since counting began, up to `at`; never negative.
  double liveSeconds(const Moment& at) const;
  bool canCount() const;
  bool frontmostIsWatched() const;
  bool hasActiveIntention() const;
  void changed();
  void flush(const Moment& end);
  void beginCounting(const Moment& at);
  void ensureSession(const AppIdentity& app, Date at);
  void retrack(const std::function<void()>& change);

  bool isEnabled_ = false;
  std::set<std::string> watched_;
  std::optional<AppIdentity> frontmost_;
  std::optional<Moment> countingSince_;
  std::set<AwayReason> awayReasons_;
  bool idleStopped_ = false;
  bool watchingMedia_ = false;
  std::optional<ReturnTarget> lastReturnCandidate_;
  std::optional<Date> frontmostSince_;
  // The last change of what time is booked to (awareness, the watched set, the
  // intention, a cleared history): coming back from idle never counts from before it.
  std::optional<Moment> bookingChangedAt_;
};

}  // namespace pimble
