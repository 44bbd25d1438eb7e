#include "services/activity_tracker.h"

#include <gtest/gtest.h>

#include "awareness_fakes.h"

namespace pimble {
namespace {

using testing::FakeMachine;

class TrackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tracker.onChange = [this] { ++changes; };
  }
  // Awareness on, `watchedID` watched and in front.
  void startWatching(const std::string& watchedID = "video") {
    tracker.setWatched({watchedID});
    tracker.setEnabled(true);
    tracker.appActivated(testing::app(watchedID));
  }
  double bookedOn(const std::string& key) const {
    auto it = tracker.data.days.find(key);
    return it == tracker.data.days.end() ? 0 : it->second.activeSeconds;
  }
  double appOn(const std::string& key, const std::string& id) const {
    auto it = tracker.data.days.find(key);
    if (it == tracker.data.days.end()) return 0;
    auto a = it->second.apps.find(id);
    return a == it->second.apps.end() ? 0 : a->second;
  }

  FakeMachine m;
  ActivityTracker tracker{m.trackerEnvironment()};
  int changes = 0;
};

TEST_F(TrackerTest, TimeAcrossLocalMidnightIsBookedOnEachDay) {
  m.now = m.at(2026, 3, 4, 23, 58);
  startWatching();
  // The same application is also an intention's, counted in one sum.
  Intention i;
  i.bundleID = "video";
  tracker.setIntention(i);
  m.now = m.at(2026, 3, 5, 0, 3);
  tracker.refresh();
  EXPECT_DOUBLE_EQ(bookedOn("2026-03-04"), 120);
  EXPECT_DOUBLE_EQ(bookedOn("2026-03-05"), 180);
  EXPECT_DOUBLE_EQ(appOn("2026-03-04", "video"), 120);
  EXPECT_DOUBLE_EQ(appOn("2026-03-05", "video"), 180);
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 300);
  EXPECT_DOUBLE_EQ(tracker.data.intention->activeSeconds, 300);
}

TEST_F(TrackerTest, ShortDaylightSavingDayGetsTwentyThreeHours) {
  m.now = m.at(2026, 3, 28, 23, 0);
  startWatching();
  m.playingMedia = {"video"};
  m.idle = 1e6;  // media keeps the span counting
  m.now = m.at(2026, 3, 30, 0, 30);
  tracker.refresh();
  EXPECT_DOUBLE_EQ(bookedOn("2026-03-28"), 3600);
  EXPECT_DOUBLE_EQ(bookedOn("2026-03-29"), 23 * 3600);
  EXPECT_DOUBLE_EQ(bookedOn("2026-03-30"), 1800);
  EXPECT_TRUE(tracker.watchingMedia());
  EXPECT_EQ(tracker.nextRefreshDate(), addSeconds(m.now, 60));
}

TEST_F(TrackerTest, UnwatchedAppCountsForTheDayOnly) {
  tracker.setWatched({"video"});
  tracker.setEnabled(true);
  tracker.appActivated(testing::app("editor"));
  m.advance(100);
  tracker.refresh();
  EXPECT_DOUBLE_EQ(bookedOn("2026-03-04"), 100);
  EXPECT_TRUE(tracker.data.days["2026-03-04"].apps.empty());
  EXPECT_TRUE(tracker.data.sessions.empty());
}

TEST_F(TrackerTest, IntentionCountsWhileAwarenessIsOff) {
  tracker.appActivated(testing::app("editor"));
  Intention i;
  i.bundleID = "editor";
  tracker.setIntention(i);
  EXPECT_TRUE(tracker.isTracking());
  m.advance(90);
  EXPECT_DOUBLE_EQ(tracker.intentionSeconds(), 90);
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.data.intention->activeSeconds, 90);
  EXPECT_TRUE(tracker.data.days.empty());
  EXPECT_DOUBLE_EQ(tracker.today().activeSeconds, 0);
}

TEST_F(TrackerTest, IdleStopsCountingAndReturnResumesAtLastInput) {
  startWatching();
  m.idle = 100;
  EXPECT_EQ(tracker.nextRefreshDate(), addSeconds(m.now, 80));
  m.idle = 178;
  EXPECT_EQ(tracker.nextRefreshDate(), addSeconds(m.now, 5));  // never sooner than 5 s

  m.advance(1000);
  m.idle = 200;
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 800);
  EXPECT_TRUE(tracker.idleStopped());
  EXPECT_FALSE(tracker.countingSince());
  EXPECT_EQ(tracker.nextRefreshDate(), addSeconds(m.now, 15));
  EXPECT_DOUBLE_EQ(tracker.activeSeconds("video"), 800);

  m.advance(30);
  m.idle = 5;
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 805);
  EXPECT_FALSE(tracker.idleStopped());
}

TEST_F(TrackerTest, IdleNeverTakesBackWhatWasBooked) {
  startWatching();
  m.advance(300);
  m.idle = 100;
  tracker.refresh();  // books all 300 s, the idle 100 s included
  m.advance(200);
  m.idle = 300;
  tracker.refresh();  // last input lies before the previous refresh
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 300);
  m.idle = -4;  // a nonsense reading counts as present
  tracker.refresh();
  EXPECT_FALSE(tracker.idleStopped());
}

TEST_F(TrackerTest, MediaKeepsCountingThroughIdleness) {
  startWatching();
  m.playingMedia = {"video"};
  m.advance(600);
  m.idle = 600;
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 600);
  EXPECT_TRUE(tracker.watchingMedia());
  // Media stops while the user is still away: counting stops at the last refresh.
  m.playingMedia.clear();
  m.advance(60);
  m.idle = 660;
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 600);
  EXPECT_TRUE(tracker.idleStopped());
  // Media again while idle-stopped: counting restarts now, the idle span is lost.
  m.playingMedia = {"video"};
  m.advance(60);
  m.idle = 720;
  tracker.refresh();
  EXPECT_TRUE(tracker.watchingMedia());
  m.advance(30);
  EXPECT_DOUBLE_EQ(tracker.activeSeconds("video"), 630);
}

TEST_F(TrackerTest, SessionContinuesAfterExactGapAndRestartsAfterIt) {
  tracker.setWatched({"video"});
  tracker.setEnabled(true);
  tracker.appActivated(testing::app("editor"));
  tracker.appActivated(testing::app("video"));
  m.advance(120);
  tracker.appActivated(testing::app("editor"));
  m.advance(600);
  tracker.appActivated(testing::app("video"));
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 120);
  EXPECT_EQ(tracker.session("video")->returnTo->bundleID, "editor");

  m.advance(60);
  tracker.appActivated(testing::app("video-helper"));
  m.advance(601);
  tracker.appActivated(testing::app("video"));
  const auto s = tracker.session("video");
  EXPECT_DOUBLE_EQ(s->activeSeconds, 0);
  EXPECT_EQ(s->startedAt, m.now);
  EXPECT_EQ(s->returnTo->bundleID, "video-helper");
}

TEST_F(TrackerTest, NewSessionNeverReturnsToItself) {
  tracker.setWatched({"video"});
  tracker.setEnabled(true);
  tracker.appActivated(testing::app("video"));
  tracker.appActivated(std::nullopt);  // the video becomes the last return candidate
  m.advance(700);
  tracker.appActivated(testing::app("video"));
  EXPECT_EQ(tracker.lastReturnCandidate()->bundleID, "video");
  EXPECT_FALSE(tracker.session("video")->returnTo);

  // Reactivating the same application only moves frontmostSince.
  m.advance(5);
  tracker.appActivated(testing::app("video"));
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
  tracker.refresh();
  tracker.setAway(AwayReason::screenLocked, false);
  EXPECT_FALSE(tracker.countingSince());
  tracker.setAway(AwayReason::systemSleep, false);
  EXPECT_EQ(tracker.countingSince(), m.now);
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 50);

  const int before = changes;
  tracker.setAway(AwayReason::systemSleep, false);
  tracker.setEnabled(true);
  tracker.setWatched({"video"});
  EXPECT_EQ(changes, before);
}

TEST_F(TrackerTest, TodayAddsTheLivePartFromMidnight) {
  m.now = m.at(2026, 3, 4, 23, 50);
  startWatching();
  m.now = m.at(2026, 3, 5, 0, 10);
  const DayUsage today = tracker.today();
  EXPECT_DOUBLE_EQ(today.activeSeconds, 600);
  EXPECT_DOUBLE_EQ(today.apps.at("video"), 600);
  EXPECT_TRUE(tracker.data.days.empty());  // nothing stored
}

TEST_F(TrackerTest, ClearHistoryKeepsIntentionAndOpensFreshSession) {
  tracker.setWatched({"video"});
  tracker.setEnabled(true);
  tracker.appActivated(testing::app("video"));
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
  const auto s = tracker.session("video");
  ASSERT_TRUE(s);
  EXPECT_DOUBLE_EQ(s->activeSeconds, 0);
  // The last candidate names the application itself: it is not its way back.
  EXPECT_FALSE(s->returnTo);
  m.advance(10);
  EXPECT_DOUBLE_EQ(tracker.activeSeconds("video"), 10);
}

TEST_F(TrackerTest, PruneKeepsRetentionWindowTodaysMutesAndFreshSessions) {
  m.now = m.at(2026, 3, 31, 15, 0);
  for (const char* key : {"2026-02-28", "2026-03-01", "2026-03-31"}) tracker.data.days[key] = {};
  tracker.data.mutedOn = {{"a", "2026-03-30"}, {"b", "2026-03-31"}};
  AppSession stale;
  stale.bundleID = "old";
  stale.lastCountedAt = addSeconds(m.now, -86400);
  AppSession fresh = stale;
  fresh.bundleID = "new";
  fresh.lastCountedAt = addSeconds(m.now, -86399);
  tracker.data.sessions = {{"old", stale}, {"new", fresh}};
  const int before = changes;
  tracker.prune(30);
  EXPECT_EQ(tracker.data.days.size(), 2u);
  EXPECT_TRUE(tracker.data.days.contains("2026-03-01"));
  EXPECT_EQ(tracker.data.mutedOn.size(), 1u);
  EXPECT_TRUE(tracker.data.sessions.contains("new"));
  EXPECT_FALSE(tracker.data.sessions.contains("old"));
  EXPECT_EQ(changes, before);

  tracker.data.days["2026-03-30"] = {};
  tracker.data.days["2026-03-29"] = {};
  tracker.prune(0);  // today and yesterday
  EXPECT_EQ(tracker.data.days.size(), 2u);
}

TEST_F(TrackerTest, ClockSetBackCountsNothing) {
  startWatching();
  m.advance(-3600);
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 0);
  m.advance(10);
  tracker.refresh();
  EXPECT_DOUBLE_EQ(tracker.session("video")->activeSeconds, 10);
}

}  // namespace
}  // namespace pimble
