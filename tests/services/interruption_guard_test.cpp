#include "services/interruption_guard.h"

#include <gtest/gtest.h>

#include "services/app_catalog.h"

namespace pimble {
namespace {

using Kind = AppCatalog::QuietKind;

TEST(AppCatalogTest, QuietKindsFromTablesThenDeclaredCategory) {
  EXPECT_EQ(AppCatalog::quietKind("com.apple.Safari"), Kind::browser);
  EXPECT_EQ(AppCatalog::quietKind("com.apple.Photos"), Kind::video);
  EXPECT_EQ(AppCatalog::quietKind("org.videolan.VLC"), Kind::video);
  EXPECT_EQ(AppCatalog::quietKind("us.zoom.Zoom"), Kind::meeting);
  EXPECT_EQ(AppCatalog::quietKind("libreoffice-impress"), Kind::presentation);
  EXPECT_EQ(AppCatalog::quietKind("firefox-esr"), Kind::browser);
  EXPECT_EQ(AppCatalog::quietKind("VLC"), std::nullopt);  // case matters
  EXPECT_EQ(AppCatalog::quietKind("x", "public.app-category.action-games"), Kind::game);
  EXPECT_EQ(AppCatalog::quietKind("x", "Game;ArcadeGame;"), Kind::game);
  EXPECT_EQ(AppCatalog::quietKind("x", "AudioVideo;Video;"), std::nullopt);
  EXPECT_EQ(AppCatalog::quietKind("x", std::nullopt), std::nullopt);
}

TEST(AppCatalogTest, SuggestedCategories) {
  EXPECT_EQ(AppCatalog::suggestedCategory("com.apple.TV", "public.app-category.games"),
            AppCategory::video);  // the table wins
  EXPECT_EQ(AppCatalog::suggestedCategory("code"), AppCategory::work);
  EXPECT_EQ(AppCatalog::suggestedCategory("org.telegram.desktop"), AppCategory::social);
  EXPECT_EQ(AppCatalog::suggestedCategory("org.gnome.Terminal"), AppCategory::work);
  const std::vector<std::pair<std::optional<std::string>, AppCategory>> cases = {
      {std::nullopt, AppCategory::other},
      {"public.app-category.music", AppCategory::other},
      {"public.app-category.entertainment", AppCategory::video},
      {"public.app-category.social-networking", AppCategory::social},
      {"public.app-category.photography", AppCategory::work},
      {"Game;StrategyGame;", AppCategory::game},
      {"AudioVideo;Player;", AppCategory::video},
      {"Network;InstantMessaging;", AppCategory::social},
      {"Office;WordProcessor;", AppCategory::work},
      {"Utility;", AppCategory::other},
      {";;", AppCategory::other},
  };
  for (const auto& [declared, category] : cases)
    EXPECT_EQ(AppCatalog::suggestedCategory("unknown.app", declared), category)
        << declared.value_or("none");
}

TEST(AppCatalogTest, InstalledLookupAnswersForUnknownApps) {
  AppCatalog::install({[](const std::string& id) -> std::optional<std::string> {
    if (id == "supertux2") return "Game;ArcadeGame;";
    return std::nullopt;
  }});
  EXPECT_EQ(AppCatalog::quietKind("supertux2"), Kind::game);
  EXPECT_EQ(AppCatalog::suggestedCategory("supertux2"), AppCategory::game);
  EXPECT_EQ(AppCatalog::suggestedCategory("unknown"), AppCategory::other);
  AppCatalog::install({});
  EXPECT_EQ(AppCatalog::quietKind("supertux2"), std::nullopt);
  EXPECT_TRUE(AppCatalog::isSystemInterface("pimble-glimmet"));
  EXPECT_TRUE(AppCatalog::isSystemInterface("com.apple.dock"));
  EXPECT_TRUE(AppCatalog::isSystemInterface("plasmashell"));
  EXPECT_FALSE(AppCatalog::isSystemInterface("firefox"));
}

class GuardTest : public ::testing::Test {
 protected:
  InterruptionGuard guard{probes()};
  std::set<std::int32_t> fullscreenPids;
  std::vector<std::string> mics;
  bool camera = false;
  int windowReads = 0, micReads = 0, cameraReads = 0;

  InterruptionGuard::Probes probes() {
    InterruptionGuard::Probes p;
    p.hasFullscreenWindow = [this](std::int32_t pid) {
      ++windowReads;
      return fullscreenPids.contains(pid);
    };
    p.appsUsingMicrophone = [this] {
      ++micReads;
      return mics;
    };
    p.cameraInUse = [this] {
      ++cameraReads;
      return camera;
    };
    return p;
  }
  static AppIdentity front(const std::string& id, const std::string& name, std::int32_t pid) {
    return AppIdentity{id, name, pid};
  }
};

TEST_F(GuardTest, FullscreenCountsForQuietKindsAndMediaApps) {
  fullscreenPids = {1, 2, 3, 4};
  const auto browser = front("firefox", "Firefox", 1);
  const auto player = front("my.player", "Player", 2);
  const auto editor = front("editor", "Editor", 3);
  const auto self = front(AppCatalog::ownBundleID(), "Pimble", 4);
  using B = AwarenessBlocker;

  EXPECT_EQ(guard.blockers(browser), std::set{B::fullscreen});
  EXPECT_FALSE(guard.wantsVisibilityRechecks(browser));
  EXPECT_TRUE(guard.blockers(player).empty());
  EXPECT_EQ(windowReads, 1);  // no window read for an application that cannot count
  guard.mediaApps = {"my.player"};
  EXPECT_EQ(guard.blockers(player), std::set{B::fullscreen});
  EXPECT_TRUE(guard.wantsVisibilityRechecks(player));
  EXPECT_FALSE(guard.wantsVisibilityRechecks(editor));
  EXPECT_TRUE(guard.wantsVisibilityRechecks(front("vlc", "VLC", 9)));

  guard.settings.fullscreen = FullscreenPolicy::anyApp;
  EXPECT_EQ(guard.blockers(editor), std::set{B::fullscreen});
  EXPECT_TRUE(guard.wantsVisibilityRechecks(editor));
  EXPECT_FALSE(guard.wantsVisibilityRechecks(browser));
  EXPECT_TRUE(guard.blockers(self).empty());
  EXPECT_TRUE(guard.blockers(std::nullopt).empty());

  guard.settings.hideGlimmetInFullscreen = false;
  EXPECT_FALSE(guard.wantsVisibilityRechecks(player));

  windowReads = 0;
  guard.settings.fullscreen = FullscreenPolicy::never;
  guard.settings.hideGlimmetInFullscreen = true;
  EXPECT_TRUE(guard.blockers(player).empty());
  EXPECT_FALSE(guard.wantsVisibilityRechecks(player));
  EXPECT_EQ(windowReads, 0);
}

TEST_F(GuardTest, CallsBlockOnlyWhenAskedFor) {
  camera = true;
  EXPECT_EQ(guard.blockers(std::nullopt), std::set{AwarenessBlocker::call});
  EXPECT_EQ(micReads, 1);  // both probes, always both
  EXPECT_EQ(cameraReads, 1);
  guard.settings.duringCalls = false;
  mics = {"Recorder"};
  EXPECT_TRUE(guard.blockers(std::nullopt).empty());
  EXPECT_EQ(guard.statusText(std::nullopt), "Right now: nothing is holding Pimble back.");
  EXPECT_EQ(micReads, 1);
  EXPECT_EQ(cameraReads, 1);
}

TEST_F(GuardTest, StatusLines) {
  EXPECT_EQ(guard.statusText(std::nullopt), "Right now: nothing is holding Pimble back.");
  fullscreenPids = {7};
  mics = {"Meet", "Recorder"};
  camera = true;
  EXPECT_EQ(guard.statusText(front("vlc", "VLC", 7)),
            "Right now Pimble is waiting: VLC is fullscreen, microphone in use by Meet and "
            "Recorder, camera in use.");
  camera = false;
  mics = {"A", "B", "C"};
  EXPECT_EQ(guard.statusText(front("vlc", "VLC", 8)),
            "Right now Pimble is waiting: microphone in use by A, B, and C.");
  guard.probes.formatList = [](const std::vector<std::string>& names) {
    return std::to_string(names.size()) + " apps";
  };
  EXPECT_EQ(guard.statusText(std::nullopt),
            "Right now Pimble is waiting: microphone in use by 3 apps.");
}

TEST(GuardDefaultsTest, EmptyProbesFindNothing) {
  const InterruptionGuard guard;
  EXPECT_TRUE(guard.blockers(AppIdentity{"vlc", "VLC", 1}).empty());
  EXPECT_EQ(guard.statusText(AppIdentity{"vlc", "VLC", 1}),
            "Right now: nothing is holding Pimble back.");
}

}  // namespace
}  // namespace pimble
