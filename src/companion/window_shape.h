#pragma once

#include <QMetaObject>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <optional>

namespace pimble {

// The outline of one of the program's translucent windows. A compositing
// manager blends their soft edges and shadows with what lies beneath; an X
// server without one shows their clear pixels black. There the window is cut
// to the region its owner gives (what it draws, in whole pixels); with a
// compositor it stays whole, so that it looks exactly as drawn.
class WindowShape {
 public:
  explicit WindowShape(QWidget& window);
  ~WindowShape();
  WindowShape(const WindowShape&) = delete;
  WindowShape& operator=(const WindowShape&) = delete;

  // Whether the window is cut now: on X11 while no compositing manager runs.
  bool isActive() const { return active_; }
  // Called when that changes, before the window is cut or made whole: the
  // owner may set the region of what it draws now.
  std::function<void(bool)> onActiveChanged;

  // What the window shows, in its device pixels; applied while active, and
  // only when it differs from what the window has. An empty region (also
  // before the first) leaves one pixel: the X server takes a window cut to
  // nothing as covered, and Qt stops painting it.
  void setRegion(const QRegion& region);
  const QRegion& region() const { return region_; }
  // The native window was made or shown again: it gets the shape.
  void windowShown();

 private:
  void setActive(bool active);
  void apply();

  QWidget& window_;
  bool active_ = false;
  QRegion region_;
  // What the native window was last given, and which window that was: a
  // window made anew starts whole.
  WId appliedTo_ = 0;
  std::optional<QRegion> applied_;
  QMetaObject::Connection watch_;
};

}  // namespace pimble
