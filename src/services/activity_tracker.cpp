#include "services/activity_tracker.h"

#include <algorithm>
#include <cmath>

namespace pimble {
namespace {

double secondsBetween(Date from, Date to) {
  return (to - from).count();
}

}  // namespace

ActivityTracker::ActivityTracker() : ActivityTracker(Environment{}) {}

ActivityTracker::ActivityTracker(Environment env) : environment(std::move(env)) {}

Date ActivityTracker::now() const {
  return environment.now ? clampDate(environment.now()) : systemNow();
}

ActivityTracker::Moment ActivityTracker::moment() const {
  const Date wall = now();
  const double steady = environment.steadyNow ? environment.steadyNow() : 0.0;
  return {wall, environment.steadyNow && std::isfinite(steady) ? steady : secondsSince1970(wall)};
}

double ActivityTracker::liveSeconds(const Moment& at) const {
  return countingSince_ ? std::max(0.0, at.steady - countingSince_->steady) : 0.0;
}

// A reading that is negative or not a number counts as 0 s.
double ActivityTracker::idleNow() const {
  const double idle = environment.idleSeconds ? environment.idleSeconds() : 0.0;
  return std::isnan(idle) || idle < 0 ? 0.0 : idle;
}

bool ActivityTracker::hasActiveIntention() const {
  return data.intention && data.intention->status == Intention::Status::active;
}

bool ActivityTracker::isTracking() const {
  return isEnabled_ || hasActiveIntention();
}

bool ActivityTracker::canCount() const {
  return isTracking() && awayReasons_.empty() && !idleStopped_;
}

bool ActivityTracker::frontmostIsWatched() const {
  return frontmost_ && watched_.contains(frontmost_->bundleID);
}

void ActivityTracker::changed() {
  if (onChange) onChange();
}

void ActivityTracker::flush(const Moment& end) {
  if (!countingSince_) return;
  const double span = end.steady - countingSince_->steady;
  countingSince_ = end;
  if (!(span > 0)) return;
  // The span ends now on the wall clock; it began that long before, whatever
  // the wall clock said then.
  const Date start = addSeconds(end.wall, -span);

  // The intention counts whether or not its application is watched.
  if (hasActiveIntention() && frontmost_ && frontmost_->bundleID == data.intention->bundleID)
    data.intention->activeSeconds += span;
  if (!isEnabled_) return;

  std::optional<std::string> app;
  if (frontmostIsWatched()) app = frontmost_->bundleID;

  // Book each piece on the local day it falls on.
  const Calendar& cal = environment.calendar;
  Date cursor = start;
  while (cursor < end.wall) {
    Date nextMidnight = cal.addingDays(cal.startOfDay(cursor), 1);
    if (nextMidnight <= cursor) nextMidnight = end.wall;  // the calendar could not step a day
    const Date pieceEnd = std::min(nextMidnight, end.wall);
    const double piece = secondsBetween(cursor, pieceEnd);
    DayUsage& day = data.days[cal.dayKey(cursor)];
    if (app) day.apps[*app] += piece;
    day.activeSeconds += piece;
    cursor = pieceEnd;
  }

  if (app) {
    if (auto it = data.sessions.find(*app); it != data.sessions.end()) {
      it->second.activeSeconds += span;
      it->second.lastCountedAt = end.wall;
    }
  }
}

void ActivityTracker::beginCounting(const Moment& at) {
  if (!canCount()) {
    countingSince_.reset();
    return;
  }
  countingSince_ = at;
  if (isEnabled_ && frontmostIsWatched()) ensureSession(*frontmost_, at.wall);
}

void ActivityTracker::ensureSession(const AppIdentity& app, Date at) {
  if (auto it = data.sessions.find(app.bundleID); it != data.sessions.end()) {
    // A pause of exactly the gap still continues the session.
    if (secondsBetween(it->second.lastCountedAt, at) <= sessionGap) return;
  }
  AppSession s;
  s.bundleID = app.bundleID;
  s.startedAt = at;
  s.lastCountedAt = at;
  s.activeSeconds = 0;
  if (lastReturnCandidate_ && lastReturnCandidate_->bundleID != app.bundleID)
    s.returnTo = lastReturnCandidate_;
  s.nextCheckInAtSeconds.reset();
  s.quietForSession = false;
  s.checkInsShown = 0;
  data.sessions.insert_or_assign(app.bundleID, std::move(s));
}

void ActivityTracker::retrack(const std::function<void()>& change) {
  const Moment t = moment();
  const bool wasTracking = isTracking();
  flush(t);
  change();
  bookingChangedAt_ = t;
  if (isTracking()) {
    if (!wasTracking) idleStopped_ = false;
    beginCounting(t);
  } else {
    countingSince_.reset();
    watchingMedia_ = false;
  }
  changed();
}

void ActivityTracker::setEnabled(bool enabled) {
  if (isEnabled_ == enabled) return;
  retrack([&] { isEnabled_ = enabled; });
}

void ActivityTracker::setIntention(const std::optional<Intention>& intention) {
  retrack([&] { data.intention = intention; });
}

void ActivityTracker::setWatched(const std::set<std::string>& ids) {
  if (ids == watched_) return;
  const Moment t = moment();
  flush(t);
  watched_ = ids;
  bookingChangedAt_ = t;
  if (countingSince_) beginCounting(t);
  changed();
}

void ActivityTracker::appActivated(const std::optional<AppIdentity>& app) {
  const Moment t = moment();
  flush(t);
  if (frontmost_ && (!app || app->bundleID != frontmost_->bundleID) && isReturnCandidate &&
      isReturnCandidate(*frontmost_))
    lastReturnCandidate_ = ReturnTarget{frontmost_->bundleID, frontmost_->name};
  frontmost_ = app;
  frontmostSince_ = t.wall;
  watchingMedia_ = false;
  idleStopped_ = false;  // switching applications counts as presence
  beginCounting(t);
  changed();
}

void ActivityTracker::setAway(AwayReason reason, bool away) {
  const bool wasAway = !awayReasons_.empty();
  const bool setChanged =
      away ? awayReasons_.insert(reason).second : awayReasons_.erase(reason) > 0;
  if (!setChanged) return;
  const Moment t = moment();
  if (!awayReasons_.empty()) {
    flush(t);
    countingSince_.reset();
    watchingMedia_ = false;
  } else if (wasAway) {
    idleStopped_ = false;
    beginCounting(t);
  }
  changed();
}

void ActivityTracker::refresh() {
  if (!isTracking() || !awayReasons_.empty()) return;
  const Moment t = moment();
  const double idle = idleNow();
  const bool media = [&] {
    return frontmost_ && environment.isPlayingMedia && environment.isPlayingMedia(*frontmost_);
  }();
  if (!countingSince_) {
    if (idleStopped_) {
      if (idle < idleThreshold) {
        // The user came back: counting resumes at the last input, though not
        // before what is counted now came to be (an intention started or the
        // history cleared meanwhile).
        idleStopped_ = false;
        Moment from = t.earlier(idle);
        if (bookingChangedAt_ && from < *bookingChangedAt_) from = *bookingChangedAt_;
        beginCounting(std::min(from, t));
        flush(t);
      } else if (media) {
        // Media keeps the user present from now on; the idle span before is not counted.
        idleStopped_ = false;
        watchingMedia_ = true;
        beginCounting(t);
      }
    } else {
      beginCounting(t);
    }
  } else {
    const Moment since = *countingSince_;
    if (idle < idleThreshold) {
      watchingMedia_ = false;
      flush(t);
    } else if (media) {
      watchingMedia_ = true;
      flush(t);
    } else {
      // Gone idle: the time after the last input is not booked, apart from
      // what earlier refreshes already booked.
      watchingMedia_ = false;
      flush(std::max(t.earlier(idle), since));
      countingSince_.reset();
      idleStopped_ = true;
    }
  }
  changed();
}

std::optional<Date> ActivityTracker::nextRefreshDate() const {
  if (!isTracking() || !awayReasons_.empty()) return std::nullopt;
  const Date t = now();
  if (idleStopped_) return addSeconds(t, idleRecheck);
  if (!countingSince_) return std::nullopt;
  if (watchingMedia_) return addSeconds(t, mediaRecheck);
  return addSeconds(t, std::max(idleThreshold - idleNow(), 5.0));
}

bool ActivityTracker::isCounting(const std::string& bundleID) const {
  return countingSince_ && frontmost_ && frontmost_->bundleID == bundleID &&
         watched_.contains(bundleID);
}

double ActivityTracker::activeSeconds(const std::string& bundleID) const {
  auto it = data.sessions.find(bundleID);
  if (it == data.sessions.end()) return 0;
  double seconds = it->second.activeSeconds;
  if (isCounting(bundleID)) seconds += liveSeconds(moment());
  return seconds;
}

double ActivityTracker::intentionSeconds() const {
  if (!hasActiveIntention()) return 0;
  double seconds = data.intention->activeSeconds;
  if (countingSince_ && frontmost_ && frontmost_->bundleID == data.intention->bundleID)
    seconds += liveSeconds(moment());
  return seconds;
}

std::optional<AppSession> ActivityTracker::session(const std::string& bundleID) const {
  auto it = data.sessions.find(bundleID);
  if (it == data.sessions.end()) return std::nullopt;
  return it->second;
}

std::string ActivityTracker::dayKey(Date date) const {
  return environment.calendar.dayKey(date);
}

DayUsage ActivityTracker::today() const {
  const Moment t = moment();
  DayUsage record;
  if (auto it = data.days.find(dayKey(t.wall)); it != data.days.end()) record = it->second;
  const double counted = liveSeconds(t);
  if (!isEnabled_ || !(counted > 0)) return record;
  const Date from = std::max(addSeconds(t.wall, -counted), environment.calendar.startOfDay(t.wall));
  const double live = secondsBetween(from, t.wall);
  if (live > 0) {
    record.activeSeconds += live;
    if (frontmostIsWatched()) record.apps[frontmost_->bundleID] += live;
  }
  return record;
}

void ActivityTracker::clearHistory() {
  const Moment t = moment();
  if (countingSince_) countingSince_ = t;  // the uncounted span is dropped
  ActivityData fresh;
  fresh.intention = data.intention;
  data = std::move(fresh);
  bookingChangedAt_ = t;
  if (frontmostIsWatched() && countingSince_) {
    AppSession s;
    s.bundleID = frontmost_->bundleID;
    s.startedAt = t.wall;
    s.lastCountedAt = t.wall;
    s.activeSeconds = 0;
    // The way back never names the application itself, as on every other path.
    if (lastReturnCandidate_ && lastReturnCandidate_->bundleID != frontmost_->bundleID)
      s.returnTo = lastReturnCandidate_;
    data.sessions.insert_or_assign(s.bundleID, std::move(s));
  }
  changed();
}

void ActivityTracker::prune(int keepingDays) {
  const Date t = now();
  const int days = std::max(keepingDays, 1);
  const Calendar& cal = environment.calendar;
  const Date cutoff = cal.addingDays(cal.startOfDay(t), -static_cast<long long>(days));
  const std::string cutoffKey = dayKey(cutoff);
  std::erase_if(data.days, [&](const auto& entry) { return entry.first < cutoffKey; });
  std::erase_if(data.sessions, [&](const auto& entry) {
    return !(secondsBetween(entry.second.lastCountedAt, t) < 86400);
  });
  const std::string todayKey = dayKey(t);
  std::erase_if(data.mutedOn, [&](const auto& entry) { return entry.second != todayKey; });
}

void ActivityTracker::updateIntention(const std::function<void(Intention&)>& change) {
  flush(moment());
  if (!data.intention) return;
  Intention copy = *data.intention;
  change(copy);
  data.intention = std::move(copy);
  changed();
}

}  // namespace pimble
