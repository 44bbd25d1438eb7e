#include "companion/pointer_motion.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QSocketNotifier>
#include <cstdlib>

#include "system/xcb_screen.h"

namespace pimble {

struct PointerMotionWatch::Connection {
  xcb_connection_t* c = nullptr;
  xcb_window_t root = 0;
  std::uint8_t inputOpcode = 0;
  bool ready = false;
  bool selected = false;
};

PointerMotionWatch::PointerMotionWatch(const QString& display, QObject* parent)
    : QObject(parent), x_(std::make_unique<Connection>()) {
  const XcbScreen screen = XcbScreen::open(display);
  if (!screen.connection) return;
  x_->c = screen.connection;
  x_->root = screen.root;

  const xcb_query_extension_reply_t* input = xcb_get_extension_data(x_->c, &xcb_input_id);
  if (input == nullptr || !input->present) return;
  x_->inputOpcode = input->major_opcode;
  // From 2.1 on, raw events come even while another client grabs the
  // pointer (a drag in another program still moves the eyes).
  auto* version =
      xcb_input_xi_query_version_reply(x_->c, xcb_input_xi_query_version(x_->c, 2, 2), nullptr);
  const bool recent =
      version != nullptr &&
      (version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 2));
  std::free(version);
  if (!recent) return;
  x_->ready = true;
  notifier_ = new QSocketNotifier(xcb_get_file_descriptor(x_->c), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { drainEvents(); });
}

PointerMotionWatch::~PointerMotionWatch() {
  if (notifier_) notifier_->setEnabled(false);
  if (x_->c) xcb_disconnect(x_->c);
}

bool PointerMotionWatch::isAvailable() const {
  return x_->ready && !xcb_connection_has_error(x_->c);
}

bool PointerMotionWatch::watchOnce(std::function<void()> onMotion) {
  if (!isAvailable()) return false;
  onMotion_ = std::move(onMotion);
  select(true);
  return true;
}

void PointerMotionWatch::cancel() {
  onMotion_ = nullptr;
  select(false);
}

void PointerMotionWatch::select(bool on) {
  if (!isAvailable() || x_->selected == on) return;
  x_->selected = on;
  // Master devices only: each movement then arrives once, not once from
  // the physical device and again from the pointer it drives.
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t mask;
  } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
         on ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
  xcb_input_xi_select_events(x_->c, x_->root, 1, &mask.head);
  xcb_flush(x_->c);
}

void PointerMotionWatch::drainEvents() {
  if (!isAvailable()) {
    if (notifier_) notifier_->setEnabled(false);
    return;
  }
  bool moved = false;
  while (xcb_generic_event_t* event = xcb_poll_for_event(x_->c)) {
    if ((event->response_type & 0x7f) == XCB_GE_GENERIC) {
      const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
      if (generic->extension == x_->inputOpcode && generic->event_type == XCB_INPUT_RAW_MOTION)
        moved = true;
    }
    std::free(event);
  }
  // Events already on their way after a cancel are dropped.
  if (!moved || !onMotion_) return;
  select(false);
  auto report = std::move(onMotion_);
  onMotion_ = nullptr;
  report();
}

}  // namespace pimble
