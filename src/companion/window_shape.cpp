#include "companion/window_shape.h"

#include "companion/compositor_watch.h"
#include "companion/x11_window_state.h"

namespace pimble {

WindowShape::WindowShape(QWidget& window) : window_(window) {
  if (!X11WindowState::available()) return;
  CompositorWatch& watch = CompositorWatch::instance();
  active_ = !watch.compositing();
  watch_ = QObject::connect(&watch, &CompositorWatch::compositingChanged, &window_,
                            [this](bool compositing) { setActive(!compositing); });
}

WindowShape::~WindowShape() {
  QObject::disconnect(watch_);
}

void WindowShape::setActive(bool active) {
  if (active == active_) return;
  active_ = active;
  // The owner may give the region of what it draws now first.
  if (onActiveChanged) onActiveChanged(active);
  apply();
}

void WindowShape::setRegion(const QRegion& region) {
  region_ = region;
  apply();
}

void WindowShape::windowShown() {
  apply();
}

void WindowShape::apply() {
  if (!window_.testAttribute(Qt::WA_WState_Created)) return;
  const WId id = window_.internalWinId();
  if (id == 0) return;
  if (id != appliedTo_) {
    appliedTo_ = id;
    applied_.reset();
  }
  std::optional<QRegion> wanted;
  // The X server counts a window cut to nothing as covered, and Qt stops
  // painting a covered window, which would then never get a region to show:
  // a window with nothing to show keeps one pixel.
  if (active_) wanted = region_.isEmpty() ? QRegion(0, 0, 1, 1) : region_;
  if (wanted == applied_) return;
  X11WindowState::setBoundingRegion(window_, wanted);
  applied_ = std::move(wanted);
}

}  // namespace pimble
