#include "services/app_catalog.h"

#include <gtest/gtest.h>

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

  AppCatalog::Platform platform;
  platform.appStoreCategory = [](const std::string& id) -> std::optional<std::string> {
    return id == "supertux2" ? std::optional<std::string>("Game;") : std::nullopt;
  };
  AppCatalog::install(platform);
  EXPECT_EQ(AppCatalog::quietKind("supertux2"), Kind::game);
  AppCatalog::install({});
  EXPECT_EQ(AppCatalog::quietKind("supertux2"), std::nullopt);
  EXPECT_TRUE(AppCatalog::isSystemInterface("pimble-glimmet"));
  EXPECT_TRUE(AppCatalog::isSystemInterface("plasmashell"));
  EXPECT_FALSE(AppCatalog::isSystemInterface("firefox"));
}

// The catalogue's platform is process-wide: every test leaves none behind.
class AppCatalogPlatform : public ::testing::Test {
 protected:
  void TearDown() override { AppCatalog::install({}); }
};

TEST_F(AppCatalogPlatform, RunningAppsOnceEachWithoutThisProgramOrTheShell) {
  EXPECT_TRUE(AppCatalog::runningApps().empty());  // nothing installed
  AppCatalog::Platform platform;
  platform.runningApps = [] {
    return std::vector<ReturnTarget>{{"org.gnome.Nautilus", "Files"},
                                     {"pimble-glimmet", "Pimble Glimmet"},
                                     {"", "No identity"},
                                     {"gnome-shell", "GNOME Shell"},
                                     {"firefox", "firefox"},
                                     {"org.gnome.Nautilus", "Files (second window)"},
                                     {"xterm-class", ""}};
  };
  AppCatalog::install(platform);
  // The platform's order (by name) stays; the first instance wins.
  EXPECT_EQ(AppCatalog::runningApps(), (std::vector<ReturnTarget>{{"org.gnome.Nautilus", "Files"},
                                                                  {"firefox", "firefox"},
                                                                  {"xterm-class", "xterm-class"}}));
}

TEST_F(AppCatalogPlatform, BrowserForSessionPrefersTheBrowserInFront) {
  const AppIdentity chromium{"chromium", "Chromium", 42}, editor{"org.gnome.TextEditor", "Text", 7};
  // Neither a browser in front nor a default one.
  EXPECT_EQ(AppCatalog::browserForSession(std::nullopt), std::nullopt);
  EXPECT_EQ(AppCatalog::browserForSession(editor), std::nullopt);
  // With no default set, the browser in front still counts.
  EXPECT_EQ(AppCatalog::browserForSession(chromium), (ReturnTarget{"chromium", "Chromium"}));

  int asked = 0;
  std::optional<ReturnTarget> preferred = ReturnTarget{"firefox-esr", "Firefox ESR"};
  AppCatalog::Platform platform;
  platform.defaultBrowser = [&] {
    ++asked;
    return preferred;
  };
  AppCatalog::install(platform);
  // A browser in front wins over another default browser.
  EXPECT_EQ(AppCatalog::browserForSession(chromium), (ReturnTarget{"chromium", "Chromium"}));
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(AppCatalog::browserForSession(editor), (ReturnTarget{"firefox-esr", "Firefox ESR"}));
  EXPECT_EQ(AppCatalog::browserForSession(std::nullopt), preferred);
  // The default is answered whether or not the table knows it as a browser.
  preferred = ReturnTarget{"org.example.Surf", ""};
  EXPECT_EQ(AppCatalog::browserForSession(editor),
            (ReturnTarget{"org.example.Surf", "org.example.Surf"}));
  // An entry without an identity is none.
  preferred = ReturnTarget{"", "Nameless"};
  EXPECT_EQ(AppCatalog::browserForSession(editor), std::nullopt);
  preferred.reset();
  EXPECT_EQ(AppCatalog::browserForSession(editor), std::nullopt);
}

}  // namespace
}  // namespace pimble
