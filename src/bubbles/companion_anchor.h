#pragma once

#include <QRect>
#include <QRectF>

class QWidget;
#include <optional>

namespace pimble {

// What the bubbles need of the character's window: where it is and on which
// screen area it lives, in y-up screen points (origin at the bottom left of
// the primary screen; a QRectF's x()/y() are its minimum corner), and the
// window itself to stay above. The owner calls the bubbles' layout functions
// whenever the window's geometry changes. CompanionWindowAnchor is the one on
// the real window.
class CompanionAnchor {
 public:
  virtual ~CompanionAnchor() = default;
  // The character window's frame; none once the window is gone.
  virtual std::optional<QRectF> frame() const = 0;
  // The visible area (without panels) of the window's screen, else of the
  // primary screen; none without any screen.
  virtual std::optional<QRectF> visibleFrame() const = 0;
  // Whether the window is shown.
  virtual bool isVisible() const = 0;
  // Whether the window floats above other windows.
  virtual bool alwaysOnTop() const = 0;
  // The window the bubbles stay above, null when gone or not a real window.
  virtual QWidget* window() const = 0;
  // A y-up rectangle in Qt's global, y-down coordinates.
  virtual QRect toQt(const QRectF& upRect) const = 0;
};

}  // namespace pimble
