#include "services/interruption_guard.h"

#include <gtest/gtest.h>

#include "services/app_catalog.h"

namespace pimble {
namespace {

using Kind = AppCatalog::QuietKind;

TEST(AppCatalogTest, QuietKindsAndSuggestedCategories) {
  EXPECT_EQ(AppCatalog::quietKind("com.apple.Photos"), Kind::video);
  EXPECT_EQ(AppCatalog::quietKind("us.zoom.Zoom"), Kind::meeting);
  EXPECT_EQ(AppCatalog::quietKind("libreoffice-impress"), Kind::presentation);
  EXPECT_EQ(AppCatalog::quietKind("VLC"), std::nullopt);  // case matters
  EXPECT_EQ(AppCatalog::quietKind("x", "public.app-category.action-games"), Kind::game);
  EXPECT_EQ(AppCatalog::quietKind("x", "Game;ArcadeGame;"), Kind::game);
  EXPECT_EQ(AppCatalog::quietKind("x", "AudioVideo;Video;"), std::nullopt);
  EXPECT_EQ(AppCatalog::suggestedCategory("com.apple.TV", "public.app-category.games"),
            AppCategory::video);  // the table wins
  EXPECT_EQ(AppCatalog::suggestedCategory("org.telegram.desktop"), AppCategory::social);
  EXPECT_EQ(AppCatalog::suggestedCategory("org.gnome.Terminal"), AppCategory::work);
  const std::vector<std::pair<std::optional<std::string>, AppCategory>> cases = {
      {std::nullopt, AppCategory::other},
      {"public.app-category.music", AppCategory::other},
      {"public.app-category.entertainment", AppCategory::video},
      {"Game;StrategyGame;", AppCategory::game},
      {"AudioVideo;Player;", AppCategory::video},
      {"Network;InstantMessaging;", AppCategory::social},
      {"Office;WordProcessor;", AppCategory::work},
      {";;Utility", AppCategory::other},
  };
  for (const auto& [declared, category] : cases)
    EXPECT_EQ(AppCatalog::suggestedCategory("unknown.app", declared), category)
        << declared.value_or("none");

  AppCatalog::install({[](const std::string& id) -> std::optional<std::string> {
    return id == "supertux2" ? std::optional<std::string>("Game;") : std::nullopt;
  }});
  EXPECT_EQ(AppCatalog::quietKind("supertux2"), Kind::game);
  AppCatalog::install({});
  EXPECT_EQ(AppCatalog::quietKind("supertux2"), std::nullopt);
  EXPECT_TRUE(AppCatalog::isSystemInterface("pimble-glimmet"));
  EXPECT_TRUE(AppCatalog::isSystemInterface("plasmashell"));
  EXPECT_FALSE(AppCatalog::isSystemInterface("firefox"));
}

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
