#include "services/interruption_guard.h"

#include <gtest/gtest.h>

namespace pimble {
namespace {

class GuardTest : public ::testing::Test {
 protected:
  InterruptionGuard::Probes probes() {
    return {[this](std::int32_t pid) {
              ++windowReads;
              return fullscreenPids.contains(pid);
            },
            [this] {
              ++callReads;
              return mics;
            },
            [this] {
              ++callReads;
              return camera;
            },
            {}};
  }
  std::set<std::int32_t> fullscreenPids = {1, 2, 3, 4};
  std::vector<std::string> mics;
  bool camera = false;
  int windowReads = 0, callReads = 0;
  InterruptionGuard guard{probes()};
  const AppIdentity browser{"firefox", "Firefox", 1}, player{"my.player", "Player", 2},
      editor{"editor", "Editor", 3}, self{"pimble-glimmet", "Pimble", 4};
};

TEST_F(GuardTest, FullscreenCountsForQuietKindsAndMediaApps) {
  const std::set<AwarenessBlocker> fullscreen = {AwarenessBlocker::fullscreen};
  EXPECT_EQ(guard.blockers(browser), fullscreen);
  EXPECT_FALSE(guard.wantsVisibilityRechecks(browser));
  EXPECT_TRUE(guard.blockers(player).empty());
  EXPECT_EQ(windowReads, 1);  // no window read for an application that cannot count
  guard.mediaApps = {"my.player"};
  EXPECT_EQ(guard.blockers(player), fullscreen);
  EXPECT_TRUE(guard.wantsVisibilityRechecks(player));
  EXPECT_FALSE(guard.wantsVisibilityRechecks(editor));

  guard.settings.fullscreen = FullscreenPolicy::anyApp;
  EXPECT_EQ(guard.blockers(editor), fullscreen);
  EXPECT_TRUE(guard.wantsVisibilityRechecks(editor));
  EXPECT_FALSE(guard.wantsVisibilityRechecks(browser));
  EXPECT_TRUE(guard.blockers(self).empty());
  EXPECT_TRUE(guard.blockers(std::nullopt).empty());
  guard.settings.hideGlimmetInFullscreen = false;
  EXPECT_FALSE(guard.wantsVisibilityRechecks(player));

  windowReads = 0;
  guard.settings = {FullscreenPolicy::never, true, true};
  EXPECT_TRUE(guard.blockers(player).empty());
  EXPECT_FALSE(guard.wantsVisibilityRechecks(player));
  EXPECT_EQ(windowReads, 0);
}

TEST_F(GuardTest, CallsAndStatusLines) {
  EXPECT_EQ(guard.statusText(std::nullopt), "Right now: nothing is holding Pimble back.");
  camera = true;
  callReads = 0;
  EXPECT_EQ(guard.blockers(std::nullopt), std::set{AwarenessBlocker::call});
  EXPECT_EQ(callReads, 2);  // both probes, always both
  mics = {"Meet", "Recorder"};
  EXPECT_EQ(guard.statusText(AppIdentity{"vlc", "VLC", 1}),
            "Right now Pimble is waiting: VLC is fullscreen, microphone in use by Meet and "
            "Recorder, camera in use.");
  camera = false;
  mics = {"A", "B", "C"};
  EXPECT_EQ(guard.statusText(editor),
            "Right now Pimble is waiting: microphone in use by A, B, and C.");
  guard.probes.formatList = [](const std::vector<std::string>& n) {
    return std::to_string(n.size()) + " apps";
  };
  EXPECT_EQ(guard.statusText(editor), "Right now Pimble is waiting: microphone in use by 3 apps.");

  guard.settings.duringCalls = false;
  callReads = 0;
  EXPECT_TRUE(guard.blockers(std::nullopt).empty());
  EXPECT_EQ(guard.statusText(std::nullopt), "Right now: nothing is holding Pimble back.");
  EXPECT_EQ(callReads, 0);
  EXPECT_TRUE(InterruptionGuard().blockers(browser).empty());  // empty probes find nothing
}

}  // namespace
}  // namespace pimble
