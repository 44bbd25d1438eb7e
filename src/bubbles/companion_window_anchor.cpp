#include "bubbles/companion_window_anchor.h"

#include <cmath>

#include "companion/companion_panel.h"
#include "companion/companion_placement.h"
#include "companion/companion_window_controller.h"
#include "companion/screen_space.h"

namespace pimble {

CompanionWindowAnchor::CompanionWindowAnchor(CompanionWindowController& window)
    : controller_(window), panel_(&window.panel()) {}

std::optional<QRectF> CompanionWindowAnchor::frame() const {
  if (panel_ == nullptr) return std::nullopt;
  return controller_.frame();
}

std::optional<QRectF> CompanionWindowAnchor::visibleFrame() const {
  const ScreenList screens = ScreenSpace::screens();
  if (screens.empty()) return std::nullopt;
  if (const std::optional<QRectF> f = frame()) {
    if (const std::optional<ScreenInfo> s = CompanionPlacement::screen(*f, screens)) {
      return s->visibleFrame;
    }
  }
  return screens.front().visibleFrame;
}

bool CompanionWindowAnchor::isVisible() const {
  return panel_ != nullptr && panel_->isVisible();
}

bool CompanionWindowAnchor::alwaysOnTop() const {
  return panel_ != nullptr && panel_->alwaysOnTop();
}

QWidget* CompanionWindowAnchor::window() const {
  return panel_;
}

QRect CompanionWindowAnchor::toQt(const QRectF& up) const {
  const QRectF qt = ScreenSpace::current().toQt(up);
  return {int(std::lround(qt.x())), int(std::lround(qt.y())), int(std::lround(qt.width())),
          int(std::lround(qt.height()))};
}

}  // namespace pimble
