#pragma once

// What the companion knows about other applications: which well-known ones
// are players, presentation or meeting tools, games or browsers (it stays
// quiet while they are in front), which category a newly watched application
// most likely has, and which processes belong to the desktop itself.
//
// Applications are named by identifier: the desktop-entry id on Linux
// ("org.videolan.VLC"), and the rows of the other platform's identifiers are
// kept so that settings brought over keep their meaning. Identifiers compare
// exactly (case matters).
//
// The rules here are plain C++. What they ask the machine (an application's
// declared category, the running applications, the default web browser) goes
// through `Platform`, which the owner installs once at start (the workspace
// adapter supplies one); without it every lookup answers none.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "models/app_category.h"
#include "models/app_identity.h"
#include "models/json_coding.h"
#include "models/return_target.h"

namespace pimble {

class AppCatalog {
 public:
  // Kinds of applications during which the character stays quiet.
  enum class QuietKind { video, presentation, meeting, game, browser };

  struct Platform {
    Platform() = default;
    // The declared categories alone; the other lookups answer none.
    Platform(std::function<std::optional<std::string>(const std::string&)> storeCategory)
        : appStoreCategory(std::move(storeCategory)) {}

    // The application's declared category, or none. On Linux: the
    // `Categories` value of its desktop entry ("AudioVideo;Video;Player;").
    std::function<std::optional<std::string>(const std::string& bundleID)> appStoreCategory;
    // The applications with a window the user can switch to, in the order to
    // offer them: sorted by name for the user's locale, case-insensitively.
    std::function<std::vector<ReturnTarget>()> runningApps;
    // The application that opens https links, from its desktop entry, or none.
    std::function<std::optional<ReturnTarget>()> defaultBrowser;
  };

  // Installs the platform lookups (replacing any earlier ones).
  static void install(Platform platform);

  // This program's own identifier, "pimble-glimmet".
  static const std::string& ownBundleID();

  static std::optional<QuietKind> quietKind(const std::string& bundleID);
  static AppCategory suggestedCategory(const std::string& bundleID);
  // A process or window of the desktop shell (panel, desktop, notification
  // daemon, screen locker …) or this program: never a place to return to.
  static bool isSystemInterface(const std::string& bundleID);

  // Running applications the user could return to, in the platform's order
  // (by name): one row per identifier, never this program or the desktop
  // shell, never one without an identifier.
  static std::vector<ReturnTarget> runningApps();
  // The browser to pair with a focus session: the application in front when
  // it is a browser, otherwise the user's default browser, or none.
  static std::optional<ReturnTarget> browserForSession(const std::optional<AppIdentity>& frontmost);

  // The rules alone, for a given declared category.
  static std::optional<QuietKind> quietKind(const std::string& bundleID,
                                            const std::optional<std::string>& storeCategory);
  static AppCategory suggestedCategory(const std::string& bundleID,
                                       const std::optional<std::string>& storeCategory);

 private:
  static std::optional<std::string> appStoreCategory(const std::string& bundleID);
};

PIMBLE_ENUM_NAMES(AppCatalog::QuietKind, {{AppCatalog::QuietKind::video, "video"},
                                          {AppCatalog::QuietKind::presentation, "presentation"},
                                          {AppCatalog::QuietKind::meeting, "meeting"},
                                          {AppCatalog::QuietKind::game, "game"},
                                          {AppCatalog::QuietKind::browser, "browser"}});

}  // namespace pimble
