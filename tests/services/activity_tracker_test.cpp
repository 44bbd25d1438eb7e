#include "services/activity_tracker.h"

#include <gtest/gtest.h>

#include "awareness_fakes.h"

namespace pimble {
namespace {

class TrackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tracker.onChange = [this] { ++changes; };
  }
  // Awareness on, `id` watched and in front.
  void startWatching(const std::string& id = "video") {
    tracker.setWatched({id});
    tracker.setEnabled(true);
    tracker.appActivated(testing::app(id));
  }
  double sessionSeconds() const { return tracker.session("video")->activeSeconds; }

  testing::FakeMachine m;
  ActivityTracker tracker{m.trackerEnvironment()};
  int changes = 0;
};

TEST_F(TrackerTest, TimeIsBookedOnTheLocalDayItFallsOn) {
  m.now = m.at(2026, 3, 28, 23, 58);
  startWatching();
  Intention i;  // the same application's intention gets the span in one sum
  i.bundleID = "video";
  tracker.setIntention(i);
  m.now = m.at(2026, 3, 29, 0, 3);
  EXPECT_DOUBLE_EQ(tracker.today().apps.at("video"), 180);  // the live part from midnight
  tracker.refresh();
  auto& days = tracker.data.days;
  EXPECT_DOUBLE_EQ(days["2026-03-28"].activeSeconds, 120);
  EXPECT_DOUBLE_EQ(days["2026-03-28"].apps["video"], 120);
  EXPECT_DOUBLE_EQ(days["2026-03-29"].apps["video"], 180);
  EXPECT_DOUBLE_EQ(sessionSeconds(), 300);
  EXPECT_DOUBLE_EQ(tracker.data.intention->activeSeconds, 300);

  // The daylight-saving day has 23 hours; media keeps the long span counting.
  m.playingMedia = {"video"};
  m.idle = 1e6;
  m.now = m.at(2026, 3, 30, 0, 30);
  tracker.refresh();
  EXPECT_DOUBLE_EQ(days["2026-03-29"].activeSeconds, 23 * 3600);
  EXPECT_DOUBLE_EQ(days["2026-03-30"].activeSeconds, 1800);
}

TEST_F(TrackerTest, UnwatchedAppsAndIntentionsAlone) {
  tracker.setWatched({"video"});
  tracker.appActivated(testing::app("editor"));
  Intention i;
  i.bundleID = "editor";
  tracker.setIntention(i);  // awareness off: only the intention counts
  m.advance(90);
  EXPECT_DOUBLE_EQ(tracker.intentionSeconds(), 90);
  tracker.refresh();
  EXPECT_TRUE(tracker.data.days.empty());
  tracker.setEnabled(true);
  m.advance(100);
  tracker.refresh();
  const DayUsage& day = tracker.data.days.at("2026-03-04");
  EXPECT_DOUBLE_EQ(day.activeSeconds, 100);
  EXPECT_TRUE(day.apps.empty());
  EXPECT_TRUE(tracker.data.sessions.empty());
  EXPECT_DOUBLE_EQ(tracker.data.intention->activeSeconds, 190);
}

TEST_F(TrackerTest, IdleStopsCountingMediaKeepsIt) {
  startWatching();
  m.idle = 100;
  EXPECT_EQ(tracker.nextRefreshDate(), addSeconds(m.now, 80));
  m.idle = 178;
  EXPECT_EQ(tracker.nextRefreshDate(), addSeconds(m.now, 5));  // never sooner than 5 s
  m.advance(1000);
  m.idle = 200;
  tracker.refresh();
  EXPECT_DOUBLE_EQ(sessionSeconds(), 800);
  EXPECT_TRUE(tracker.idleStopped());
  EXPECT_EQ(tracker.nextRefreshDate(), addSeconds(m.now, 15));
  m.advance(30);
  m.idle = 5;
  tracker.refresh();  // back: counting resumes at the last input
  EXPECT_DOUBLE_EQ(sessionSeconds(), 805);

  m.advance(300);
  m.idle = 100;
  tracker.refresh();  // books the idle 100 s too
  m.advance(200);
  m.idle = 300;
  tracker.refresh();  // the last input lies before that refresh: nothing taken back
  EXPECT_DOUBLE_EQ(sessionSeconds(), 1105);

  m.playingMedia = {"video"};
  m.advance(60);
  tracker.refresh();  // media: counting restarts now, the idle span is lost
  EXPECT_TRUE(tracker.watchingMedia());
  EXPECT_EQ(tracker.nextRefreshDate(), addSeconds(m.now, 60));
  m.advance(600);
  m.idle = 960;
  tracker.refresh();
  EXPECT_DOUBLE_EQ(sessionSeconds(), 1705);
  m.idle = -4;       // a nonsense reading counts as present
  m.advance(-3600);  // and a clock set back counts nothing
  tracker.refresh();
  EXPECT_FALSE(tracker.watchingMedia());
  EXPECT_DOUBLE_EQ(sessionSeconds(), 1705);
}

TEST_F(TrackerTest, ComingBackFromIdleCountsNothingFromBeforeTheLastChange) {
  startWatching();
  m.advance(100);
  m.idle = 200;
  tracker.refresh();  // idle since before counting began: nothing booked
  m.advance(30);
  Intention i;
  i.bundleID = "video";
  tracker.setIntention(i);
  m.advance(10);
  m.idle = 48;  // the last input came before the intention
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.data.intention->activeSeconds, 10);
  EXPECT_DOUBLE_EQ(sessionSeconds(), 10);

  m.idle = 200;
  m.advance(300);
  tracker.refresh();
  m.advance(30);
  tracker.clearHistory();
  m.advance(10);
  m.idle = 48;
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.data.days.at("2026-03-04").activeSeconds, 10);
  EXPECT_DOUBLE_EQ(sessionSeconds(), 10);
}

TEST_F(TrackerTest, AClockSetForwardOrBackBooksOnlyTheTimeThatPassed) {
  startWatching();
  m.advance(15);
  m.setClock(addSeconds(m.now, 3600));
  m.advance(25);
  EXPECT_DOUBLE_EQ(tracker.today().activeSeconds, 40);
  tracker.refresh();
  m.advance(10);
  m.setClock(addSeconds(m.now, -7200));
  m.advance(5);
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.data.days.at("2026-03-04").apps.at("video"), 55);
  EXPECT_DOUBLE_EQ(sessionSeconds(), 55);
  // Gone idle across a clock set back: booked up to the last input.
  m.idle = 200;
  m.advance(300);
  m.setClock(addSeconds(m.now, -600));
  tracker.refresh();
  EXPECT_DOUBLE_EQ(sessionSeconds(), 155);
}

TEST_F(TrackerTest, SessionsSurviveTheGapAndNeverReturnToThemselves) {
  tracker.setWatched({"video"});
  tracker.setEnabled(true);
  tracker.appActivated(testing::app("editor"));
  tracker.appActivated(testing::app("video"));
  m.advance(120);
  tracker.appActivated(testing::app("helper"));
  m.advance(600);
  tracker.appActivated(testing::app("video"));
  EXPECT_DOUBLE_EQ(sessionSeconds(), 120);
  EXPECT_EQ(tracker.session("video")->returnTo->bundleID, "editor");

  m.advance(10);
  tracker.appActivated(std::nullopt);  // the video becomes the last return candidate
  m.advance(601);
  tracker.appActivated(testing::app("video"));
  EXPECT_DOUBLE_EQ(sessionSeconds(), 0);
  EXPECT_EQ(tracker.session("video")->startedAt, m.now);
  EXPECT_FALSE(tracker.session("video")->returnTo);
  m.advance(5);
  tracker.appActivated(testing::app("video"));  // the same application again
  EXPECT_EQ(tracker.frontmostSince(), m.now);
  EXPECT_EQ(tracker.lastReturnCandidate()->bundleID, "video");
}

TEST_F(TrackerTest, AwayStopsCountingAndRedundantChangesAreSilent) {
  startWatching();
  m.advance(50);
  tracker.setAway(AwayReason::screenLocked, true);
  tracker.setAway(AwayReason::systemSleep, true);
  EXPECT_FALSE(tracker.nextRefreshDate());
  m.advance(500);
  tracker.setAway(AwayReason::screenLocked, false);
  EXPECT_FALSE(tracker.countingSince());
  tracker.setAway(AwayReason::systemSleep, false);
  EXPECT_EQ(tracker.countingSince(), m.now);
  EXPECT_DOUBLE_EQ(sessionSeconds(), 50);
  const int before = changes;
  tracker.setAway(AwayReason::systemSleep, false);
  tracker.setEnabled(true);
  tracker.setWatched({"video"});
  EXPECT_EQ(changes, before);
}

TEST_F(TrackerTest, ClearingAndPruningHistory) {
  startWatching();
  tracker.appActivated(std::nullopt);
  tracker.appActivated(testing::app("video"));
  Intention i;
  i.bundleID = "video";
  i.activeSeconds = 42;
  tracker.setIntention(i);
  tracker.data.mutedOn["video"] = "2026-03-04";
  m.advance(100);
  tracker.clearHistory();
  EXPECT_TRUE(tracker.data.days.empty());
  EXPECT_TRUE(tracker.data.mutedOn.empty());
  EXPECT_DOUBLE_EQ(tracker.data.intention->activeSeconds, 42);
  EXPECT_DOUBLE_EQ(sessionSeconds(), 0);
  EXPECT_FALSE(tracker.session("video")->returnTo);  // not the application itself

  m.now = m.at(2026, 3, 31, 15, 0);
  for (const char* key : {"2026-02-28", "2026-03-01", "2026-03-30", "2026-03-31"})
    tracker.data.days[key] = {};
  tracker.data.mutedOn = {{"a", "2026-03-30"}, {"b", "2026-03-31"}};
  AppSession stale, fresh;
  stale.lastCountedAt = addSeconds(m.now, -86400);
  fresh.lastCountedAt = addSeconds(m.now, -86399);
  tracker.data.sessions = {{"old", stale}, {"new", fresh}};
  const int before = changes;
  tracker.prune(30);
  EXPECT_EQ(tracker.data.days.size(), 3u);
  EXPECT_FALSE(tracker.data.days.contains("2026-02-28"));
  EXPECT_EQ(tracker.data.mutedOn.size(), 1u);
  EXPECT_EQ(tracker.data.sessions.size(), 1u);
  EXPECT_TRUE(tracker.data.sessions.contains("new"));
  EXPECT_EQ(changes, before);
  tracker.prune(0);  // today and yesterday
  EXPECT_EQ(tracker.data.days.size(), 2u);
}

}  // namespace
}  // namespace pimble
