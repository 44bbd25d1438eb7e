#include "companion/panel_keyboard.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputEvent>
#include <cstdlib>
#include <cstring>

#include "companion/x11_window_state.h"

namespace pimble {
namespace {

xcb_connection_t* connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_window_t activeWindow(xcb_connection_t* c, xcb_window_t root, xcb_atom_t active) {
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, active, XCB_ATOM_WINDOW, 0, 1), nullptr);
  if (reply == nullptr) return XCB_WINDOW_NONE;
  xcb_window_t w = XCB_WINDOW_NONE;
  if (reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
    std::memcpy(&w, xcb_get_property_value(reply), 4);
  std::free(reply);
  return w;
}

xcb_window_t inputFocus(xcb_connection_t* c) {
  xcb_get_input_focus_reply_t* reply =
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
  if (reply == nullptr) return XCB_WINDOW_NONE;
  const xcb_window_t w = reply->focus;
  std::free(reply);
  return w;
}

// Only a viewable window can have the input focus; one on another workspace
// is not brought back for it.
bool viewable(xcb_connection_t* c, xcb_window_t w) {
  if (w == XCB_WINDOW_NONE) return false;
  xcb_get_window_attributes_reply_t* reply =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
  if (reply == nullptr) return false;
  const bool shown = reply->map_state == XCB_MAP_STATE_VIEWABLE;
  std::free(reply);
  return shown;
}

void setInputFocus(xcb_connection_t* c, xcb_window_t w, std::uint32_t time) {
  // The window can go between the check and the request; the error is no news.
  const xcb_void_cookie_t cookie = xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, w,
                                                               time != 0 ? time : XCB_CURRENT_TIME);
  xcb_discard_reply(c, cookie.sequence);
}

bool refuses(const QWidget& panel) {
  return panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus);
}

xcb_window_t windowOf(const QWidget& panel) {
  return panel.testAttribute(Qt::WA_WState_Created) ? xcb_window_t(panel.winId())
                                                    : xcb_window_t(XCB_WINDOW_NONE);
}

}  // namespace

PanelKeyboard& PanelKeyboard::instance() {
  static QPointer<PanelKeyboard> keyboard;
  if (keyboard == nullptr) keyboard = new PanelKeyboard();
  return *keyboard;
}

PanelKeyboard::PanelKeyboard() : QObject(QCoreApplication::instance()) {
  xcb_connection_t* c = connection();
  if (c == nullptr) return;
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  if (it.rem == 0) return;
  root_ = it.data->root;
  static const char name[] = "_NET_ACTIVE_WINDOW";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
  if (atom == nullptr) return;
  activeAtom_ = atom->atom;
  std::free(atom);
  // Qt watches the root window's properties already; its events pass here.
  userWindow_ = activeWindow(c, root_, activeAtom_);
  QCoreApplication::instance()->installNativeEventFilter(this);
  QCoreApplication::instance()->installEventFilter(this);
}

PanelKeyboard::~PanelKeyboard() {
  if (activeAtom_ == 0 || QCoreApplication::instance() == nullptr) return;
  QCoreApplication::instance()->removeNativeEventFilter(this);
  QCoreApplication::instance()->removeEventFilter(this);
}

void PanelKeyboard::addPanel(QWidget& panel) {
  for (const QPointer<QWidget>& p : panels_)
    if (p == &panel) return;
  std::erase_if(panels_, [](const QPointer<QWidget>& p) { return p.isNull(); });
  panels_.emplace_back(&panel);
}

const QWidget* PanelKeyboard::panelOf(std::uint32_t window) const {
  for (const QPointer<QWidget>& p : panels_)
    if (p != nullptr && windowOf(*p) == window) return p;
  return nullptr;
}

void PanelKeyboard::noteUserTime(std::uint32_t time) {
  if (time != 0) time_ = time;
  handedOn_ = 0;
}

void PanelKeyboard::take(const QWidget& panel, std::uint32_t time) {
  noteUserTime(time);
  xcb_connection_t* c = connection();
  const xcb_window_t w = windowOf(panel);
  if (c == nullptr || activeAtom_ == 0 || refuses(panel) || !panel.isVisible()) return;
  // KWin leaves the keyboard where it was on a click that only changed the
  // hints, and under sway the X focus stays nowhere: the panel takes it,
  // as a window whose hints say it takes the keyboard may on a click.
  if (inputFocus(c) == w || !viewable(c, w)) return;
  setInputFocus(c, w, time_);
  xcb_flush(c);
}

bool PanelKeyboard::holds(const QWidget& panel) {
  xcb_connection_t* c = connection();
  const xcb_window_t w = windowOf(panel);
  if (c == nullptr || activeAtom_ == 0 || w == XCB_WINDOW_NONE) return false;
  return inputFocus(c) == w || activeWindow(c, root_, activeAtom_) == w;
}

void PanelKeyboard::giveBack(const QWidget& panel) {
  if (holds(panel)) focus(userWindow_);
}

void PanelKeyboard::focus(std::uint32_t window) {
  xcb_connection_t* c = connection();
  if (c == nullptr || !viewable(c, window)) return;
  if (panelOf(window) == nullptr) handedTo_ = window;
  // Asked of the window manager as a pager asks, on the user's behalf.
  constexpr std::uint32_t sourcePager = 2;
  X11WindowState::request(window, "_NET_ACTIVE_WINDOW",
                          {sourcePager, time_, activeWindow(c, root_, activeAtom_)});
  // sway acts on no such request of an X client: the X focus goes there too.
  setInputFocus(c, window, time_);
  xcb_flush(c);
}

void PanelKeyboard::activeWindowChanged() {
  xcb_connection_t* c = connection();
  const xcb_window_t active = activeWindow(c, root_, activeAtom_);
  if (active == XCB_WINDOW_NONE) return;
  if (const QWidget* panel = panelOf(active)) {
    // i3 and sway focus a clicked character, or the character once a bubble
    // closes: the keyboard goes on to a bubble that took it, else back.
    if (!refuses(*panel) || handedOn_ >= 2) return;
    ++handedOn_;
    for (const QPointer<QWidget>& p : panels_) {
      if (p != nullptr && p->isVisible() && !refuses(*p)) return focus(windowOf(*p));
    }
    return focus(userWindow_);
  }
  const bool handedBack = active == handedTo_;
  handedTo_ = XCB_WINDOW_NONE;
  userWindow_ = active;
  if (!handedBack) emit otherWindowActivated();
}

bool PanelKeyboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
      const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
      if (notify->window != root_ || notify->atom != activeAtom_) return false;
      time_ = notify->time;
      activeWindowChanged();
      return false;
    }
    // Keys grabbed on the root window (the intention shortcut) reach Qt as
    // no key event.
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
      noteUserTime(reinterpret_cast<const xcb_key_press_event_t*>(event)->time);
      return false;
    default:
      return false;
  }
}

bool PanelKeyboard::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      noteUserTime(std::uint32_t(static_cast<QInputEvent*>(event)->timestamp()));
      break;
    default:
      break;
  }
  return false;
}

}  // namespace pimble
