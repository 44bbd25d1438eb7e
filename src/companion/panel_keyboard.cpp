#include "companion/panel_keyboard.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

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

// A menu, a list dropped from a combo box or a tooltip of ours: a popup
// closes once the program no longer has the keyboard.
bool popupShown() {
  const QWindowList windows = QGuiApplication::allWindows();
  return std::any_of(windows.begin(), windows.end(), [](const QWindow* window) {
    return window->isVisible() && (window->type() == Qt::Popup || window->type() == Qt::ToolTip);
  });
}

bool refuses(const QWidget& panel) {
  return panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus);
}

xcb_window_t windowOf(const QWidget& panel) {
  return panel.testAttribute(Qt::WA_WState_Created) ? xcb_window_t(panel.winId())
                                                    : xcb_window_t(XCB_WINDOW_NONE);
}

// A window of this program's: the settings, the tour, a panel.
bool isOurs(xcb_window_t w) {
  const QWindowList windows = QGuiApplication::allWindows();
  return std::any_of(windows.begin(), windows.end(), [w](const QWindow* window) {
    return window->handle() != nullptr && xcb_window_t(window->winId()) == w;
  });
}

}  // namespace

PanelKeyboard::Answer::Answer() {
  ++instance().answers_;
}

PanelKeyboard::Answer::~Answer() {
  PanelKeyboard& keyboard = instance();
  if (--keyboard.answers_ > 0) return;
  const bool sentOn = std::exchange(keyboard.sentOn_, false);
  if (!keyboard.close_ || keyboard.closeAnyway_.isPending()) return;
  if (!sentOn) {
    keyboard.closed(true);
    return;
  }
  // sway acts on no activation an X client asks for.
  constexpr double longest = 0.5;
  keyboard.closeAnyway_ =
      keyboard.scheduler_.after(longest, [&keyboard] { keyboard.closed(false); });
}

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
  if (const xcb_query_extension_reply_t* input = xcb_get_extension_data(c, &xcb_input_id))
    if (input->present) inputOpcode_ = input->major_opcode;
  // Qt watches the root window's properties already; its events pass here.
  userWindow_ = appWindow_ = lastActive_ = activeWindow(c, root_, activeAtom_);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

PanelKeyboard::~PanelKeyboard() {
  if (activeAtom_ == 0 || QCoreApplication::instance() == nullptr) return;
  QCoreApplication::instance()->removeNativeEventFilter(this);
}

void PanelKeyboard::addPanel(QWidget& panel) {
  for (const QPointer<QWidget>& p : panels_)
    if (p == &panel) return;
  std::erase_if(panels_, [](const QPointer<QWidget>& p) { return p.isNull(); });
  panels_.emplace_back(&panel);
}

QWidget* PanelKeyboard::panelOf(std::uint32_t window) const {
  for (const QPointer<QWidget>& p : panels_)
    if (p != nullptr && windowOf(*p) == window) return p;
  return nullptr;
}

void PanelKeyboard::noteUserTime(std::uint32_t time, bool chose) {
  if (time != 0) time_ = time;
  handedOn_ = 0;
  // Whatever becomes active from now on, the user chose; letting go of the
  // keys or the button that asked for a window chooses nothing new.
  if (chose) settled();
}

void PanelKeyboard::settled() {
  takingSettles_.cancel();
  watchUserInput(false);
}

void PanelKeyboard::watchUserInput(bool on) {
  xcb_connection_t* c = connection();
  if (c == nullptr || inputOpcode_ == 0 || watchingInput_ == on) return;
  watchingInput_ = on;
  // Raw events reach the root window whichever window or grab has the
  // input; master devices only, as Qt's own selection there is for all.
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t mask;
  } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
         on ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS |
                            XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS)
            : 0u};
  xcb_input_xi_select_events(c, root_, 1, &mask.head);
  xcb_flush(c);
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

void PanelKeyboard::takeOnceShown(QWidget& window) {
  handOnPending_ = false;
  xcb_connection_t* c = connection();
  if (c == nullptr || activeAtom_ == 0) return;
  takeOnShow_ = &window;
  takeOnShowTime_ = time_;
  taking_ = &window;
  // A window of ours that no panel is (the settings) gives the keyboard
  // back to the user's window itself as it closes: the window manager would
  // pick the one it activated last, or where the focus follows the mouse
  // the one the closing window uncovers under the pointer.
  if (panelOf(windowOf(window)) == nullptr) {
    givesBackOnClose_ = &window;
    window.installEventFilter(this);
  }
  takenAgain_ = 0;
  pointerAtTaking_.reset();
  if (xcb_query_pointer_reply_t* pointer =
          xcb_query_pointer_reply(c, xcb_query_pointer(c, root_), nullptr)) {
    pointerAtTaking_ = QPoint(pointer->root_x, pointer->root_y);
    std::free(pointer);
  }
  // GNOME Shell closes the tray's menu it drew right after telling us the
  // item chosen, and hands the keyboard back to the window that had it
  // before the menu opened; where the focus follows the mouse, a menu that
  // vanishes leaves the pointer over another window, which the window
  // manager focuses. An activation this soon, with no key or button of the
  // user's pressed anywhere since and no move of the pointer into that
  // window, is the window manager's.
  constexpr double settling = 1.0;
  watchUserInput(true);
  takingSettles_ = scheduler_.after(settling, [this] { watchUserInput(false); });
  shown(windowOf(window));
}

void PanelKeyboard::shown(std::uint32_t window) {
  if (takeOnShow_ == nullptr || windowOf(*takeOnShow_) != window) return;
  xcb_connection_t* c = connection();
  // Mapped inside a frame not yet mapped is not on screen yet.
  if (!viewable(c, window)) return;
  const QWidget* taking = takeOnShow_;
  takeOnShow_ = nullptr;
  if (refuses(*taking) || !taking->isVisible() || holds(*taking)) return;
  // KWin at its high focus stealing prevention gives a window mapped for
  // the user's action in another program no keyboard, nor one that asks
  // for it as an application, and takes it back from one that sets the
  // focus itself; it obeys a request as a pager's.
  focus(window, takeOnShowTime_);
}

bool PanelKeyboard::holds(const QWidget& panel) {
  xcb_connection_t* c = connection();
  const xcb_window_t w = windowOf(panel);
  if (c == nullptr || activeAtom_ == 0 || w == XCB_WINDOW_NONE) return false;
  return inputFocus(c) == w || activeWindow(c, root_, activeAtom_) == w;
}

void PanelKeyboard::giveBack(const QWidget& panel) {
  if (takeOnShow_ == &panel) takeOnShow_ = nullptr;
  if (holds(panel)) handBack();
}

void PanelKeyboard::sentOn() {
  if (answers_ > 0) sentOn_ = true;
}

void PanelKeyboard::close(const QWidget& panel, std::function<void(bool giveBack)> hide) {
  closeAnyway_.cancel();
  closing_ = nullptr;
  close_ = nullptr;
  if (answers_ == 0 || !holds(panel)) return hide(true);
  closing_ = &panel;
  close_ = std::move(hide);
}

void PanelKeyboard::closed(bool giveBack) {
  closeAnyway_.cancel();
  // A panel gone meanwhile (the program quit) takes its close with it.
  const bool panelLives = closing_ != nullptr;
  closing_ = nullptr;
  const std::function<void(bool)> hide = std::move(close_);
  close_ = nullptr;
  if (hide && panelLives) hide(giveBack);
}

std::uint32_t PanelKeyboard::back() const {
  xcb_connection_t* c = connection();
  return c != nullptr && viewable(c, userWindow_) ? userWindow_ : appWindow_;
}

void PanelKeyboard::handBack() {
  const std::uint32_t window = back();
  if (focus(window, time_)) handedTo_ = window;
}

bool PanelKeyboard::focus(std::uint32_t window, std::uint32_t time) {
  xcb_connection_t* c = connection();
  if (c == nullptr || !viewable(c, window)) return false;
  // Asked of the window manager as a pager asks, on the user's behalf.
  constexpr std::uint32_t sourcePager = 2;
  X11WindowState::request(window, "_NET_ACTIVE_WINDOW",
                          {sourcePager, time, activeWindow(c, root_, activeAtom_)});
  // sway acts on no such request of an X client: the X focus goes there too.
  setInputFocus(c, window, time);
  xcb_flush(c);
  return true;
}

void PanelKeyboard::activeWindowChanged() {
  xcb_connection_t* c = connection();
  const xcb_window_t active = activeWindow(c, root_, activeAtom_);
  if (active == XCB_WINDOW_NONE) return;
  // Window managers clear the property before setting it (openbox): read
  // as it is now, both notifications name the same window. The second is
  // no new activation once the first was taken back; a window manager
  // that activates one of ours again (IceWM's Alt+Tab) does set it again.
  const bool repeated = active == lastActive_;
  lastActive_ = active;
  if (repeated && lastTakenBack_) return;
  lastTakenBack_ = false;
  if (closeAnyway_.isPending() && (closing_ == nullptr || windowOf(*closing_) != active))
    closed(false);
  if (const QWidget* panel = panelOf(active)) {
    // i3 and sway focus a clicked character, or the character once a bubble
    // closes. The click that did it may open the character's menu, and Qt
    // delivers it only after this: the keyboard goes on once it has.
    if (refuses(*panel)) {
      handOnPending_ = true;
      QMetaObject::invokeMethod(this, &PanelKeyboard::handOn, Qt::QueuedConnection);
    }
    return;
  }
  if (takeAgain(active)) {
    lastTakenBack_ = true;
    return;
  }
  const bool handedBack = active == handedTo_;
  handedTo_ = XCB_WINDOW_NONE;
  userWindow_ = active;
  if (!isOurs(active)) appWindow_ = active;
  if (!handedBack) emit otherWindowActivated();
}

bool PanelKeyboard::takeAgain(std::uint32_t active) {
  if (!takingSettles_.isPending() || taking_ == nullptr || isOurs(active)) return false;
  // A window manager that insists is not answered for ever.
  constexpr int most = 3;
  if (takenAgain_ >= most || pointerMovedInto(active)) {
    settled();
    return false;
  }
  ++takenAgain_;
  // The request goes with the time of that activation, later than the
  // click on the menu that the window manager counts as the user's last action.
  takeOnShowTime_ = time_;
  // Not on screen yet: it asks once it is.
  if (takeOnShow_ != nullptr) return true;
  if (!taking_->isVisible() || refuses(*taking_)) return false;
  focus(windowOf(*taking_), time_);
  return true;
}

bool PanelKeyboard::pointerStill(int x, int y) const {
  // A hand holding the mouse still shakes it a pixel or two.
  constexpr int shake = 2;
  return takingSettles_.isPending() && pointerAtTaking_ &&
         std::abs(x - pointerAtTaking_->x()) <= shake &&
         std::abs(y - pointerAtTaking_->y()) <= shake;
}

bool PanelKeyboard::pointerMovedInto(std::uint32_t window) const {
  xcb_connection_t* c = connection();
  xcb_query_pointer_reply_t* pointer =
      xcb_query_pointer_reply(c, xcb_query_pointer(c, window), nullptr);
  if (pointer == nullptr) return false;
  const bool moved = !pointerStill(pointer->root_x, pointer->root_y);
  const int x = pointer->win_x, y = pointer->win_y;
  const bool sameScreen = pointer->same_screen != 0;
  std::free(pointer);
  if (!moved || !sameScreen || x < 0 || y < 0) return false;
  xcb_get_geometry_reply_t* geometry =
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
  if (geometry == nullptr) return false;
  const bool inside = x < geometry->width && y < geometry->height;
  std::free(geometry);
  return inside;
}

bool PanelKeyboard::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Close || watched != givesBackOnClose_) return false;
  watched->removeEventFilter(this);
  const QWidget* window = givesBackOnClose_;
  givesBackOnClose_ = nullptr;
  // Before its window goes, so that the window manager goes straight there.
  if (holds(*window) && focus(appWindow_, time_)) handedTo_ = appWindow_;
  return false;
}

void PanelKeyboard::activeAgain(QWidget& panel) {
  // Hidden, a window that had the keyboard is no longer Qt's active one,
  // but stays its focus window for a tenth of a second (in case the focus
  // comes back). Shown and given the keyboard again within that while, the
  // bubble's focus is no news to Qt, which would leave it inactive: no
  // control of it showing the keyboard, no caret in its fields. With a
  // popup open Qt activates nothing either; it does once that closes.
  const QWindow* window = panel.windowHandle();
  if (window == nullptr || !panel.isVisible() || window != QGuiApplication::focusWindow() ||
      QApplication::activeWindow() == &panel || QApplication::activePopupWidget() != nullptr)
    return;
  QApplication::setActiveWindow(&panel);
}

void PanelKeyboard::handOn() {
  // Handed on, the keyboard would take an open menu with it: it goes once
  // the menu has closed (its window's unmap).
  if (!handOnPending_ || popupShown()) return;
  handOnPending_ = false;
  xcb_connection_t* c = connection();
  const QWidget* panel = panelOf(activeWindow(c, root_, activeAtom_));
  if (panel == nullptr || !refuses(*panel) || handedOn_ >= 2) return;
  ++handedOn_;
  // To a bubble that took the keyboard, else back.
  for (const QPointer<QWidget>& p : panels_) {
    if (p != nullptr && p->isVisible() && !refuses(*p)) {
      focus(windowOf(*p), time_);
      return;
    }
  }
  handBack();
}

std::optional<PanelKeyboard::UserInput> PanelKeyboard::userInput(const void* message) const {
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & 0x7f) {
    // Keys grabbed on the root window (the intention shortcut) reach Qt as
    // no key event; the buttons' events have the keys' layout.
    case XCB_KEY_PRESS:
    case XCB_BUTTON_PRESS:
      return UserInput{static_cast<const xcb_key_press_event_t*>(message)->time, true};
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_RELEASE:
      return UserInput{static_cast<const xcb_key_press_event_t*>(message)->time, false};
    // The pointer moved onto a panel: under i3 that focuses it as a click
    // does. A window mapped, unmapped or moved under a still pointer sends
    // the same event, and that is no move of the user's.
    case XCB_ENTER_NOTIFY: {
      const auto* enter = static_cast<const xcb_enter_notify_event_t*>(message);
      if (enter->mode == XCB_NOTIFY_MODE_NORMAL && !pointerStill(enter->root_x, enter->root_y))
        return UserInput{enter->time, true};
      return std::nullopt;
    }
    case XCB_GE_GENERIC: {
      const auto* generic = static_cast<const xcb_ge_generic_event_t*>(message);
      if (inputOpcode_ == 0 || generic->extension != inputOpcode_) return std::nullopt;
      switch (generic->event_type) {
        case XCB_INPUT_KEY_PRESS:
        case XCB_INPUT_BUTTON_PRESS:
        case XCB_INPUT_TOUCH_BEGIN:
          return UserInput{static_cast<const xcb_input_button_press_event_t*>(message)->time, true};
        case XCB_INPUT_KEY_RELEASE:
        case XCB_INPUT_BUTTON_RELEASE:
          return UserInput{static_cast<const xcb_input_button_press_event_t*>(message)->time,
                           false};
        // Anywhere on the desktop, watched while a window takes the keyboard.
        case XCB_INPUT_RAW_KEY_PRESS:
        case XCB_INPUT_RAW_BUTTON_PRESS:
          return UserInput{static_cast<const xcb_input_raw_button_press_event_t*>(message)->time,
                           true};
        case XCB_INPUT_ENTER: {
          const auto* enter = static_cast<const xcb_input_enter_event_t*>(message);
          // Fixed point, 16 bits of fraction.
          if (enter->mode == XCB_INPUT_NOTIFY_MODE_NORMAL &&
              !pointerStill(enter->root_x >> 16, enter->root_y >> 16))
            return UserInput{enter->time, true};
          return std::nullopt;
        }
        default:
          return std::nullopt;
      }
    }
    default:
      return std::nullopt;
  }
}

bool PanelKeyboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || activeAtom_ == 0) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
      const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
      if (notify->window != root_ || notify->atom != activeAtom_) return false;
      time_ = notify->time;
      activeWindowChanged();
      return false;
    }
    case XCB_MAP_NOTIFY:
      shown(reinterpret_cast<const xcb_map_notify_event_t*>(event)->window);
      return false;
    case XCB_EXPOSE:
      shown(reinterpret_cast<const xcb_expose_event_t*>(event)->window);
      return false;
    case XCB_FOCUS_IN:
    case XCB_FOCUS_OUT: {
      const auto* focus = reinterpret_cast<const xcb_focus_in_event_t*>(event);
      QWidget* panel = panelOf(focus->event);
      if (panel == nullptr) return false;
      const bool in = (event->response_type & 0x7f) == XCB_FOCUS_IN;
      if (!refuses(*panel)) {
        // Qt too leaves out a focus that only follows the pointer.
        if (in && focus->detail != XCB_NOTIFY_DETAIL_POINTER) activeAgain(*panel);
        return false;
      }
      // i3 and sway focus a panel that refuses the keyboard, which hands it
      // on at once. Told of that focus, Qt counts the program active, and
      // inactive again a tenth of a second after the focus went (in case it
      // comes back): a menu the user's press opened meanwhile closes with
      // it. Qt hears nothing of a focus such a panel never keeps.
      // A bubble goes back to refusing the keyboard as it closes or as the
      // user goes elsewhere, before the end of the focus it held reaches
      // us: Qt, told of that focus, hears of its end too. Else it would
      // count the bubble its focus window for good, and the bubble's next
      // focus would be no news to it.
      const QWindow* window = panel->windowHandle();
      return in || window == nullptr || window != QGuiApplication::focusWindow();
    }
    case XCB_UNMAP_NOTIFY:
      // Perhaps the popup that held the keyboard back; Qt has hidden it
      // once the call arrives, and run the command chosen in it.
      if (handOnPending_)
        QMetaObject::invokeMethod(this, &PanelKeyboard::handOn, Qt::QueuedConnection);
      return false;
    default:
      if (const std::optional<UserInput> input = userInput(message))
        noteUserTime(input->time, input->chose);
      return false;
  }
}

}  // namespace pimble
