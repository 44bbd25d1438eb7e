#include "system/hot_key.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <cstdlib>
#include <vector>

// X11 last: its macros would trip the Qt headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace pimble {

namespace {
constexpr unsigned kModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;  // Ctrl+Alt

struct X11 {
  Display* display = nullptr;
  xcb_connection_t* connection = nullptr;
};

X11 x11() {
  auto* native = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!native) return {};
  return {native->display(), native->connection()};
}

// Every variant of the modifiers with the lock keys on or off.
std::vector<uint16_t> variants(unsigned numLock) {
  std::vector<uint16_t> out;
  for (unsigned lock : {0u, unsigned(XCB_MOD_MASK_LOCK)})
    for (unsigned num : {0u, numLock}) {
      const auto mods = static_cast<uint16_t>(kModifiers | lock | num);
      if (std::find(out.begin(), out.end(), mods) == out.end()) out.push_back(mods);
    }
  return out;
}
}  // namespace

HotKey::HotKey(QObject* parent) : QObject(parent) {}

HotKey::~HotKey() {
  unregisterKey();
}

bool HotKey::registerKey(std::function<void()> onPressed) {
  unregisterKey();
  const X11 x = x11();
  if (!x.display || !x.connection) return false;
  keycode_ = XKeysymToKeycode(x.display, XK_i);
  if (keycode_ == 0) return false;
  numLockMask_ = XkbKeysymToModifiers(x.display, XK_Num_Lock);
  if (numLockMask_ == 0) numLockMask_ = XCB_MOD_MASK_2;
  root_ = static_cast<unsigned>(DefaultRootWindow(x.display));

  // Checked requests: a grab another client holds answers BadAccess here,
  // not later in the event stream.
  std::vector<uint16_t> held;
  bool ok = true;
  for (uint16_t mods : variants(numLockMask_)) {
    auto cookie =
        xcb_grab_key_checked(x.connection, 1, root_, mods, static_cast<xcb_keycode_t>(keycode_),
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    if (xcb_generic_error_t* error = xcb_request_check(x.connection, cookie)) {
      std::free(error);
      ok = false;
      break;
    }
    held.push_back(mods);
  }
  if (!ok) {
    for (uint16_t mods : held)
      xcb_ungrab_key(x.connection, static_cast<xcb_keycode_t>(keycode_), root_, mods);
    xcb_flush(x.connection);
    return false;
  }
  onPressed_ = std::move(onPressed);
  registered_ = true;
  QCoreApplication::instance()->installNativeEventFilter(this);
  return true;
}

void HotKey::unregisterKey() {
  if (!registered_) return;
  registered_ = false;
  onPressed_ = nullptr;
  QCoreApplication::instance()->removeNativeEventFilter(this);
  const X11 x = x11();
  if (!x.connection) return;
  for (uint16_t mods : variants(numLockMask_))
    xcb_ungrab_key(x.connection, static_cast<xcb_keycode_t>(keycode_), root_, mods);
  xcb_flush(x.connection);
}

bool HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!registered_ || eventType != "xcb_generic_event_t") return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  if ((event->response_type & ~0x80) != XCB_KEY_PRESS) return false;
  auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
  const unsigned ignored = XCB_MOD_MASK_LOCK | numLockMask_;
  if (press->detail != keycode_ || press->event != root_ ||
      (press->state & ~ignored & 0xFF) != kModifiers)
    return false;
  // Handed on through the event loop: the handler may unregister the key.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (onPressed_) onPressed_();
      },
      Qt::QueuedConnection);
  // The press goes on to the other filters and to Qt: it carries the time
  // of the user's action, which whatever the handler opens needs to take
  // the keyboard. No window of Qt's is the root window, so nothing else
  // reads it as a key typed.
  return false;
}

}  // namespace pimble
