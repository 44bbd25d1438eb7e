#include "system/x11_windows.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "system/xcb_screen.h"

namespace pimble {

namespace {

// Frees what xcb hands out with malloc.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbPtr = std::unique_ptr<T, FreeDeleter>;

// _NET_WM_DESKTOP of a window shown on every desktop.
constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;

}  // namespace

struct X11Windows::Connection {
  xcb_connection_t* c = nullptr;
  xcb_ewmh_connection_t ewmh{};
  bool ewmhReady = false;
  int screenNumber = 0;
  xcb_window_t root = 0;
  xcb_atom_t gtkApplicationId = XCB_ATOM_NONE;
  xcb_atom_t utf8String = XCB_ATOM_NONE;
  xcb_atom_t opacity = XCB_ATOM_NONE;
  bool randrMonitors = false;
  // An unmapped window of ours whose property changes tell the server's time.
  xcb_window_t clock = 0;
  xcb_atom_t clockProperty = XCB_ATOM_NONE;

  xcb_atom_t intern(const char* name) {
    auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  }

  // The raw bytes of a property, up to `maxLongs` 32-bit units.
  XcbPtr<xcb_get_property_reply_t> property(xcb_window_t w, xcb_atom_t atom, xcb_atom_t type,
                                            uint32_t maxLongs = 1024) {
    if (atom == XCB_ATOM_NONE) return nullptr;
    auto cookie = xcb_get_property(c, 0, w, atom, type, 0, maxLongs);
    XcbPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE) return nullptr;
    return reply;
  }

  std::vector<xcb_atom_t> atomsOf(xcb_get_property_cookie_t cookie) {
    std::vector<xcb_atom_t> result;
    xcb_ewmh_get_atoms_reply_t atoms;
    if (xcb_ewmh_get_atoms_reply(&ewmh, cookie, &atoms, nullptr)) {
      result.assign(atoms.atoms, atoms.atoms + atoms.atoms_len);
      xcb_ewmh_get_atoms_reply_wipe(&atoms);
    }
    return result;
  }
  std::vector<xcb_atom_t> states(xcb_window_t w) {
    return atomsOf(xcb_ewmh_get_wm_state(&ewmh, w));
  }
  std::vector<xcb_atom_t> types(xcb_window_t w) {
    return atomsOf(xcb_ewmh_get_wm_window_type(&ewmh, w));
  }
};

X11Windows::X11Windows(const QString& display, QObject* parent)
    : QObject(parent), x_(std::make_unique<Connection>()) {
  const XcbScreen screen = XcbScreen::open(display);
  if (!screen.connection) return;
  x_->c = screen.connection;
  x_->screenNumber = screen.screenNumber;
  x_->root = screen.root;

  xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(x_->c, &x_->ewmh);
  x_->ewmhReady = xcb_ewmh_init_atoms_replies(&x_->ewmh, cookies, nullptr) != 0;
  x_->gtkApplicationId = x_->intern("_GTK_APPLICATION_ID");
  x_->utf8String = x_->intern("UTF8_STRING");
  x_->opacity = x_->intern("_NET_WM_WINDOW_OPACITY");

  auto randr = xcb_randr_query_version(x_->c, 1, 5);
  XcbPtr<xcb_randr_query_version_reply_t> version(
      xcb_randr_query_version_reply(x_->c, randr, nullptr));
  x_->randrMonitors = version && (version->major_version > 1 ||
                                  (version->major_version == 1 && version->minor_version >= 5));

  // Property changes on the root window tell about activation, the client
  // list and the current desktop. Our own mask on the root does not disturb
  // anybody else's.
  const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(x_->c, x_->root, XCB_CW_EVENT_MASK, &mask);
  x_->clock = xcb_generate_id(x_->c);
  const uint32_t clockValues[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
  xcb_create_window(x_->c, XCB_COPY_FROM_PARENT, x_->clock, x_->root, -1, -1, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                    XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, clockValues);
  x_->clockProperty = x_->intern("_PIMBLE_SERVER_TIME");
  xcb_flush(x_->c);

  notifier_ = new QSocketNotifier(xcb_get_file_descriptor(x_->c), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { drainEvents(); });
}

X11Windows::~X11Windows() {
  if (notifier_) notifier_->setEnabled(false);
  if (x_->ewmhReady) xcb_ewmh_connection_wipe(&x_->ewmh);
  if (x_->c) xcb_disconnect(x_->c);
}

bool X11Windows::isConnected() const {
  return x_->c && !xcb_connection_has_error(x_->c) && x_->ewmhReady && x_->root != 0;
}

void X11Windows::scheduleDrain() {
  // A reply read synchronously may have pulled events into xcb's queue
  // without the socket becoming readable again: look at them soon.
  if (drainScheduled_ || !isConnected()) return;
  drainScheduled_ = true;
  QMetaObject::invokeMethod(
      this, [this] { drainEvents(); }, Qt::QueuedConnection);
}

void X11Windows::noteProperty(std::uint32_t window, std::uint32_t atom) {
  if (window != x_->root) return;
  if (atom == x_->ewmh._NET_ACTIVE_WINDOW) activeChanged_ = true;
  if (atom == x_->ewmh._NET_CLIENT_LIST || atom == x_->ewmh._NET_CLIENT_LIST_STACKING) {
    clientsChanged_ = true;
  }
  if (atom == x_->ewmh._NET_CURRENT_DESKTOP) desktopChanged_ = true;
}

void X11Windows::drainEvents() {
  drainScheduled_ = false;
  if (!isConnected()) {
    if (notifier_) notifier_->setEnabled(false);
    return;
  }
  while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(x_->c)}) {
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
    noteProperty(notify->window, notify->atom);
  }
  const bool active = std::exchange(activeChanged_, false);
  const bool clients = std::exchange(clientsChanged_, false);
  const bool desktop = std::exchange(desktopChanged_, false);
  // Callbacks may read more properties; the queued drain picks up whatever
  // those reads pulled in.
  if (clients && onClientListChanged) onClientListChanged();
  if (active && onActiveWindowChanged) onActiveWindowChanged();
  if (desktop && onCurrentDesktopChanged) onCurrentDesktopChanged();
}

std::uint32_t X11Windows::serverTime() {
  // Appending nothing to a property of our own still changes it, and the
  // change's event carries the server's time. Root changes that arrive
  // meanwhile are reported at the next drain.
  std::uint32_t time = XCB_CURRENT_TIME;
  if (x_->clockProperty == XCB_ATOM_NONE) return time;
  const xcb_void_cookie_t change = xcb_change_property(
      x_->c, XCB_PROP_MODE_APPEND, x_->clock, x_->clockProperty, XCB_ATOM_CARDINAL, 32, 0, nullptr);
  xcb_flush(x_->c);
  while (XcbPtr<xcb_generic_event_t> event{xcb_wait_for_event(x_->c)}) {
    // A refused change sends no event to wait for.
    if (event->response_type == 0 && event->sequence == (change.sequence & 0xffff)) break;
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
    if (notify->window == x_->clock && notify->atom == x_->clockProperty) {
      time = notify->time;
      break;
    }
    noteProperty(notify->window, notify->atom);
  }
  scheduleDrain();
  return time;
}

WindowId X11Windows::activeWindow() {
  if (!isConnected()) return 0;
  xcb_window_t window = 0;
  if (!xcb_ewmh_get_active_window_reply(
          &x_->ewmh, xcb_ewmh_get_active_window(&x_->ewmh, x_->screenNumber), &window, nullptr)) {
    window = 0;
  }
  scheduleDrain();
  return window;
}

std::vector<WindowId> X11Windows::clientList(bool stacking) {
  std::vector<WindowId> result;
  if (!isConnected()) return result;
  xcb_ewmh_get_windows_reply_t windows;
  auto cookie = stacking ? xcb_ewmh_get_client_list_stacking(&x_->ewmh, x_->screenNumber)
                         : xcb_ewmh_get_client_list(&x_->ewmh, x_->screenNumber);
  if (xcb_ewmh_get_windows_reply(&x_->ewmh, cookie, &windows, nullptr)) {
    result.assign(windows.windows, windows.windows + windows.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&windows);
  }
  scheduleDrain();
  return result;
}

std::optional<pid_t> X11Windows::windowPid(WindowId window) {
  if (!isConnected() || window == 0) return std::nullopt;
  uint32_t pid = 0;
  if (!xcb_ewmh_get_wm_pid_reply(&x_->ewmh, xcb_ewmh_get_wm_pid(&x_->ewmh, window), &pid,
                                 nullptr) ||
      pid == 0 || pid > 0x7fffffffu) {
    return std::nullopt;
  }
  return static_cast<pid_t>(pid);
}

std::pair<QString, QString> X11Windows::windowClass(WindowId window) {
  if (!isConnected() || window == 0) return {};
  auto reply = x_->property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
  if (!reply || reply->format != 8) return {};
  const int length = xcb_get_property_value_length(reply.get());
  const char* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
  const QByteArray bytes(data, length);
  // "instance\0class\0"; a missing terminator is tolerated.
  const QList<QByteArray> parts = bytes.split('\0');
  const QString instance = parts.size() > 0 ? QString::fromLatin1(parts[0]) : QString();
  const QString cls = parts.size() > 1 ? QString::fromLatin1(parts[1]) : QString();
  return {instance, cls};
}

QString X11Windows::gtkApplicationId(WindowId window) {
  if (!isConnected() || window == 0) return {};
  auto reply = x_->property(window, x_->gtkApplicationId, x_->utf8String, 256);
  if (!reply || reply->format != 8) return {};
  return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()));
}

bool X11Windows::isTaskbarWindow(WindowId window) {
  if (!isConnected() || window == 0) return false;
  // The first type the window lists is the one that counts; none is normal.
  const auto types = x_->types(window);
  if (!types.empty() && types.front() != x_->ewmh._NET_WM_WINDOW_TYPE_NORMAL) return false;
  for (xcb_atom_t state : x_->states(window)) {
    if (state == x_->ewmh._NET_WM_STATE_SKIP_TASKBAR) return false;
  }
  return true;
}

bool X11Windows::isFullscreenState(WindowId window) {
  if (!isConnected() || window == 0) return false;
  for (xcb_atom_t state : x_->states(window)) {
    if (state == x_->ewmh._NET_WM_STATE_FULLSCREEN) return true;
  }
  return false;
}

bool X11Windows::isDesktopElement(WindowId window) {
  if (!isConnected() || window == 0) return false;
  for (xcb_atom_t type : x_->types(window)) {
    if (type == x_->ewmh._NET_WM_WINDOW_TYPE_DESKTOP || type == x_->ewmh._NET_WM_WINDOW_TYPE_DOCK) {
      return true;
    }
  }
  return false;
}

bool X11Windows::isWorkWindow(WindowId window) {
  if (!isConnected() || window == 0) return false;
  const auto types = x_->types(window);
  return types.empty() || types.front() == x_->ewmh._NET_WM_WINDOW_TYPE_NORMAL ||
         types.front() == x_->ewmh._NET_WM_WINDOW_TYPE_DIALOG;
}

bool X11Windows::isShown(WindowId window) {
  if (!isConnected() || window == 0) return false;
  XcbPtr<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(x_->c, xcb_get_window_attributes(x_->c, window), nullptr));
  if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return false;
  for (xcb_atom_t state : x_->states(window)) {
    if (state == x_->ewmh._NET_WM_STATE_HIDDEN) return false;
  }
  return true;
}

std::optional<double> X11Windows::opacity(WindowId window) {
  if (!isConnected() || window == 0) return std::nullopt;
  auto reply = x_->property(window, x_->opacity, XCB_ATOM_CARDINAL, 1);
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) {
    return std::nullopt;
  }
  const uint32_t value = *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
  return static_cast<double>(value) / 4294967295.0;
}

std::optional<QRect> X11Windows::rootGeometry(WindowId window) {
  if (!isConnected() || window == 0) return std::nullopt;
  auto geometryCookie = xcb_get_geometry(x_->c, window);
  auto translateCookie = xcb_translate_coordinates(x_->c, window, x_->root, 0, 0);
  XcbPtr<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x_->c, geometryCookie, nullptr));
  XcbPtr<xcb_translate_coordinates_reply_t> origin(
      xcb_translate_coordinates_reply(x_->c, translateCookie, nullptr));
  scheduleDrain();
  if (!geometry || !origin) return std::nullopt;
  return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::vector<QRect> X11Windows::monitors() {
  std::vector<QRect> result;
  if (!isConnected()) return result;
  if (x_->randrMonitors) {
    XcbPtr<xcb_randr_get_monitors_reply_t> reply(
        xcb_randr_get_monitors_reply(x_->c, xcb_randr_get_monitors(x_->c, x_->root, 1), nullptr));
    if (reply) {
      for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
           xcb_randr_monitor_info_next(&it)) {
        if (it.data->width > 0 && it.data->height > 0) {
          result.emplace_back(it.data->x, it.data->y, it.data->width, it.data->height);
        }
      }
    }
  }
  if (result.empty()) {
    if (auto root = rootGeometry(x_->root)) result.push_back(*root);
  }
  return result;
}

std::optional<std::uint32_t> X11Windows::currentDesktop() {
  if (!isConnected()) return std::nullopt;
  uint32_t desktop = 0;
  if (!xcb_ewmh_get_current_desktop_reply(&x_->ewmh,
                                          xcb_ewmh_get_current_desktop(&x_->ewmh, x_->screenNumber),
                                          &desktop, nullptr)) {
    return std::nullopt;
  }
  return desktop;
}

void X11Windows::requestActivation(WindowId window) {
  if (!isConnected() || window == 0) return;
  // Called on the user's action: the time now is the time of that action,
  // which window managers want to see in a user's request.
  const std::uint32_t time = serverTime();
  // Some window managers (openbox) never focus a window on another desktop
  // for a request; a pager takes the user to its desktop first.
  uint32_t desktop = 0;
  if (xcb_ewmh_get_wm_desktop_reply(&x_->ewmh, xcb_ewmh_get_wm_desktop(&x_->ewmh, window), &desktop,
                                    nullptr) &&
      desktop != kAllDesktops) {
    const auto current = currentDesktop();
    if (current && *current != desktop) {
      xcb_ewmh_request_change_current_desktop(&x_->ewmh, x_->screenNumber, desktop, time);
    }
  }
  xcb_ewmh_request_change_active_window(&x_->ewmh, x_->screenNumber, window,
                                        XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER, time, activeWindow());
  xcb_flush(x_->c);
}

}  // namespace pimble
