#pragma once

#include <QPointer>

#include "bubbles/companion_anchor.h"

namespace pimble {

class CompanionPanel;
class CompanionWindowController;

// The bubbles' view of the character's real window. The window controller
// lives as long as the application; the panel is watched, so a window that
// is gone reads as none.
class CompanionWindowAnchor : public CompanionAnchor {
 public:
  explicit CompanionWindowAnchor(CompanionWindowController& window);

  std::optional<QRectF> frame() const override;
  std::optional<QRectF> visibleFrame() const override;
  bool isVisible() const override;
  bool alwaysOnTop() const override;
  QWidget* window() const override;
  QRect toQt(const QRectF& upRect) const override;

 private:
  CompanionWindowController& controller_;
  QPointer<CompanionPanel> panel_;
};

}  // namespace pimble
