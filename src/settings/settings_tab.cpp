#include "settings/settings_tab.h"

namespace pimble {

std::string_view label(SettingsTab tab) {
  switch (tab) {
    case SettingsTab::general:
      return "General";
    case SettingsTab::reminders:
      return "Reminders";
    case SettingsTab::awareness:
      return "Awareness";
    case SettingsTab::appearance:
      return "Appearance";
    case SettingsTab::focus:
      return "Focus & Quiet Hours";
    case SettingsTab::progress:
      return "Progress";
  }
  return "";
}

std::string_view symbolName(SettingsTab tab) {
  switch (tab) {
    case SettingsTab::general:
      return "gearshape";
    case SettingsTab::reminders:
      return "bell";
    case SettingsTab::awareness:
      return "hourglass";
    case SettingsTab::appearance:
      return "paintbrush";
    case SettingsTab::focus:
      return "moon";
    case SettingsTab::progress:
      return "chart.bar";
  }
  return "";
}

}  // namespace pimble
