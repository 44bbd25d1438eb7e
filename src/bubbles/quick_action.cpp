#include "bubbles/quick_action.h"

namespace pimble {

std::string_view quickActionTitle(QuickAction action) {
  switch (action) {
    case QuickAction::water:
      return "Water";
    case QuickAction::stretch:
      return "Stretch";
    case QuickAction::pause30:
      return "Pause 30 min";
    case QuickAction::progress:
      return "Progress";
    case QuickAction::settings:
      return "Settings";
  }
  return "";
}

std::string_view quickActionSymbol(QuickAction action) {
  switch (action) {
    case QuickAction::water:
      return "drop.fill";
    case QuickAction::stretch:
      return "figure.flexibility";
    case QuickAction::pause30:
      return "pause.circle.fill";
    case QuickAction::progress:
      return "chart.bar.fill";
    case QuickAction::settings:
      return "gearshape.fill";
  }
  return "";
}

}  // namespace pimble
