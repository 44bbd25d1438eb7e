#include "companion/frame_presenter.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSysInfo>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pimble {
namespace {

xcb_connection_t* connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->connection() : nullptr;
}

// Whether the server shows 32-bit pixels of `window` exactly as Qt's
// premultiplied ARGB pictures hold them in memory.
bool takesPicturesAsPainted(xcb_connection_t* c, xcb_window_t window) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  if (setup->image_byte_order != (QSysInfo::ByteOrder == QSysInfo::LittleEndian
                                      ? XCB_IMAGE_ORDER_LSB_FIRST
                                      : XCB_IMAGE_ORDER_MSB_FIRST)) {
    return false;
  }
  bool thirtyTwoBits = false;
  for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem > 0; xcb_format_next(&f)) {
    if (f.data->depth == 32) thirtyTwoBits = f.data->bits_per_pixel == 32;
  }
  if (!thirtyTwoBits) return false;

  xcb_get_window_attributes_reply_t* attributes =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
  xcb_get_geometry_reply_t* geometry =
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
  const bool known = attributes != nullptr && geometry != nullptr && geometry->depth == 32;
  const xcb_visualid_t visual = attributes != nullptr ? attributes->visual : 0;
  std::free(attributes);
  std::free(geometry);
  if (!known) return false;
  for (auto s = xcb_setup_roots_iterator(setup); s.rem > 0; xcb_screen_next(&s)) {
    for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem > 0; xcb_depth_next(&d)) {
      if (d.data->depth != 32) continue;
      for (auto v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v)) {
        if (v.data->visual_id != visual) continue;
        return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000 &&
               v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff;
      }
    }
  }
  return false;
}

// A window's size in device pixels, as the frames painted for it have it.
QSize devicePixels(QSize logicalSize, double ratio) {
  return {int(std::ceil(logicalSize.width() * ratio)),
          int(std::ceil(logicalSize.height() * ratio))};
}

// Whether sequence number `a` comes before `b`, across the wrap.
bool before(std::uint32_t a, std::uint32_t b) {
  return std::int32_t(a - b) < 0;
}

}  // namespace

FramePresenter::FramePresenter(QWidget& window) : widget_(window) {}

FramePresenter::~FramePresenter() {
  detach();
}

bool FramePresenter::attach() {
  xcb_connection_t* c = connection();
  if (c == nullptr || !widget_.isWindow() || !widget_.testAttribute(Qt::WA_WState_Created)) {
    return false;
  }
  const auto id = std::uint32_t(widget_.internalWinId());
  if (id == 0) return false;
  if (id == window_) return true;
  detach();
  if (!takesPicturesAsPainted(c, id)) return false;
  window_ = id;
  gc_ = xcb_generate_id(c);
  const std::uint32_t noExposures = 0;
  xcb_create_gc(c, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  // Qt then sends the window paint events without painting it itself.
  widget_.setAttribute(Qt::WA_PaintOnScreen);
  QCoreApplication::instance()->installNativeEventFilter(this);
  return true;
}

void FramePresenter::detach() {
  if (window_ == 0) return;
  if (QCoreApplication::instance() != nullptr) {
    QCoreApplication::instance()->removeNativeEventFilter(this);
  }
  if (xcb_connection_t* c = connection()) xcb_free_gc(c, gc_);
  window_ = 0;
  gc_ = 0;
  framed_ = false;
  lastFrameArea_ = {};
  exposed_ = {};
  exposedAfterFrame_ = false;
  widget_.setAttribute(Qt::WA_PaintOnScreen, false);
}

QImage& FramePresenter::beginFrame(QSize logicalSize, double ratio) {
  const QSize pixels = devicePixels(logicalSize, ratio);
  if (frame_.size() != pixels || frame_.devicePixelRatio() != ratio) {
    frame_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    frame_.setDevicePixelRatio(ratio);
    // Nothing of the frame on screen can be counted on to be clear.
    lastPainted_ = frame_.rect();
  }
  frame_.fill(Qt::transparent);
  return frame_;
}

QRect FramePresenter::paintedArea(const QImage& frame) {
  // The bounding box of the pixels that are not fully clear, eight bytes a
  // step.
  const int width = frame.width();
  int top = -1;
  int bottom = -1;
  int left = width;
  int right = -1;
  for (int y = 0; y < frame.height(); ++y) {
    const auto* row = reinterpret_cast<const quint32*>(frame.constScanLine(y));
    int x = 0;
    while (x + 2 <= width) {
      quint64 pair = 0;
      std::memcpy(&pair, row + x, sizeof pair);
      if (pair != 0) break;
      x += 2;
    }
    while (x < width && row[x] == 0) ++x;
    if (x == width) continue;
    if (top < 0) top = y;
    bottom = y;
    left = std::min(left, x);
    int end = width;
    while (end > right + 1 && row[end - 1] == 0) --end;
    right = std::max(right, end - 1);
  }
  if (top < 0) return {};
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

std::uint32_t FramePresenter::put(const QRect& area, bool wholeRows) {
  xcb_connection_t* c = connection();
  QRect r = area & frame_.rect();
  if (r.isEmpty()) return 0;
  // Whole rows go straight from the frame; a small area (an exposed sliver
  // along the outline) is gathered first, so that only its pixels travel.
  if (wholeRows) r = QRect(0, r.top(), frame_.width(), r.height());
  const bool direct = r.width() == frame_.width();
  const int rowBytes = r.width() * 4;
  if (!direct) {
    scratch_.resize(std::size_t(r.width()) * std::size_t(r.height()));
    for (int y = 0; y < r.height(); ++y) {
      std::memcpy(scratch_.data() + std::size_t(y) * std::size_t(r.width()),
                  frame_.constScanLine(r.top() + y) + std::ptrdiff_t(r.left()) * 4,
                  std::size_t(rowBytes));
    }
  }
  const auto rowData = [&](int y) -> const uchar* {
    if (direct) return frame_.constScanLine(r.top() + y);
    return reinterpret_cast<const uchar*>(scratch_.data() +
                                          std::size_t(y) * std::size_t(r.width()));
  };
  // A request holds at most this many bytes (with the server's big
  // requests, far more than a window).
  const std::uint64_t limit = std::uint64_t(xcb_get_maximum_request_length(c)) * 4;
  const std::uint64_t header = 24;
  const int rowsPerRequest = int(std::clamp<std::uint64_t>(
      (std::max(limit, header + std::uint64_t(rowBytes)) - header) / std::uint64_t(rowBytes), 1,
      65535));
  std::uint32_t first = 0;
  for (int y = 0; y < r.height(); y += rowsPerRequest) {
    const int rows = std::min(rowsPerRequest, r.height() - y);
    const xcb_void_cookie_t cookie =
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, std::uint16_t(r.width()),
                      std::uint16_t(rows), std::int16_t(r.left()), std::int16_t(r.top() + y), 0, 32,
                      std::uint32_t(rows * rowBytes), rowData(y));
    if (y == 0) first = cookie.sequence;
  }
  return first;
}

bool FramePresenter::windowIsCurrent() {
  if (window_ == 0) return false;
  if (std::uint32_t(widget_.internalWinId()) == window_) return true;
  // Qt made the native window anew: take the new one over, or hand the
  // window back to Qt, which then paints it.
  if (attach()) return true;
  widget_.update();
  return false;
}

void FramePresenter::present() {
  xcb_connection_t* c = connection();
  if (c == nullptr || frame_.isNull() || !windowIsCurrent()) return;
  // Until the window is exposed its pixels go nowhere, and a window manager
  // that is still taking it in (reparenting it, copying its outline) may not
  // expose again what such a frame missed: Qt paints the window once it is
  // exposed.
  const QWindow* handle = widget_.windowHandle();
  if (handle == nullptr || !handle->isExposed()) return;
  // Only what holds something, now or in the frame before, can differ on
  // screen; the rest stays clear.
  const QRect painted = paintedArea(frame_);
  const QRect area = framed_ ? painted | lastPainted_ : frame_.rect();
  lastPainted_ = painted;
  lastFrameArea_ = QRect(0, area.top(), frame_.width(), area.height());
  if (const std::uint32_t sequence = put(area, true); sequence != 0) {
    lastFrameSequence_ = sequence;
  }
  framed_ = true;
  ++framesPresented_;
  xcb_flush(c);
}

void FramePresenter::windowExposed() {
  if (window_ == 0) return;
  if (framed_) {
    presentAgain(QRegion(frame_.rect()));
  } else if (onFrameWanted) {
    onFrameWanted();
  }
}

void FramePresenter::presentAgain(const QRegion& area) {
  xcb_connection_t* c = connection();
  if (c == nullptr || window_ == 0 || !framed_) return;
  for (const QRect& r : area) put(r, false);
  ++exposuresAnswered_;
  xcb_flush(c);
}

bool FramePresenter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (window_ == 0 || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_EXPOSE) return false;
  const auto* expose = reinterpret_cast<const xcb_expose_event_t*>(event);
  if (expose->window != window_) return false;
  if (exposed_.isEmpty()) {
    // Qt would only note again that a window it already shows is exposed:
    // the exposures of a framed window it shows are answered here alone.
    // Others reach Qt too, which keeps track of the window's exposure.
    const QWindow* handle = widget_.windowHandle();
    answering_ = framed_ && handle != nullptr && handle->isExposed();
  }
  exposed_ += QRect(expose->x, expose->y, expose->width, expose->height);
  // The server made this exposure after the last frame reached the window
  // (something uncovered it, or a window manager reshaped its frame): those
  // pixels are not on screen.
  if (!framed_ || !before(event->full_sequence, lastFrameSequence_)) exposedAfterFrame_ = true;
  if (expose->count == 0) {
    // What the last frame sent after the exposure already shows is not sent
    // again (a new outline that shows more of the window exposes it first).
    const QRegion missing = exposedAfterFrame_ ? exposed_ : exposed_ - lastFrameArea_;
    if (!framed_ || frame_.size() != devicePixels(widget_.size(), widget_.devicePixelRatioF())) {
      // Nothing painted yet to show, or not at the window's size now.
      if (onFrameWanted) onFrameWanted();
    } else if (!missing.isEmpty()) {
      presentAgain(missing);
    } else {
      ++exposuresCovered_;
    }
    exposed_ = {};
    exposedAfterFrame_ = false;
  }
  return answering_;
}

}  // namespace pimble
