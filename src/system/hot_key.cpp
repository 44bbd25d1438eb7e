#include "system/hot_key.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <cstdlib>
#include <cstring>
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

struct Keys {
  unsigned keycode = 0;  // none when no key types "i" and none has I's place
  unsigned numLockMask = XCB_MOD_MASK_2;
};

// The key in I's place on the keyboard (XKB's name for it), asked of the
// server: where no key types "i" (Russian, Greek, Hebrew alone), as other
// programs' shortcuts fall back to the Latin key's place. None without XKB.
unsigned keyInThePlaceOfI(Display* display) {
  XkbDescPtr keyboard = XkbGetMap(display, 0, XkbUseCoreKbd);
  if (keyboard == nullptr) return 0;
  unsigned found = 0;
  if (XkbGetNames(display, XkbKeyNamesMask, keyboard) == Success && keyboard->names &&
      keyboard->names->keys) {
    for (int keycode = keyboard->min_key_code; keycode <= keyboard->max_key_code && !found;
         ++keycode)
      if (std::strncmp(keyboard->names->keys[keycode].name, "AD08", XkbKeyNameLength) == 0)
        found = unsigned(keycode);
  }
  XkbFreeKeyboard(keyboard, 0, True);
  return found;
}

// The key that types "i" (else the key in its place) and the Num Lock
// modifier, asked of the server: Xlib's copy of the mapping in the Display
// is never brought up to date, since Qt reads the events that would. Every
// group counts, the first first, so that a group switch within one mapping
// moves nothing.
Keys currentKeys(const X11& x) {
  xcb_connection_t* c = x.connection;
  Keys keys;
  const xcb_setup_t* setup = xcb_get_setup(c);
  const int first = setup->min_keycode, count = setup->max_keycode - first + 1;
  auto* map = xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr);
  auto* mods = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
  if (map && map->keysyms_per_keycode > 0) {
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    const int per = map->keysyms_per_keycode;
    auto types = [&](int keycode, xcb_keysym_t sym, int column) {
      return keycode >= first && keycode < first + count &&
             syms[(keycode - first) * per + column] == sym;
    };
    for (int column = 0; column < per && !keys.keycode; ++column)
      for (int keycode = first; keycode < first + count && !keys.keycode; ++keycode)
        if (types(keycode, XK_i, column)) keys.keycode = unsigned(keycode);
    if (mods) {
      const xcb_keycode_t* held = xcb_get_modifier_mapping_keycodes(mods);
      const int perModifier = mods->keycodes_per_modifier;
      for (int i = 0; i < 8 * perModifier; ++i)
        for (int column = 0; column < per; ++column)
          if (types(held[i], XK_Num_Lock, column)) keys.numLockMask = 1u << (i / perModifier);
    }
  }
  std::free(map);
  std::free(mods);
  if (keys.keycode == 0) keys.keycode = keyInThePlaceOfI(x.display);
  return keys;
}

// The XKB extension's event code on the connection, -1 without it.
int xkbEventCode(xcb_connection_t* c) {
  const char* name = "XKEYBOARD";
  auto* reply = xcb_query_extension_reply(
      c, xcb_query_extension(c, uint16_t(std::strlen(name)), name), nullptr);
  const int code = reply && reply->present ? reply->first_event : -1;
  std::free(reply);
  return code;
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
  const Keys keys = currentKeys(x);
  if (keys.keycode == 0) return false;
  keycode_ = keys.keycode;
  numLockMask_ = keys.numLockMask;
  root_ = static_cast<unsigned>(DefaultRootWindow(x.display));
  if (!grab()) return false;
  // Qt selects the XKB events on its connection for its own keymap.
  xkbEvent_ = xkbEventCode(x.connection);
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
  release();
}

bool HotKey::grab() {
  xcb_connection_t* c = x11().connection;
  if (!c) return false;
  // Checked requests: a grab another client holds answers BadAccess here,
  // not later in the event stream.
  std::vector<uint16_t> held;
  for (uint16_t mods : variants(numLockMask_)) {
    auto cookie = xcb_grab_key_checked(c, 1, root_, mods, static_cast<xcb_keycode_t>(keycode_),
                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
      std::free(error);
      for (uint16_t grabbed : held)
        xcb_ungrab_key(c, static_cast<xcb_keycode_t>(keycode_), root_, grabbed);
      xcb_flush(c);
      return false;
    }
    held.push_back(mods);
  }
  grabbed_ = true;
  return true;
}

void HotKey::release() {
  if (!grabbed_) return;
  grabbed_ = false;
  xcb_connection_t* c = x11().connection;
  if (!c) return;
  for (uint16_t mods : variants(numLockMask_))
    xcb_ungrab_key(c, static_cast<xcb_keycode_t>(keycode_), root_, mods);
  xcb_flush(c);
}

void HotKey::followMapping() {
  followQueued_ = false;
  const X11 x = x11();
  if (!registered_ || !x.display || !x.connection) return;
  // A tool that types "i" where no key does (a password manager, xdotool)
  // maps it on a spare key for a moment: the shortcut goes there for that
  // moment and comes back to the I key's place after.
  const Keys now = currentKeys(x);
  // A keyboard without that key keeps the grab; a mapping that leaves it
  // where it was changes nothing.
  if (now.keycode == 0) return;
  if (grabbed_ && now.keycode == keycode_ && now.numLockMask == numLockMask_) return;
  release();
  keycode_ = now.keycode;
  numLockMask_ = now.numLockMask;
  // Held by another program: off without a word, as at the start.
  grab();
}

bool HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!registered_ || eventType != "xcb_generic_event_t") return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  const int type = event->response_type & ~0x80;
  // A new layout comes as XKB's new-keyboard or map notification, a change
  // by xmodmap as the core one; a group switch (XKB's state notification)
  // keeps the mapping.
  // XKB's kind of notification is the event's second byte.
  const uint8_t xkbKind = event->pad0;
  const bool mapping =
      (type == XCB_MAPPING_NOTIFY &&
       reinterpret_cast<xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_POINTER) ||
      (type == xkbEvent_ && (xkbKind == XkbNewKeyboardNotify || xkbKind == XkbMapNotify));
  if (mapping && !followQueued_) {
    // One look after the burst of notifications a layout change sends.
    followQueued_ = true;
    QMetaObject::invokeMethod(this, &HotKey::followMapping, Qt::QueuedConnection);
  }
  if (type != XCB_KEY_PRESS || !grabbed_) return false;
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
