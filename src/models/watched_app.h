#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "models/app_category.h"
#include "models/json_coding.h"

namespace pimble {

// One watched application, identified by its bundle identifier. The limits
// are active minutes per awareness mode; nothing means no limit check-in in
// that mode.
struct WatchedApp {
  std::string bundleID;
  std::string name;
  AppCategory category = AppCategory::other;
  bool isEnabled = true;
  bool askIntention = false;
  std::optional<std::int64_t> workMinutes;
  std::optional<std::int64_t> relaxMinutes;
  std::optional<std::int64_t> nightMinutes;

  // Takes the category with its default limits and without the intention
  // question, as a newly watched or recategorised application starts.
  void resetToCategory(AppCategory newCategory);

  Json toJson() const;
  static WatchedApp fromJson(const Json& j);  // bundleID is required
  friend bool operator==(const WatchedApp&, const WatchedApp&) = default;
};

}  // namespace pimble
