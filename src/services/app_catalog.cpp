#include "services/app_catalog.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pimble {
namespace {

using Kind = AppCatalog::QuietKind;

AppCatalog::Platform& installedPlatform() {
  static AppCatalog::Platform platform;
  return platform;
}

// Built once on first use; never changed afterwards.
const std::unordered_map<std::string, Kind>& quietKinds() {
  static const std::unordered_map<std::string, Kind> table = {
      {"com.apple.TV", Kind::video},
      {"com.apple.QuickTimePlayerX", Kind::video},
      {"org.videolan.vlc", Kind::video},
      {"com.colliderli.iina", Kind::video},
      {"com.firecore.infuse", Kind::video},
      {"tv.plex.desktop", Kind::video},
      {"com.amazon.aiv.AIVApp", Kind::video},
      {"io.mpv", Kind::video},
      {"com.apple.Photos", Kind::video},
      {"com.apple.iWork.Keynote", Kind::presentation},
      {"com.microsoft.Powerpoint", Kind::presentation},
      {"us.zoom.xos", Kind::meeting},
      {"com.microsoft.teams2", Kind::meeting},
      {"com.microsoft.teams", Kind::meeting},
      {"com.cisco.webexmeetingsapp", Kind::meeting},
      {"Cisco-Systems.Spark", Kind::meeting},
      {"com.apple.FaceTime", Kind::meeting},
      {"com.skype.skype", Kind::meeting},
      {"com.valvesoftware.steam", Kind::game},
      {"com.apple.Safari", Kind::browser},
      {"com.google.Chrome", Kind::browser},
      {"com.google.Chrome.beta", Kind::browser},
      {"com.microsoft.edgemac", Kind::browser},
      {"org.mozilla.firefox", Kind::browser},
      {"company.thebrowser.Browser", Kind::browser},
      {"com.brave.Browser", Kind::browser},
      {"com.operasoftware.Opera", Kind::browser},
      {"com.vivaldi.Vivaldi", Kind::browser},
      {"app.zen-browser.zen", Kind::browser},
      {"com.kagi.kagimacOS", Kind::browser},
      // The same applications as Linux desktop entries (packages and Flatpaks).
      {"vlc", Kind::video},
      {"org.videolan.VLC", Kind::video},
      {"mpv", Kind::video},
      {"io.mpv.Mpv", Kind::video},
      {"tv.plex.PlexDesktop", Kind::video},
      {"libreoffice-impress", Kind::presentation},
      {"org.libreoffice.LibreOffice.impress", Kind::presentation},
      {"zoom", Kind::meeting},
      {"Zoom", Kind::meeting},
      {"us.zoom.Zoom", Kind::meeting},
      {"teams", Kind::meeting},
      {"com.microsoft.Teams", Kind::meeting},
      {"skypeforlinux", Kind::meeting},
      {"com.skype.Client", Kind::meeting},
      {"steam", Kind::game},
      {"com.valvesoftware.Steam", Kind::game},
      {"google-chrome", Kind::browser},
      {"google-chrome-beta", Kind::browser},
      {"chromium", Kind::browser},
      {"chromium-browser", Kind::browser},
      {"org.chromium.Chromium", Kind::browser},
      {"microsoft-edge", Kind::browser},
      {"com.microsoft.Edge", Kind::browser},
      {"firefox", Kind::browser},
      {"firefox-esr", Kind::browser},
      {"brave-browser", Kind::browser},
      {"opera", Kind::browser},
      {"com.opera.Opera", Kind::browser},
      {"vivaldi-stable", Kind::browser},
      {"app.zen_browser.zen", Kind::browser},
      {"firefox_firefox", Kind::browser},
      {"chromium_chromium", Kind::browser},
      {"org.gnome.Epiphany", Kind::browser},
      {"epiphany", Kind::browser},
      {"org.kde.falkon", Kind::browser},
      {"librewolf", Kind::browser},
      {"io.gitlab.librewolf-community", Kind::browser},
  };
  return table;
}

const std::unordered_map<std::string, AppCategory>& categories() {
  static const std::unordered_map<std::string, AppCategory> table = {
      {"com.apple.TV", AppCategory::video},
      {"com.apple.QuickTimePlayerX", AppCategory::video},
      {"org.videolan.vlc", AppCategory::video},
      {"com.colliderli.iina", AppCategory::video},
      {"com.firecore.infuse", AppCategory::video},
      {"tv.plex.desktop", AppCategory::video},
      {"com.amazon.aiv.AIVApp", AppCategory::video},
      {"com.valvesoftware.steam", AppCategory::game},
      {"com.hnc.Discord", AppCategory::social},
      {"com.tinyspeck.slackmacgap", AppCategory::social},
      {"net.whatsapp.WhatsApp", AppCategory::social},
      {"ru.keepcoder.Telegram", AppCategory::social},
      {"com.apple.MobileSMS", AppCategory::social},
      {"com.facebook.archon", AppCategory::social},
      {"org.whispersystems.signal-desktop", AppCategory::social},
      {"com.apple.dt.Xcode", AppCategory::work},
      {"com.microsoft.VSCode", AppCategory::work},
      {"com.todesktop.230313mzl4w4u92", AppCategory::work},
      {"com.figma.Desktop", AppCategory::work},
      {"com.apple.Terminal", AppCategory::work},
      {"com.googlecode.iterm2", AppCategory::work},
      {"notion.id", AppCategory::work},
      {"com.jetbrains.intellij", AppCategory::work},
      {"com.sublimetext.4", AppCategory::work},
      {"dev.zed.Zed", AppCategory::work},
      {"com.apple.iWork.Pages", AppCategory::work},
      {"com.apple.iWork.Numbers", AppCategory::work},
      {"com.microsoft.Word", AppCategory::work},
      {"com.microsoft.Excel", AppCategory::work},
      {"com.adobe.Photoshop", AppCategory::work},
      {"com.linear", AppCategory::work},
      // The same applications as Linux desktop entries.
      {"vlc", AppCategory::video},
      {"org.videolan.VLC", AppCategory::video},
      {"tv.plex.PlexDesktop", AppCategory::video},
      {"steam", AppCategory::game},
      {"com.valvesoftware.Steam", AppCategory::game},
      {"discord", AppCategory::social},
      {"com.discordapp.Discord", AppCategory::social},
      {"slack", AppCategory::social},
      {"com.slack.Slack", AppCategory::social},
      {"org.telegram.desktop", AppCategory::social},
      {"telegramdesktop", AppCategory::social},
      {"signal-desktop", AppCategory::social},
      {"org.signal.Signal", AppCategory::social},
      {"code", AppCategory::work},
      {"com.visualstudio.code", AppCategory::work},
      {"cursor", AppCategory::work},
      {"jetbrains-idea", AppCategory::work},
      {"jetbrains-idea-ce", AppCategory::work},
      {"com.jetbrains.IntelliJ-IDEA-Community", AppCategory::work},
      {"com.jetbrains.IntelliJ-IDEA-Ultimate", AppCategory::work},
      {"sublime_text", AppCategory::work},
      {"com.sublimetext.three", AppCategory::work},
      // Terminals.
      {"org.gnome.Terminal", AppCategory::work},
      {"org.gnome.Console", AppCategory::work},
      {"org.gnome.Ptyxis", AppCategory::work},
      {"org.kde.konsole", AppCategory::work},
      {"xfce4-terminal", AppCategory::work},
      {"mate-terminal", AppCategory::work},
      {"lxterminal", AppCategory::work},
      {"xterm", AppCategory::work},
      {"debian-xterm", AppCategory::work},
      {"debian-uxterm", AppCategory::work},
      {"terminator", AppCategory::work},
      {"com.gexperts.Tilix", AppCategory::work},
      {"kitty", AppCategory::work},
      {"Alacritty", AppCategory::work},
      {"org.wezfurlong.wezterm", AppCategory::work},
      {"com.mitchellh.ghostty", AppCategory::work},
  };
  return table;
}

// Never offered as running applications or places to return to.
const std::unordered_set<std::string>& systemUI() {
  static const std::unordered_set<std::string> set = {
      "com.apple.loginwindow", "com.apple.ScreenSaver.Engine", "com.apple.notificationcenterui",
      "com.apple.controlcenter", "com.apple.systemuiserver", "com.apple.dock",
      "com.apple.Spotlight", "com.apple.SecurityAgent", "com.apple.UserNotificationCenter",
      "com.apple.WindowManager",
      // The Linux desktop shell: panels, desktops, launchers, notification
      // daemons and screen lockers.
      "gnome-shell", "org.gnome.Shell", "plasmashell", "org.kde.plasmashell", "krunner",
      "org.kde.krunner", "xfce4-panel", "xfdesktop", "xfce4-notifyd", "xfce4-screensaver",
      "lxpanel", "lxqt-panel", "pcmanfm-desktop", "mate-panel", "caja-desktop", "cinnamon",
      "nemo-desktop", "budgie-panel", "tint2", "polybar", "waybar", "plank", "dunst", "mako",
      "notify-osd", "xscreensaver", "light-locker", "gnome-screensaver", "kscreenlocker_greet",
      "i3lock", "swaylock", "xsecurelock",
      // This program itself.
      "pimble-glimmet"};
  return set;
}

// A desktop entry's `Categories` value, split at ';'.
std::vector<std::string_view> desktopCategories(std::string_view text) {
  std::vector<std::string_view> out;
  while (!text.empty()) {
    const auto cut = text.find(';');
    const auto item = text.substr(0, cut);
    if (!item.empty()) out.push_back(item);
    if (cut == std::string_view::npos) break;
    text.remove_prefix(cut + 1);
  }
  return out;
}

bool hasAny(const std::vector<std::string_view>& items,
            std::initializer_list<std::string_view> wanted) {
  return std::any_of(items.begin(), items.end(), [&](std::string_view item) {
    return std::find(wanted.begin(), wanted.end(), item) != wanted.end();
  });
}

// The store's games category and all its sub-categories end in "games"; a
// desktop entry says "Game".
bool isGames(const std::string& category) {
  return category.ends_with("games") || hasAny(desktopCategories(category), {"Game"});
}

}  // namespace

void AppCatalog::install(Platform platform) {
  installedPlatform() = std::move(platform);
}

const std::string& AppCatalog::ownBundleID() {
  static const std::string id = "pimble-glimmet";
  return id;
}

std::optional<std::string> AppCatalog::appStoreCategory(const std::string& bundleID) {
  const auto& lookup = installedPlatform().appStoreCategory;
  if (!lookup) return std::nullopt;
  return lookup(bundleID);
}

std::optional<AppCatalog::QuietKind> AppCatalog::quietKind(const std::string& bundleID) {
  if (auto it = quietKinds().find(bundleID); it != quietKinds().end()) return it->second;
  return quietKind(bundleID, appStoreCategory(bundleID));
}

std::optional<AppCatalog::QuietKind> AppCatalog::quietKind(
    const std::string& bundleID, const std::optional<std::string>& storeCategory) {
  if (auto it = quietKinds().find(bundleID); it != quietKinds().end()) return it->second;
  if (storeCategory && isGames(*storeCategory)) return QuietKind::game;
  return std::nullopt;
}

AppCategory AppCatalog::suggestedCategory(const std::string& bundleID) {
  if (auto it = categories().find(bundleID); it != categories().end()) return it->second;
  return suggestedCategory(bundleID, appStoreCategory(bundleID));
}

AppCategory AppCatalog::suggestedCategory(const std::string& bundleID,
                                          const std::optional<std::string>& storeCategory) {
  if (auto it = categories().find(bundleID); it != categories().end()) return it->second;
  if (!storeCategory) return AppCategory::other;
  const std::string& c = *storeCategory;
  if (isGames(c)) return AppCategory::game;
  const auto items = desktopCategories(c);
  if (c == "public.app-category.video" || c == "public.app-category.entertainment" ||
      hasAny(items, {"AudioVideo", "Video", "Player", "TV"}))
    return AppCategory::video;
  if (c == "public.app-category.social-networking" || hasAny(items, {"InstantMessaging", "Chat"}))
    return AppCategory::social;
  if (c == "public.app-category.developer-tools" || c == "public.app-category.productivity" ||
      c == "public.app-category.business" || c == "public.app-category.graphics-design" ||
      c == "public.app-category.photography" ||
      hasAny(items, {"Development", "Office", "Graphics"}))
    return AppCategory::work;
  return AppCategory::other;
}

bool AppCatalog::isSystemInterface(const std::string& bundleID) {
  return systemUI().contains(bundleID);
}

std::vector<ReturnTarget> AppCatalog::runningApps() {
  const auto& list = installedPlatform().runningApps;
  if (!list) return {};
  std::vector<ReturnTarget> result;
  std::unordered_set<std::string> seen;
  for (ReturnTarget& app : list()) {
    if (app.bundleID.empty() || app.bundleID == ownBundleID() || isSystemInterface(app.bundleID))
      continue;
    if (!seen.insert(app.bundleID).second) continue;  // the first instance wins
    if (app.name.empty()) app.name = app.bundleID;
    result.push_back(std::move(app));
  }
  return result;
}

std::optional<ReturnTarget> AppCatalog::browserForSession(
    const std::optional<AppIdentity>& frontmost) {
  if (frontmost && !frontmost->bundleID.empty() &&
      quietKind(frontmost->bundleID) == QuietKind::browser) {
    return ReturnTarget{frontmost->bundleID,
                        frontmost->name.empty() ? frontmost->bundleID : frontmost->name};
  }
  const auto& lookup = installedPlatform().defaultBrowser;
  if (!lookup) return std::nullopt;
  auto browser = lookup();
  if (!browser || browser->bundleID.empty()) return std::nullopt;
  if (browser->name.empty()) browser->name = browser->bundleID;
  return browser;
}

}  // namespace pimble
