#include "companion/x11_window_state.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstring>
#include <vector>

#include "companion/panel_keyboard.h"

namespace pimble::X11WindowState {
namespace {

xcb_connection_t* connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_cookie_t cookie = xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  const xcb_atom_t a = reply->atom;
  std::free(reply);
  return a;
}

xcb_window_t rootOf(xcb_connection_t* c) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  return it.rem > 0 ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

// A client message to the root window, as EWMH asks for changes to a
// managed window's state.
void sendToRoot(xcb_connection_t* c, xcb_window_t window, xcb_atom_t type,
                std::initializer_list<std::uint32_t> data) {
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = type;
  int i = 0;
  for (std::uint32_t d : data) {
    if (i < 5) event.data.data32[i++] = d;
  }
  xcb_send_event(c, 0, rootOf(c),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
}

constexpr std::uint32_t stateRemove = 0;
constexpr std::uint32_t stateAdd = 1;
// Source indication: a pager or other tool acting for the user, which window
// managers honour without focus-stealing checks.
constexpr std::uint32_t sourcePager = 2;

void changeState(xcb_connection_t* c, xcb_window_t w, bool add, const char* first,
                 const char* second = nullptr) {
  const xcb_atom_t netWmState = atom(c, "_NET_WM_STATE");
  sendToRoot(c, w, netWmState,
             {add ? stateAdd : stateRemove, atom(c, first),
              second != nullptr ? atom(c, second) : xcb_atom_t(XCB_ATOM_NONE), sourcePager, 0});
}

bool target(const QWidget& window, xcb_connection_t*& c, xcb_window_t& w) {
  c = connection();
  if (c == nullptr || !window.testAttribute(Qt::WA_WState_Created)) return false;
  w = xcb_window_t(window.winId());
  return w != XCB_WINDOW_NONE;
}

std::vector<xcb_atom_t> atomList(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property) {
  std::vector<xcb_atom_t> atoms;
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_ATOM, 0, 32), nullptr);
  if (reply == nullptr) return atoms;
  if (reply->format == 32) {
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    atoms.assign(values, values + xcb_get_property_value_length(reply) / 4);
  }
  std::free(reply);
  return atoms;
}

void setRegion(xcb_connection_t* c, xcb_window_t w, xcb_shape_kind_t kind, const QRegion& region) {
  std::vector<xcb_rectangle_t> rects;
  rects.reserve(std::size_t(region.rectCount()));
  for (const QRect& r : region) {
    rects.push_back({std::int16_t(r.x()), std::int16_t(r.y()), std::uint16_t(r.width()),
                     std::uint16_t(r.height())});
  }
  // A region keeps its rectangles in bands, top to bottom and left to right
  // in each: said so, the server takes them as they are instead of sorting
  // and merging them again on every new outline.
  xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_YX_BANDED, w, 0, 0,
                       std::uint32_t(rects.size()), rects.data());
}

}  // namespace

bool available() {
  return connection() != nullptr;
}

void createPanelWindow(QWidget& window) {
  window.winId();
  // Qt's X11 plugin writes the window type again on every change of the
  // flags, from this property and the flags: without it a frameless
  // Qt::Window reads as a normal window from the first time a bubble takes
  // or refuses the keyboard on. 0x20 is the plugin's utility type.
  if (QWindow* handle = window.windowHandle()) handle->setProperty("_q_xcb_wm_window_type", 0x20);
  // Set on a window not yet created, the attribute never reaches the window system.
  window.setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
  xcb_connection_t* c = nullptr;
  xcb_window_t w = XCB_WINDOW_NONE;
  if (!target(window, c, w)) return;
  PanelKeyboard::instance().addPanel(window);
  offerKeyboardWhileAccepted(window);
  // WM_HINTS: flags, input, initial state, icon pixmap, icon window, icon
  // position (2), icon mask, window group. Qt changes the other fields by
  // reading the property back, so the group stays out.
  constexpr std::uint32_t fields = 9, groupFlag = 1u << 6, groupField = 8;
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, fields), nullptr);
  if (reply == nullptr) return;
  std::uint32_t hints[fields] = {};
  const int length = xcb_get_property_value_length(reply);
  if (reply->format == 32 && length >= int(sizeof hints)) {
    std::memcpy(hints, xcb_get_property_value(reply), sizeof hints);
  }
  std::free(reply);
  if ((hints[0] & groupFlag) == 0) return;
  hints[0] &= ~groupFlag;
  hints[groupField] = XCB_WINDOW_NONE;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, fields,
                      hints);
}

void offerKeyboardWhileAccepted(const QWidget& window) {
  xcb_connection_t* c = nullptr;
  xcb_window_t w = XCB_WINDOW_NONE;
  if (!target(window, c, w)) return;
  const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
  const xcb_atom_t takeFocus = atom(c, "WM_TAKE_FOCUS");
  std::vector<xcb_atom_t> listed = atomList(c, w, protocols);
  const bool listsTakeFocus = std::find(listed.begin(), listed.end(), takeFocus) != listed.end();
  const bool acceptsFocus = !window.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus);
  if (listsTakeFocus != acceptsFocus) {
    if (acceptsFocus)
      listed.push_back(takeFocus);
    else
      std::erase(listed, takeFocus);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, protocols, XCB_ATOM_ATOM, 32,
                        std::uint32_t(listed.size()), listed.data());
  }
  xcb_flush(c);
}

void applyStates(const QWidget& window, bool above) {
  xcb_connection_t* c = nullptr;
  xcb_window_t w = XCB_WINDOW_NONE;
  if (!target(window, c, w)) return;
  changeState(c, w, true, "_NET_WM_STATE_STICKY");
  changeState(c, w, true, "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER");
  changeState(c, w, above, "_NET_WM_STATE_ABOVE");
  sendToRoot(c, w, atom(c, "_NET_WM_DESKTOP"), {0xFFFFFFFFu, sourcePager, 0, 0, 0});
  xcb_flush(c);
}

void request(std::uint32_t window, const char* message, std::initializer_list<std::uint32_t> data) {
  xcb_connection_t* c = connection();
  if (c == nullptr) return;
  sendToRoot(c, window, atom(c, message), data);
  xcb_flush(c);
}

void setAbove(const QWidget& window, bool above) {
  xcb_connection_t* c = nullptr;
  xcb_window_t w = XCB_WINDOW_NONE;
  if (!target(window, c, w)) return;
  changeState(c, w, above, "_NET_WM_STATE_ABOVE");
  xcb_flush(c);
}

void setInputRegion(const QWidget& window, const QRegion& region) {
  xcb_connection_t* c = nullptr;
  xcb_window_t w = XCB_WINDOW_NONE;
  if (!target(window, c, w)) return;
  setRegion(c, w, XCB_SHAPE_SK_INPUT, region);
  xcb_flush(c);
}

void setBoundingRegion(const QWidget& window, const std::optional<QRegion>& region) {
  xcb_connection_t* c = nullptr;
  xcb_window_t w = XCB_WINDOW_NONE;
  if (!target(window, c, w)) return;
  // Not flushed here: a new outline while a frame is painted goes out with
  // the frame's pixels, and Qt flushes before it waits for events.
  if (region) {
    setRegion(c, w, XCB_SHAPE_SK_BOUNDING, *region);
  } else {
    xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, w, 0, 0, XCB_PIXMAP_NONE);
  }
}

std::optional<QPoint> position(const QWidget& window) {
  xcb_connection_t* c = nullptr;
  xcb_window_t w = XCB_WINDOW_NONE;
  if (!target(window, c, w)) return std::nullopt;
  xcb_translate_coordinates_reply_t* reply =
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, rootOf(c), 0, 0), nullptr);
  if (reply == nullptr) return std::nullopt;
  const QPoint at(reply->dst_x, reply->dst_y);
  std::free(reply);
  return at;
}

}  // namespace pimble::X11WindowState
