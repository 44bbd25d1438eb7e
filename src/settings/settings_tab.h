#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "models/json_coding.h"

namespace pimble {

// The tabs of the settings window, in their order from left to right.
enum class SettingsTab { general, reminders, awareness, appearance, focus, progress };

PIMBLE_ENUM_NAMES(SettingsTab, {{SettingsTab::general, "general"},
                                {SettingsTab::reminders, "reminders"},
                                {SettingsTab::awareness, "awareness"},
                                {SettingsTab::appearance, "appearance"},
                                {SettingsTab::focus, "focus"},
                                {SettingsTab::progress, "progress"}});

inline constexpr std::array<SettingsTab, 6> allSettingsTabs = {
    SettingsTab::general,    SettingsTab::reminders, SettingsTab::awareness,
    SettingsTab::appearance, SettingsTab::focus,     SettingsTab::progress};

// The tab's label on screen ("Focus & Quiet Hours").
std::string_view label(SettingsTab tab);
// The symbol drawn beside the label ("gearshape").
std::string_view symbolName(SettingsTab tab);
inline std::string_view rawValue(SettingsTab tab) {
  return enumName(tab);
}
// The tab of a case name; any other text gives none.
inline std::optional<SettingsTab> settingsTabFromRawValue(std::string_view text) {
  return enumFromName<SettingsTab>(text);
}

}  // namespace pimble
