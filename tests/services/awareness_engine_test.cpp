#include "services/awareness_engine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "awareness_fakes.h"
#include "services/app_catalog.h"

namespace pimble {
namespace {

using C = CheckInResponse::Case;
using Effect = AwarenessEngine::Effect;
using Status = Intention::Status;

WatchedApp watched(const std::string& id, AppCategory category,
                   std::optional<std::int64_t> work = std::nullopt,
                   std::optional<std::int64_t> relax = std::nullopt) {
  WatchedApp a;
  a.bundleID = id;
  a.name = id == "video" ? "Video Player" : id;
  a.category = category;
  a.workMinutes = work;
  a.relaxMinutes = relax;
  return a;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.onCheckIn = [this](const CheckIn& c) { shown.push_back(c); };
    engine.onIntentionEnded = [this](const Intention& i, Status s) { ended.push_back({i, s}); };
    engine.onAskIntention = [this](const AppIdentity& a, const std::optional<ReturnTarget>& r) {
      asked.push_back({a, r});
    };
    engine.onModeChange = [this](AwarenessMode mode) { modes.push_back(mode); };
    settings.isEnabled = true;
    settings.apps = {watched("video", AppCategory::video, 30),
                     watched("chat", AppCategory::social, 20),
                     watched("ide", AppCategory::work, 45)};
  }

  AwarenessEngine::Environment environment() {
    AwarenessEngine::Environment env;
    const auto t = m.trackerEnvironment();
    env.now = t.now;
    env.idleSeconds = t.idleSeconds;
    env.isPlayingMedia = t.isPlayingMedia;
    env.calendar = m.calendar;
    env.arm = [this](std::optional<Date> d) { armed = d; };
    env.blockers = [this] { return blockers; };
    env.clockString = [this](Date d) {
      const auto c = m.calendar.components(d);
      char text[8];
      std::snprintf(text, sizeof text, "%02d:%02d", c.hour, c.minute);
      return std::string(text);
    };
    return env;
  }

  // The editor in front first, so that it becomes the way back from `front`.
  void startWith(const std::string& front) {
    engine.tracker().appActivated(testing::app("editor"));
    engine.start(settings, modeSettings, testing::app(front));
  }
  void tick(double seconds) {
    m.advance(seconds);
    engine.evaluate();
  }
  AppSession session(const std::string& id) { return *engine.tracker().session(id); }
  DayUsage today() { return engine.tracker().data.days[engine.tracker().dayKey(m.now)]; }

  testing::FakeMachine m;
  std::set<AwarenessBlocker> blockers;
  std::optional<Date> armed;
  std::vector<CheckIn> shown;
  std::vector<std::pair<Intention, Status>> ended;
  std::vector<std::pair<AppIdentity, std::optional<ReturnTarget>>> asked;
  std::vector<AwarenessMode> modes;
  AwarenessSettings settings;
  ModeSettings modeSettings;
  AwarenessEngine engine{environment()};
};

TEST_F(EngineTest, StartAnnouncesModeOnceAndWatchesFront) {
  startWith("video");
  EXPECT_EQ(modes, std::vector{AwarenessMode::work});
  EXPECT_TRUE(engine.tracker().isCounting("video"));
  EXPECT_EQ(engine.lastPrunedDay(), "2026-03-04");
  EXPECT_EQ(armed, addSeconds(m.now, 180));  // the idle check comes before the limit
}

TEST_F(EngineTest, CheckInExactlyAtLimitAlternatesWording) {
  settings.tone = CheckInTone::playful;
  startWith("video");
  tick(1800 - 0.3);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(armed, addSeconds(m.now, 1));
  tick(0.3);
  ASSERT_EQ(shown.size(), 1u);
  const CheckIn& first = shown[0];
  EXPECT_EQ(first.title, "Video Player \u00B7 30 min");
  EXPECT_EQ(first.message, "That was a pretty long Video Player break! Back to editor app?");
  EXPECT_EQ(engine.active(), first);
  EXPECT_EQ(session("video").checkInsShown, 1);
  EXPECT_EQ(today().checkIns, 1);
  EXPECT_EQ(armed, engine.tracker().nextRefreshDate());

  // Nothing new while it waits for its answer.
  tick(600);
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(engine.respond(C::keepGoing), Effect::none());
  EXPECT_EQ(engine.respond(C::keepGoing), Effect::none());  // no card any more: nothing
  EXPECT_EQ(today().keptGoing, 1);
  EXPECT_DOUBLE_EQ(*session("video").nextCheckInAtSeconds, 2400 + 3600);
  tick(3600);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].message, "Video Player has had you for 1 h 40 min! Back to editor app?");
}

TEST_F(EngineTest, EveryAnswerHasItsEffect) {
  struct Case {
    CheckInResponse response;
    std::optional<std::int64_t> cooldown;
    Effect effect;
    std::optional<double> next;  // session seconds of the next card (at 1200 s)
    bool quiet;
  };
  const ReturnTarget editor{"editor", "editor app"};
  const std::vector<Case> cases = {
      {CheckInResponse::remindIn(10), 60, Effect::none(), 1800, false},
      {CheckInResponse::remindIn(0), 60, Effect::none(), 1260, false},
      {C::keepGoing, 60, Effect::none(), 4800, false},
      {C::keepGoing, std::nullopt, Effect::none(), std::nullopt, true},
      {C::dismiss, 0, Effect::none(), 1260, false},  // a zero cooldown waits a minute
      {C::finish, 60, Effect::returnTo(editor), 4800, false},
      {C::finish, std::nullopt, Effect::returnTo(editor), 3000, false},
      {C::timedOut, 60, Effect::none(), 2100, false},
      {C::muteToday, 60, Effect::none(), std::nullopt, false},
      {C::stopForApp, 60, Effect::stopWatching("chat"), std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(enumName(c.response.kase)));
    settings.keepGoingCooldownMinutes = c.cooldown;
    engine.apply(settings, modeSettings, false);
    engine.tracker().data = {};
    engine.tracker().appActivated(testing::app("editor"));
    engine.tracker().appActivated(testing::app("chat"));
    tick(1200);
    ASSERT_TRUE(engine.active());
    EXPECT_EQ(engine.respond(c.response), c.effect);
    const auto s = *engine.tracker().session("chat");
    EXPECT_EQ(s.nextCheckInAtSeconds, c.next);
    EXPECT_EQ(s.quietForSession, c.quiet);
    EXPECT_EQ(today().finished, c.response.kase == C::finish ? 1 : 0);
    EXPECT_EQ(engine.tracker().data.mutedOn.contains("chat"), c.response.kase == C::muteToday);
  }
}

TEST_F(EngineTest, WorkAppOffersAStretchAndMutesEndAtMidnight) {
  startWith("ide");
  tick(45 * 60);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(engine.respond(C::stretch), Effect::stretch());
  EXPECT_DOUBLE_EQ(*session("ide").nextCheckInAtSeconds, 90 * 60);

  tick(45 * 60);
  EXPECT_EQ(engine.respond(C::muteToday), Effect::none());
  tick(4 * 3600);
  EXPECT_EQ(shown.size(), 2u);  // muted for the rest of the day
  m.now = m.at(2026, 3, 5, 8, 0);
  engine.evaluate();
  EXPECT_EQ(shown.size(), 3u);  // yesterday's mute no longer holds
}

TEST_F(EngineTest, LimitsFollowTheModeAndAtLeastOneMinute) {
  settings.apps = {watched("video", AppCategory::video, std::nullopt, 0)};
  startWith("video");
  tick(3 * 3600);
  EXPECT_TRUE(shown.empty());  // no limit in work mode
  modeSettings.manualMode = AwarenessMode::relax;
  engine.apply(settings, modeSettings, true);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].mode, AwarenessMode::relax);
  EXPECT_EQ(shown[0].message,
            "You've been watching for 3 h. Still enjoying it, or ready for a break?");
  EXPECT_EQ(modes.back(), AwarenessMode::relax);
}

TEST_F(EngineTest, BlockersHoldADueCheckIn) {
  startWith("video");
  blockers = {AwarenessBlocker::call};
  tick(1800);
  EXPECT_TRUE(shown.empty());
  EXPECT_LE(*armed, addSeconds(m.now, 30));
  blockers = {AwarenessBlocker::fullscreen};
  tick(10);
  EXPECT_TRUE(shown.empty());
  settings.checkInOverFullscreen = true;
  engine.apply(settings, modeSettings, true);
  EXPECT_EQ(shown.size(), 1u);
}

TEST_F(EngineTest, ShowingCheckInIsDroppedWhenItNoLongerApplies) {
  startWith("video");
  tick(1800);
  settings.apps[0].workMinutes = 90;
  engine.apply(settings, modeSettings, false);
  EXPECT_TRUE(engine.active());
  settings.isEnabled = false;
  engine.apply(settings, modeSettings, false);
  EXPECT_FALSE(engine.active());
}

TEST_F(EngineTest, ForceCheckInIgnoresLimitsButNeedsAWatchedFront) {
  startWith("editor");
  EXPECT_FALSE(engine.forceCheckIn());
  engine.tracker().appActivated(testing::app("chat"));
  EXPECT_TRUE(engine.forceCheckIn());
  EXPECT_FALSE(engine.forceCheckIn());
  EXPECT_EQ(shown.back().message,
            "You've been on chat for 1 min. Want to head back to editor app?");
}

TEST_F(EngineTest, HandPickedModeHoldsUntilTheScheduleChanges) {
  modeSettings.schedule.isEnabled = true;
  modeSettings.manualMode = AwarenessMode::relax;
  m.now = m.at(2026, 3, 4, 17, 0);
  modeSettings.overrideUntil =
      AwarenessEngine::overrideEnd(modeSettings.schedule, m.now, m.calendar);
  EXPECT_EQ(modeSettings.overrideUntil, m.at(2026, 3, 4, 18, 0));
  startWith("editor");
  EXPECT_EQ(engine.mode(), AwarenessMode::relax);
  m.now = m.at(2026, 3, 4, 17, 59);
  engine.evaluate();
  EXPECT_EQ(armed, m.at(2026, 3, 4, 18, 0));
  m.now = m.at(2026, 3, 4, 18, 0);
  engine.evaluate();
  EXPECT_EQ(modes, std::vector{AwarenessMode::relax});  // the schedule says relax too
  m.now = m.at(2026, 3, 4, 22, 0);
  engine.evaluate();
  EXPECT_EQ(modes.back(), AwarenessMode::night);

  EXPECT_FALSE(AwarenessEngine::overrideEnd(ModeSchedule{}, m.now, m.calendar));
  // A schedule that never changes the mode: the choice lasts to the 40th boundary.
  ModeSchedule flat;
  flat.isEnabled = true;
  flat.workDays = {};
  flat.nightStartMinutes = flat.nightEndMinutes = 1320;
  const auto end = AwarenessEngine::overrideEnd(flat, m.now, m.calendar);
  ASSERT_TRUE(end);
  EXPECT_GT(*end, addSeconds(m.now, 12 * 86400.0));
  EXPECT_LT(*end, addSeconds(m.now, 15 * 86400.0));
}

TEST_F(EngineTest, AWeekdayChangeAtMidnightIsAModeChange) {
  // Work from 03:00 to 02:00 on Monday to Friday, no night: the mode turns at
  // midnight when only one side of it is a work day.
  auto& schedule = modeSettings.schedule;
  schedule.isEnabled = true;
  schedule.workStartMinutes = 180;
  schedule.workEndMinutes = 120;
  schedule.nightStartMinutes = schedule.nightEndMinutes = 600;
  settings.isEnabled = false;       // nothing but the mode wakes the engine
  m.now = m.at(2026, 3, 8, 23, 0);  // Sunday
  engine.start(settings, modeSettings, std::nullopt);
  EXPECT_EQ(modes, std::vector{AwarenessMode::relax});
  EXPECT_EQ(armed, m.at(2026, 3, 9, 0, 0));
  m.now = *armed;
  engine.evaluate();
  EXPECT_EQ(modes.back(), AwarenessMode::work);
  EXPECT_EQ(armed, m.at(2026, 3, 9, 2, 0));

  m.now = m.at(2026, 3, 13, 23, 30);  // Friday
  engine.evaluate();
  EXPECT_EQ(armed, m.at(2026, 3, 14, 0, 0));
  // A mode picked by hand on Sunday night gives way when Monday begins.
  EXPECT_EQ(AwarenessEngine::overrideEnd(schedule, m.at(2026, 3, 8, 23, 0), m.calendar),
            m.at(2026, 3, 9, 0, 0));
  // Where midnight changes nothing it is no boundary.
  EXPECT_EQ(schedule.nextBoundary(m.at(2026, 3, 10, 23, 0), m.calendar), m.at(2026, 3, 11, 2, 0));
}

// ---------------------------------------------------------------- intentions

class IntentionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    startWith("editor");
  }
  Intention begin(std::int64_t minutes, const std::string& purpose = "check the news",
                  bool isSession = false) {
    const auto i = engine.startIntention({"browser", "Browser"}, minutes, purpose,
                                         ReturnTarget{"editor", "Editor"}, isSession);
    engine.tracker().appActivated(testing::app("browser"));
    return i;
  }
};

TEST_F(IntentionTest, StartsTrimmedAndClamped) {
  const auto i = engine.startIntention({"browser", "Browser"}, 0, " \t read  this\n",
                                       ReturnTarget{"browser", "Browser"}, false);
  EXPECT_EQ(i.purpose, "read  this");
  EXPECT_EQ(i.minutes, 1);
  EXPECT_DOUBLE_EQ(i.dueAtSeconds, 60);
  EXPECT_FALSE(i.returnTo);  // the target itself is no way back
  EXPECT_EQ(today().intentionsSet, 1);
  EXPECT_EQ(engine.intention(), i);
}

TEST_F(IntentionTest, ComesDueIsExtendedAndTimesOut) {
  // The browser's own one-minute limit stays silent while an intention runs on it.
  settings.apps.push_back(watched("browser", AppCategory::other, 1));
  engine.apply(settings, modeSettings, false);
  begin(15);
  tick(50);
  engine.extendIntention(10);
  EXPECT_DOUBLE_EQ(engine.intention()->dueAtSeconds, 650);
  tick(599);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(armed, addSeconds(m.now, 1));
  tick(1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "Your 15 minutes are up");
  EXPECT_EQ(engine.intention()->checkIns, 1);
  EXPECT_EQ(engine.respond(C::timedOut), Effect::none());
  EXPECT_DOUBLE_EQ(engine.intention()->dueAtSeconds, 650 + 300);
  tick(300);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(engine.respond(CheckInResponse::remindIn(5)), Effect::none());
  EXPECT_DOUBLE_EQ(engine.intention()->dueAtSeconds, 950 + 300);
  // Elsewhere the time is not counted and no card comes.
  engine.tracker().appActivated(testing::app("news"));
  tick(3600);
  EXPECT_EQ(shown.size(), 2u);
  engine.tracker().appActivated(testing::app("browser"));
  tick(300);
  EXPECT_EQ(shown.size(), 3u);
  EXPECT_EQ(engine.respond(C::intentionDone), Effect::none());
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].second, Status::finished);
  EXPECT_DOUBLE_EQ(ended[0].first.activeSeconds, 1250);
  EXPECT_EQ(today().intentionsKept, 1);
}

TEST_F(IntentionTest, StartedWhileIdleItCountsNothingFromBeforeItsStart) {
  // Counting stopped for idleness; the first reading after the start says
  // the last input came 48 s ago, before the intention existed.
  tick(10);
  m.idle = 200;
  tick(30);
  ASSERT_TRUE(engine.tracker().idleStopped());
  m.idle = 48;
  engine.startIntention({"editor", "Editor"}, 1, "", std::nullopt, false);
  EXPECT_DOUBLE_EQ(engine.tracker().intentionSeconds(), 0);
  EXPECT_EQ(armed, addSeconds(m.now, 60));
  tick(59);
  EXPECT_TRUE(shown.empty());
  tick(1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].kind.kase, CheckIn::Kind::Case::intention);
}

TEST_F(IntentionTest, ReturningForAMinuteKeepsIt) {
  engine.startIntention({"browser", "Browser"}, 15, "", ReturnTarget{"editor", "Editor"}, false);
  tick(30);  // still in the editor: the browser has not been visited yet
  engine.tracker().appActivated(testing::app("editor"));
  tick(120);
  EXPECT_TRUE(ended.empty());
  engine.tracker().appActivated(testing::app("browser"));
  tick(10);
  EXPECT_TRUE(engine.intention()->visited);
  engine.tracker().appActivated(testing::app("editor"));
  tick(59);
  EXPECT_TRUE(ended.empty());
  EXPECT_EQ(armed, addSeconds(m.now, 1));
  tick(1);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].second, Status::returned);
  EXPECT_EQ(today().intentionsKept, 1);
}

TEST_F(IntentionTest, BackToTaskReturnsOtherAnswersDismiss) {
  begin(5);
  tick(300);
  EXPECT_EQ(engine.respond(C::backToTask), Effect::returnTo({"editor", "Editor"}));
  EXPECT_EQ(ended.back().second, Status::returned);
  begin(5);
  tick(300);
  EXPECT_EQ(engine.respond(C::keepGoing), Effect::none());
  EXPECT_EQ(ended.back().second, Status::dismissed);
  EXPECT_EQ(today().intentionsKept, 1);
}

TEST_F(IntentionTest, OldIntentionsAreAbandonedAndQuittingFinishes) {
  begin(600);
  engine.tracker().appActivated(testing::app("news"));
  tick(14400);
  EXPECT_TRUE(engine.intention());
  tick(1);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].second, Status::abandoned);

  begin(30);
  engine.appTerminated("chat");
  EXPECT_TRUE(engine.intention());
  engine.appTerminated("browser");
  EXPECT_EQ(ended.back().second, Status::finished);
  EXPECT_FALSE(engine.intention());
}

TEST_F(IntentionTest, SessionTimerReplacesAnIntention) {
  begin(15);
  settings.tone = CheckInTone::direct;
  engine.apply(settings, modeSettings, false);
  engine.startIntention({"browser", "Browser"}, 30, "youTube", std::nullopt, true);
  EXPECT_EQ(ended.back().second, Status::abandoned);
  EXPECT_EQ(today().intentionsSet, 2);
  tick(1800);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "youTube \u00B7 time's up");
  EXPECT_EQ(shown[0].message, "YouTube session: 30 min. Planned: 30 min.");
  EXPECT_EQ(shown[0].secondary, (CheckInAction{"Dismiss", C::dismiss}));
}

TEST_F(IntentionTest, PromptsOncePerCooldownInWorkMode) {
  settings.apps[1].askIntention = true;  // chat
  engine.apply(settings, modeSettings, false);
  // A short visit each time, so that every activation opens a fresh session.
  auto visitChat = [&] {
    engine.tracker().appActivated(testing::app("chat"));
    engine.maybeAskIntention(testing::app("chat"));
    engine.tracker().appActivated(testing::app("editor"));
  };
  visitChat();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].second, (ReturnTarget{"editor", "editor app"}));
  m.advance(20 * 60);
  visitChat();
  EXPECT_EQ(asked.size(), 1u);
  m.advance(10 * 60);
  visitChat();
  EXPECT_EQ(asked.size(), 2u);
  engine.tracker().appActivated(testing::app("chat"));
  // Not when its session has run past a minute, nor outside work mode.
  m.advance(31 * 60);
  engine.maybeAskIntention(testing::app("chat"));
  modeSettings.manualMode = AwarenessMode::relax;
  engine.apply(settings, modeSettings, true);
  engine.tracker().data.sessions.clear();
  engine.maybeAskIntention(testing::app("chat"));
  EXPECT_EQ(asked.size(), 2u);
}

TEST_F(EngineTest, ReturnCandidates) {
  settings.apps.push_back(watched("unused-work", AppCategory::work));
  engine.apply(settings, modeSettings, false);
  const auto& candidate = engine.tracker().isReturnCandidate;
  EXPECT_TRUE(candidate(testing::app("editor")));
  EXPECT_FALSE(candidate(testing::app("chat")));
  EXPECT_TRUE(candidate(testing::app("ide")));
  EXPECT_FALSE(candidate(testing::app(AppCatalog::ownBundleID())));
  EXPECT_FALSE(candidate(testing::app("gnome-shell")));
}

// ---------------------------------------------------------------- bedtime

class BedtimeTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    settings.isEnabled = false;
    modeSettings.bedtime.isEnabled = true;
    m.now = m.at(2026, 3, 4, 23, 0);
    startWith("editor");
  }
  void at(int day, int hour, int minute, int second = 0) {
    m.now = m.at(2026, 3, day, hour, minute, second);
    engine.evaluate();
  }
};

TEST_F(BedtimeTest, ComesAfterBedtimeWhileTheUserIsActive) {
  at(4, 23, 29, 59);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(armed, m.at(2026, 3, 4, 23, 30));
  m.idle = 300;
  at(4, 23, 31);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(armed, m.at(2026, 3, 4, 23, 31, 30));
  m.idle = 10;
  at(4, 23, 32);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "It's 23:32");
  EXPECT_EQ(shown[0].message, "It's getting late. Want to wrap things up soon?");
  EXPECT_EQ(shown[0].laterMinutes, (std::vector<int>{15, 30, 60}));
  EXPECT_EQ(shown[0].symbolName(), "moon.zzz.fill");
}

TEST_F(BedtimeTest, SnoozeThenDismissHoldsForTheNight) {
  settings.tone = CheckInTone::direct;
  engine.apply(settings, modeSettings, false);
  at(4, 23, 35);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].message, "Bedtime nudge: it's 23:35.");
  engine.respond(CheckInResponse::remindIn(15));
  EXPECT_EQ(armed, m.at(2026, 3, 4, 23, 50));
  at(4, 23, 49);
  EXPECT_EQ(shown.size(), 1u);
  at(4, 23, 50);
  ASSERT_EQ(shown.size(), 2u);
  engine.respond(C::dismiss);
  EXPECT_EQ(engine.tracker().data.bedtimeHandled, m.at(2026, 3, 4, 23, 30));
  // A reload keeps the night handled.
  const auto reloaded = decodeDocument<ActivityData>(*encodeDocument(engine.tracker().data));
  ASSERT_TRUE(reloaded);
  engine.tracker().data = *reloaded;
  at(5, 0, 45);
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_EQ(armed, m.at(2026, 3, 5, 23, 30));
  at(5, 23, 30);
  EXPECT_EQ(shown.size(), 3u);
  engine.respond(C::timedOut);
  EXPECT_EQ(engine.tracker().data.bedtimeSnoozedUntil, addSeconds(m.now, 1800));
}

TEST_F(BedtimeTest, WindowEndsThreeHoursAfterBedtime) {
  at(5, 0, 45);
  EXPECT_EQ(shown.size(), 1u);
  engine.respond(CheckInResponse::remindIn(60));
  at(5, 2, 30);
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(armed, m.at(2026, 3, 5, 23, 30));
}

TEST_F(BedtimeTest, MidnightAndUnplaceableBedtimes) {
  modeSettings.bedtime.minutes = 0;
  engine.apply(settings, modeSettings, false);
  EXPECT_EQ(engine.lastBedtimeInstance(m.at(2026, 3, 5, 1, 0)), m.at(2026, 3, 5, 0, 0));
  modeSettings.bedtime.minutes = 1500;  // no such time of day
  engine.apply(settings, modeSettings, false);
  at(5, 1, 0);
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(engine.lastBedtimeInstance(m.now));
  EXPECT_FALSE(armed);  // and no wake-up for it either
}

TEST_F(BedtimeTest, AnIntentionDueAtTheSameTickComesFirst) {
  at(4, 23, 20);
  engine.startIntention({"editor", "Editor"}, 10, "", std::nullopt, false);
  at(4, 23, 30);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].kind.kase, CheckIn::Kind::Case::intention);
  engine.respond(C::intentionDone);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].kind.kase, CheckIn::Kind::Case::bedtime);
  modeSettings.bedtime.isEnabled = false;
  engine.apply(settings, modeSettings, false);
  EXPECT_FALSE(engine.active());
}

// Values a hand-edited file may hold: nothing overflows, nothing is undefined.
TEST_F(EngineTest, ExtremeStoredValuesStayWellDefined) {
  constexpr auto big = std::numeric_limits<std::int64_t>::max();
  constexpr auto small = std::numeric_limits<std::int64_t>::min();
  settings.apps = {watched("video", AppCategory::video, small),
                   watched("chat", AppCategory::social, big)};
  settings.retentionDays = small;
  settings.sessionGapMinutes = big;
  settings.keepGoingCooldownMinutes = small;
  modeSettings.bedtime = {true, small};
  auto& data = engine.tracker().data;
  data.days["2026-03-04"].checkIns = big;
  AppSession s;
  s.bundleID = "video";
  s.lastCountedAt = m.now;
  s.nextCheckInAtSeconds = 1e308;
  s.checkInsShown = big;
  data.sessions["video"] = s;
  startWith("video");
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(engine.forceCheckIn());
  EXPECT_EQ(engine.respond(C::keepGoing), Effect::none());
  EXPECT_EQ(session("video").checkInsShown, big);
  EXPECT_EQ(today().checkIns, big);
  EXPECT_DOUBLE_EQ(*session("video").nextCheckInAtSeconds, 60);  // the cooldown counts as 1 min
  engine.startIntention({"video", "Video"}, big, "x", std::nullopt, true);
  tick(1e9);
  engine.tracker().appActivated(testing::app("chat"));
  tick(3600);
  EXPECT_FALSE(engine.intention());  // abandoned after four hours
}

}  // namespace
}  // namespace pimble
