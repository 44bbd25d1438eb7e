#pragma once

#include <QRect>

#include "bubbles/companion_anchor.h"

namespace pimble {

// A character window that is only a frame on a screen of a given height;
// y-up rectangles map to Qt's with the screen's top at Qt y 0.
struct FakeAnchor : CompanionAnchor {
  std::optional<QRectF> companion = QRectF(1000, 100, 168, 174);
  std::optional<QRectF> visible = QRectF(0, 0, 1440, 875);
  bool shown = true;
  double screenHeight = 900;

  std::optional<QRectF> frame() const override { return companion; }
  std::optional<QRectF> visibleFrame() const override { return visible; }
  bool isVisible() const override { return shown; }
  bool alwaysOnTop() const override { return false; }
  QWidget* window() const override { return nullptr; }
  QRect toQt(const QRectF& up) const override {
    return QRectF(up.x(), screenHeight - (up.y() + up.height()), up.width(), up.height()).toRect();
  }
  // A Qt rectangle back in y-up points.
  QRectF fromQt(const QRect& qt) const {
    return {double(qt.x()), screenHeight - (qt.y() + qt.height()), double(qt.width()),
            double(qt.height())};
  }
};

}  // namespace pimble
