#include "services/awareness_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "models/check_in_copy.h"
#include "models/saturating.h"
#include "services/app_catalog.h"

namespace pimble {
namespace {

double secondsBetween(Date from, Date to) {
  return (to - from).count();
}

// Counters read from a file may sit at their limit; they stay there.
void increment(std::int64_t& counter) {
  counter = saturatingAdd(counter, 1);
}

// Minutes as seconds without integer overflow.
double minutesToSeconds(std::int64_t minutes) {
  return static_cast<double>(minutes) * 60.0;
}

std::optional<Date> earliest(const std::vector<Date>& dates) {
  if (dates.empty()) return std::nullopt;
  return *std::min_element(dates.begin(), dates.end());
}

bool isBlank(std::uint32_t c) {
  return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// White space and line breaks (ASCII and Unicode) cut from both ends.
std::string trimmed(const std::string& text) {
  // Decodes the code point starting at i; length 0 when malformed.
  auto decode = [&](std::size_t i, std::size_t& length) -> std::uint32_t {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
      length = 1;
      return b0;
    }
    length = (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || i + length > text.size()) {
      length = 0;
      return 0;
    }
    std::uint32_t c = b0 & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (text[i + k] & 0x3F);
    return c;
  };
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t length = 0;
    const auto c = decode(begin, length);
    if (length == 0 || !isBlank(c)) break;
    begin += length;
  }
  // Walk forward, remembering where the last non-blank code point ends.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    std::size_t length = 0;
    const auto c = decode(i, length);
    if (length == 0) length = 1;  // a stray byte is kept as content
    if (length == 1 && static_cast<unsigned char>(text[i]) >= 0x80) {
      end = i + 1;
    } else if (!isBlank(c)) {
      end = i + length;
    }
    i += length;
  }
  return text.substr(begin, end - begin);
}

}  // namespace

AwarenessEngine::AwarenessEngine() : AwarenessEngine(Environment{}) {}

AwarenessEngine::AwarenessEngine(Environment environment) : environment_(std::move(environment)) {
  setEnvironment(environment_);
  // The tracker is a member: it never outlives the engine it calls back.
  tracker_.isReturnCandidate = [this](const AppIdentity& app) { return isReturnCandidate(app); };
  tracker_.onChange = [this] {
    if (onNeedsPersist) onNeedsPersist();
  };
}

void AwarenessEngine::setEnvironment(Environment environment) {
  environment_ = std::move(environment);
  ActivityTracker::Environment env;
  if (environment_.now) env.now = environment_.now;
  if (environment_.idleSeconds) env.idleSeconds = environment_.idleSeconds;
  if (environment_.isPlayingMedia) env.isPlayingMedia = environment_.isPlayingMedia;
  env.calendar = environment_.calendar;
  env.steadyNow = environment_.steadyNow;
  tracker_.environment = std::move(env);
}

Date AwarenessEngine::now() const {
  return environment_.now ? clampDate(environment_.now()) : systemNow();
}

double AwarenessEngine::idleNow() const {
  const double idle = environment_.idleSeconds ? environment_.idleSeconds() : 0.0;
  return std::isnan(idle) || idle < 0 ? 0.0 : idle;
}

std::string AwarenessEngine::clock(Date date) const {
  if (environment_.clockString) return environment_.clockString(date);
  const auto c = environment_.calendar.components(date);
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", c.hour, c.minute);
  return text;
}

void AwarenessEngine::trackerChanged() {
  if (tracker_.onChange) tracker_.onChange();
}

void AwarenessEngine::arm(const std::vector<Date>& wakes) {
  if (environment_.arm) environment_.arm(earliest(wakes));
}

// ---------------------------------------------------------------- mode

AwarenessMode AwarenessEngine::computeMode(Date t) const {
  const auto& m = modeSettings_;
  if (!m.schedule.isEnabled) return m.manualMode;
  if (m.overrideUntil && t < *m.overrideUntil) return m.manualMode;
  return m.schedule.mode(t, environment_.calendar);
}

void AwarenessEngine::recomputeMode(Date t) {
  const AwarenessMode next = computeMode(t);
  if (next == mode_) return;
  mode_ = next;
  if (onModeChange) onModeChange(mode_);
}

std::optional<Date> AwarenessEngine::nextModeWake(Date after) const {
  const auto& m = modeSettings_;
  if (!m.schedule.isEnabled) return std::nullopt;
  std::vector<Date> candidates;
  if (m.overrideUntil && *m.overrideUntil > after) candidates.push_back(*m.overrideUntil);
  if (auto b = m.schedule.nextBoundary(after, environment_.calendar)) candidates.push_back(*b);
  return earliest(candidates);
}

std::optional<Date> AwarenessEngine::overrideEnd(const ModeSchedule& schedule, Date date,
                                                 const Calendar& calendar) {
  if (!schedule.isEnabled) return std::nullopt;
  const AwarenessMode start = schedule.mode(date, calendar);
  Date cursor = date;
  std::optional<Date> lastExamined;
  for (int i = 0; i < 40; ++i) {
    const auto next = schedule.nextBoundary(cursor, calendar);
    if (!next) break;
    if (schedule.mode(*next, calendar) != start) return next;
    lastExamined = next;
    cursor = *next;
  }
  // No boundary changed the mode: the hand-picked mode still holds until the
  // last boundary looked at, rather than not at all.
  return lastExamined;
}

// ---------------------------------------------------------------- life cycle

void AwarenessEngine::start(const AwarenessSettings& settings, const ModeSettings& modes,
                            const std::optional<AppIdentity>& frontmost) {
  takeMode(modes);
  apply(settings, modes, false);
  tracker_.appActivated(frontmost);
  pruneIfNewDay();
  if (onModeChange) onModeChange(mode_);
  evaluate();
}

void AwarenessEngine::takeMode(const ModeSettings& modes) {
  modeSettings_ = modes;
  mode_ = computeMode(now());
}

void AwarenessEngine::apply(const AwarenessSettings& settings, const ModeSettings& modes,
                            bool evaluateNow) {
  if (settings.retentionDays != settings_.retentionDays) lastPrunedDay_.reset();
  settings_ = settings;
  modeSettings_ = modes;
  tracker_.sessionGap = minutesToSeconds(std::max<std::int64_t>(settings_.sessionGapMinutes, 1));
  std::set<std::string> watched;
  for (const auto& app : settings_.apps)
    if (app.isEnabled) watched.insert(app.bundleID);
  tracker_.setWatched(watched);
  tracker_.setEnabled(settings_.isEnabled);
  if (active_ && !stillApplies(*active_)) active_.reset();
  if (evaluateNow) evaluate();
}

void AwarenessEngine::evaluate() {
  const Date t = now();
  tracker_.refresh();
  pruneIfNewDay();
  recomputeMode(t);

  std::vector<Date> wakes;
  if (auto d = tracker_.nextRefreshDate()) wakes.push_back(*d);
  if (auto d = nextModeWake(t)) wakes.push_back(*d);

  // Nothing new while a check-in waits for its answer.
  if (active_) {
    arm(wakes);
    return;
  }
  const auto due = dueCheckIn(t, wakes);
  if (!due) {
    arm(wakes);
    return;
  }
  auto blockers = environment_.blockers ? environment_.blockers() : std::set<Blocker>{};
  if (settings_.checkInOverFullscreen) blockers.erase(Blocker::fullscreen);
  if (blockers.empty()) {
    deliver(*due);
    if (environment_.arm) environment_.arm(tracker_.nextRefreshDate());
    return;
  }
  // The waiting check-in is built afresh on a later tick.
  wakes.push_back(addSeconds(t, waitPoll));
  arm(wakes);
}

void AwarenessEngine::deliver(const CheckIn& checkIn) {
  active_ = checkIn;
  switch (checkIn.kind.kase) {
    case CheckIn::Kind::Case::intention:
      tracker_.updateIntention([](Intention& i) { increment(i.checkIns); });
      break;
    case CheckIn::Kind::Case::app:
      if (auto it = tracker_.data.sessions.find(checkIn.kind.bundleID);
          it != tracker_.data.sessions.end()) {
        increment(it->second.checkInsShown);
        trackerChanged();
      }
      break;
    case CheckIn::Kind::Case::bedtime:
      break;
  }
  bumpDay([](DayUsage& d) { increment(d.checkIns); });
  if (onCheckIn) onCheckIn(checkIn);
}

AwarenessEngine::Effect AwarenessEngine::respond(const CheckInResponse& response) {
  if (!active_) return Effect::none();
  const CheckIn checkIn = *active_;
  active_.reset();
  const Date t = now();
  tracker_.refresh();
  Effect effect;
  switch (checkIn.kind.kase) {
    case CheckIn::Kind::Case::intention:
      effect = respondToIntention(response);
      break;
    case CheckIn::Kind::Case::bedtime:
      respondToBedtime(response, t);
      break;
    case CheckIn::Kind::Case::app:
      effect = respondToApp(checkIn, response, t);
      break;
  }
  if (onNeedsPersist) onNeedsPersist();
  evaluate();
  return effect;
}

AwarenessEngine::Effect AwarenessEngine::respondToIntention(const CheckInResponse& response) {
  using C = CheckInResponse::Case;
  switch (response.kase) {
    case C::remindIn:
      extendIntention(response.minutes);
      return Effect::none();
    case C::timedOut:
      extendIntention(5);
      return Effect::none();
    case C::intentionDone:
      endIntention(Intention::Status::finished);
      return Effect::none();
    case C::backToTask: {
      const auto running = intention();
      const auto target = running ? running->returnTo : std::nullopt;
      endIntention(Intention::Status::returned);
      return target ? Effect::returnTo(*target) : Effect::none();
    }
    default:
      endIntention(Intention::Status::dismissed);
      return Effect::none();
  }
}

void AwarenessEngine::respondToBedtime(const CheckInResponse& response, Date t) {
  auto& data = tracker_.data;
  if (response.kase == CheckInResponse::Case::remindIn) {
    data.bedtimeSnoozedUntil =
        addSeconds(t, minutesToSeconds(std::max<std::int64_t>(response.minutes, 1)));
  } else if (response.kase == CheckInResponse::Case::timedOut) {
    data.bedtimeSnoozedUntil = addSeconds(t, 1800);
  } else if (auto instance = lastBedtimeInstance(t)) {
    // Stored as the file keeps it, so the comparison after a reload still holds.
    data.bedtimeHandled = wholeSeconds(*instance);
  }
  trackerChanged();
}

AwarenessEngine::Effect AwarenessEngine::respondToApp(const CheckIn& checkIn,
                                                      const CheckInResponse& response, Date t) {
  using C = CheckInResponse::Case;
  const std::string& id = checkIn.kind.bundleID;
  const double seconds = tracker_.activeSeconds(id);
  double limit = 1800;
  if (auto app = settings_.app(id))
    if (auto minutes = limitMinutes(*app)) limit = minutesToSeconds(*minutes);
  // A cooldown of 0 or less would bring the card straight back after every
  // answer; it is used as one minute (the stored value stays).
  std::optional<double> cooldown;
  if (settings_.keepGoingCooldownMinutes)
    cooldown = minutesToSeconds(std::max<std::int64_t>(*settings_.keepGoingCooldownMinutes, 1));

  if (auto it = tracker_.data.sessions.find(id); it != tracker_.data.sessions.end()) {
    AppSession& s = it->second;
    switch (response.kase) {
      case C::remindIn:
        s.nextCheckInAtSeconds =
            seconds + minutesToSeconds(std::max<std::int64_t>(response.minutes, 1));
        break;
      case C::keepGoing:
      case C::wrapUp:
      case C::dismiss:
        if (cooldown)
          s.nextCheckInAtSeconds = seconds + *cooldown;
        else
          s.quietForSession = true;
        break;
      case C::finish:
        s.nextCheckInAtSeconds = seconds + cooldown.value_or(1800);
        break;
      case C::stretch:
        s.nextCheckInAtSeconds = seconds + limit;
        break;
      case C::timedOut:
        s.nextCheckInAtSeconds = seconds + unansweredRetry;
        break;
      default:
        break;
    }
    trackerChanged();
  }

  const std::string today = tracker_.dayKey(t);
  bumpDay([&](DayUsage& d) {
    if (response.kase == C::keepGoing) increment(d.keptGoing);
    if (response.kase == C::finish) increment(d.finished);
  });
  if (response.kase == C::muteToday) {
    tracker_.data.mutedOn[id] = today;
    trackerChanged();
  }

  switch (response.kase) {
    case C::finish:
      return checkIn.returnTo ? Effect::returnTo(*checkIn.returnTo) : Effect::none();
    case C::stretch:
      return Effect::stretch();
    case C::stopForApp:
      return Effect::stopWatching(id);
    default:
      return Effect::none();
  }
}

bool AwarenessEngine::forceCheckIn() {
  const auto& front = tracker_.frontmost();
  if (active_ || !front) return false;
  const auto app = settings_.app(front->bundleID);
  if (!app) return false;
  const auto session = tracker_.session(front->bundleID);
  CheckInCopy::Context c;
  c.bundleID = front->bundleID;
  c.appName = app->name;
  c.category = app->category;
  c.mode = mode_;
  c.tone = settings_.tone;
  c.activeSeconds = tracker_.activeSeconds(front->bundleID);
  c.limitMinutes = limitMinutes(*app).value_or(30);
  if (session) {
    c.returnTo = session->returnTo;
    c.variant = session->checkInsShown;
  }
  c.clock = clock(now());
  deliver(CheckInCopy::appCheckIn(c));
  return true;
}

void AwarenessEngine::appTerminated(const std::string& bundleID) {
  const auto running = intention();
  if (!running || running->bundleID != bundleID) return;
  endIntention(Intention::Status::finished);
  evaluate();
}

// ---------------------------------------------------------------- app check-ins

std::optional<std::int64_t> AwarenessEngine::limitMinutes(const WatchedApp& app) const {
  std::optional<std::int64_t> limit;
  switch (mode_) {
    case AwarenessMode::work:
      limit = app.workMinutes;
      break;
    case AwarenessMode::relax:
      limit = app.relaxMinutes;
      break;
    case AwarenessMode::night:
      limit = app.nightMinutes;
      break;
  }
  if (!limit) return std::nullopt;
  return std::max<std::int64_t>(*limit, 1);
}

std::optional<CheckIn> AwarenessEngine::dueCheckIn(Date t, std::vector<Date>& wakes) {
  if (auto c = dueIntention(t, wakes)) return c;
  if (auto c = dueBedtime(t, wakes)) return c;
  if (!settings_.isEnabled) return std::nullopt;
  const auto& front = tracker_.frontmost();
  if (!front) return std::nullopt;
  const std::string& id = front->bundleID;
  // While an intention runs on this application, its own rules apply.
  if (const auto running = intention(); running && running->bundleID == id) return std::nullopt;
  const auto app = settings_.app(id);
  if (!app || !app->isEnabled) return std::nullopt;
  const auto limit = limitMinutes(*app);
  if (!limit) return std::nullopt;
  if (auto it = tracker_.data.mutedOn.find(id);
      it != tracker_.data.mutedOn.end() && it->second == tracker_.dayKey(t))
    return std::nullopt;
  const auto session = tracker_.session(id);
  if (!session || session->quietForSession) return std::nullopt;
  const double threshold = session->nextCheckInAtSeconds.value_or(minutesToSeconds(*limit));
  const double seconds = tracker_.activeSeconds(id);
  if (seconds < threshold) {
    if (tracker_.isCounting(id)) wakes.push_back(addSeconds(t, std::max(threshold - seconds, 1.0)));
    return std::nullopt;
  }
  CheckInCopy::Context c;
  c.bundleID = id;
  c.appName = app->name;
  c.category = app->category;
  c.mode = mode_;
  c.tone = settings_.tone;
  c.activeSeconds = tracker_.activeSeconds(id);
  c.limitMinutes = *limit;
  if (const auto again = tracker_.session(id)) {
    c.returnTo = again->returnTo;
    c.variant = again->checkInsShown;
  }
  c.clock = clock(now());
  return CheckInCopy::appCheckIn(c);
}

bool AwarenessEngine::stillApplies(const CheckIn& checkIn) const {
  switch (checkIn.kind.kase) {
    case CheckIn::Kind::Case::app: {
      if (!settings_.isEnabled) return false;
      const auto app = settings_.app(checkIn.kind.bundleID);
      return app && app->isEnabled;
    }
    case CheckIn::Kind::Case::intention: {
      const auto running = intention();
      return running && running->id == checkIn.kind.intentionID;
    }
    case CheckIn::Kind::Case::bedtime:
      return modeSettings_.bedtime.isEnabled;
  }
  return false;
}

void AwarenessEngine::pruneIfNewDay() {
  const std::string key = tracker_.dayKey(now());
  if (lastPrunedDay_ == key) return;
  lastPrunedDay_ = key;
  tracker_.prune(static_cast<int>(std::clamp<std::int64_t>(
      settings_.retentionDays, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
}

void AwarenessEngine::bumpDay(const std::function<void(DayUsage&)>& change) {
  change(tracker_.data.days[tracker_.dayKey(now())]);
  trackerChanged();
}

// ---------------------------------------------------------------- intentions

std::optional<Intention> AwarenessEngine::intention() const {
  const auto& i = tracker_.data.intention;
  if (i && i->status == Intention::Status::active) return i;
  return std::nullopt;
}

Intention AwarenessEngine::startIntention(const ReturnTarget& target, std::int64_t minutes,
                                          const std::string& purpose,
                                          const std::optional<ReturnTarget>& returnTo,
                                          bool isSession) {
  if (intention()) endIntention(Intention::Status::abandoned);
  const Date t = now();
  Intention i;
  i.id = Uuid::generate();
  i.bundleID = target.bundleID;
  i.appName = target.name;
  i.purpose = trimmed(purpose);
  i.minutes = std::max<std::int64_t>(minutes, 1);
  if (returnTo && returnTo->bundleID != target.bundleID) i.returnTo = returnTo;
  i.startedAt = t;
  i.activeSeconds = 0;
  i.dueAtSeconds = minutesToSeconds(i.minutes);
  i.checkIns = 0;
  i.visited = false;
  i.isSession = isSession;
  i.status = Intention::Status::active;
  tracker_.setIntention(i);
  bumpDay([](DayUsage& d) { increment(d.intentionsSet); });
  if (onNeedsPersist) onNeedsPersist();
  evaluate();
  return i;
}

void AwarenessEngine::endIntention(Intention::Status status) {
  const auto running = intention();
  if (!running) return;
  Intention ended = *running;
  ended.activeSeconds = tracker_.intentionSeconds();
  ended.status = status;
  if (active_ && active_->kind.kase == CheckIn::Kind::Case::intention) active_.reset();
  tracker_.setIntention(std::nullopt);
  if (status == Intention::Status::finished || status == Intention::Status::returned)
    bumpDay([](DayUsage& d) { increment(d.intentionsKept); });
  if (onNeedsPersist) onNeedsPersist();
  if (onIntentionEnded) onIntentionEnded(ended, status);
}

void AwarenessEngine::extendIntention(std::int64_t minutes) {
  if (!intention()) return;
  const double seconds = tracker_.intentionSeconds();
  const double more = minutesToSeconds(std::max<std::int64_t>(minutes, 1));
  tracker_.updateIntention([&](Intention& i) { i.dueAtSeconds = seconds + more; });
  evaluate();
}

void AwarenessEngine::maybeAskIntention(const std::optional<AppIdentity>& app) {
  if (!app || !settings_.isEnabled || mode_ != AwarenessMode::work || intention()) return;
  const auto watched = settings_.app(app->bundleID);
  if (!watched || !watched->isEnabled || !watched->askIntention) return;
  const Date t = now();
  if (auto it = tracker_.data.askedAt.find(app->bundleID);
      it != tracker_.data.askedAt.end() && secondsBetween(it->second, t) < askCooldown)
    return;
  if (tracker_.activeSeconds(app->bundleID) > 60) return;
  tracker_.data.askedAt[app->bundleID] = t;
  trackerChanged();
  if (onAskIntention) onAskIntention(*app, tracker_.lastReturnCandidate());
}

std::optional<CheckIn> AwarenessEngine::dueIntention(Date t, std::vector<Date>& wakes) {
  const auto running = intention();
  if (!running) return std::nullopt;
  const Intention& i = *running;
  if (secondsBetween(i.startedAt, t) > intentionMaxAge) {
    endIntention(Intention::Status::abandoned);
    return std::nullopt;
  }
  const auto front = tracker_.frontmost();
  if (front && front->bundleID == i.bundleID && !i.visited)
    tracker_.updateIntention([](Intention& x) { x.visited = true; });
  if (i.visited && i.returnTo) {
    if (!front) return std::nullopt;
    if (front->bundleID == i.returnTo->bundleID) {
      const auto since = tracker_.frontmostSince();
      if (!since) return std::nullopt;
      if (secondsBetween(*since, t) >= intentionReturnGrace) {
        endIntention(Intention::Status::returned);
        return std::nullopt;
      }
      wakes.push_back(addSeconds(*since, intentionReturnGrace));
      return std::nullopt;
    }
  }
  if (!front || front->bundleID != i.bundleID) return std::nullopt;
  const double seconds = tracker_.intentionSeconds();
  if (seconds >= i.dueAtSeconds) {
    Intention current = i;
    current.activeSeconds = seconds;
    return CheckInCopy::intentionCheckIn(current, settings_.tone, mode_);
  }
  if (tracker_.countingSince())
    wakes.push_back(addSeconds(t, std::max(i.dueAtSeconds - seconds, 1.0)));
  return std::nullopt;
}

bool AwarenessEngine::isReturnCandidate(const AppIdentity& app) const {
  if (AppCatalog::isSystemInterface(app.bundleID)) return false;
  if (app.bundleID == AppCatalog::ownBundleID()) return false;
  const auto watched = settings_.app(app.bundleID);
  if (!watched) return true;
  return watched->category == AppCategory::work;
}

// ---------------------------------------------------------------- bedtime

std::optional<Date> AwarenessEngine::lastBedtimeInstance(Date t) const {
  const auto minutes = modeSettings_.bedtime.minutes;
  if (minutes < 0 || minutes >= 1440) return std::nullopt;
  const int hour = static_cast<int>(minutes / 60);
  const int minute = static_cast<int>(minutes % 60);
  const Calendar& cal = environment_.calendar;
  const auto candidate = cal.dateOnDay(t, hour, minute, 0);
  if (!candidate) return std::nullopt;
  if (t >= *candidate) return candidate;
  // The previous day's bedtime, placed on that day (a bedtime inside a
  // daylight-saving gap lands where that day puts it).
  const auto previousDay = cal.addingDays(cal.startOfDay(t), -1);
  const auto previous = cal.dateOnDay(previousDay, hour, minute, 0);
  return previous ? previous : candidate;
}

std::optional<Date> AwarenessEngine::nextBedtime(Date after) const {
  const auto minutes = modeSettings_.bedtime.minutes;
  if (minutes < 0 || minutes >= 1440) return std::nullopt;
  return environment_.calendar.nextDate(after, static_cast<int>(minutes / 60),
                                        static_cast<int>(minutes % 60));
}

std::optional<CheckIn> AwarenessEngine::dueBedtime(Date t, std::vector<Date>& wakes) {
  if (!modeSettings_.bedtime.isEnabled) return std::nullopt;
  const auto& data = tracker_.data;
  const bool due = [&] {
    // A bedtime the calendar cannot place gives no nudge that night.
    const auto instance = lastBedtimeInstance(t);
    if (!instance) return false;
    if (secondsBetween(*instance, t) >= bedtimeWindow) return false;
    if (data.bedtimeHandled && wholeSeconds(*data.bedtimeHandled) == wholeSeconds(*instance))
      return false;
    if (data.bedtimeSnoozedUntil && *data.bedtimeSnoozedUntil > t) {
      wakes.push_back(*data.bedtimeSnoozedUntil);
      return false;
    }
    if (idleNow() >= bedtimeActiveWithin) {
      wakes.push_back(addSeconds(t, waitPoll));
      return false;
    }
    return true;
  }();
  if (!due) {
    if (auto next = nextBedtime(t)) wakes.push_back(*next);
    return std::nullopt;
  }
  const std::string clockText = clock(t);
  CheckIn card;
  card.kind = CheckIn::Kind::bedtime();
  card.mode = mode_;
  card.title = "It's " + clockText;
  switch (settings_.tone) {
    case CheckInTone::friendly:
      card.message = "It's getting late. Want to wrap things up soon?";
      break;
    case CheckInTone::playful:
      card.message = "Pimble's eyelids are getting heavy\u2026 wrap up soon?";
      break;
    case CheckInTone::direct:
      card.message = "Bedtime nudge: it's " + clockText + ".";
      break;
  }
  card.primary = {"Wrap up", CheckInResponse::Case::wrapUp};
  card.secondary = CheckInAction{"Dismiss", CheckInResponse::Case::dismiss};
  card.laterMinutes = {15, 30, 60};
  card.activeSeconds = 0;
  card.moreTime = false;
  return card;
}

}  // namespace pimble
