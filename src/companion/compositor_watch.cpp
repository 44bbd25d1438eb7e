#include "companion/compositor_watch.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <cstdlib>
#include <string>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>

namespace pimble {

CompositorWatch& CompositorWatch::instance() {
  static QPointer<CompositorWatch> watch;
  if (watch == nullptr) watch = new CompositorWatch();
  return *watch;
}

CompositorWatch::CompositorWatch() : QObject(QCoreApplication::instance()) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
  if (c == nullptr) return;
  const xcb_setup_t* setup = xcb_get_setup(c);
  const int screen = x11->display() != nullptr ? XDefaultScreen(x11->display()) : 0;
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screen && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) return;
  const xcb_window_t root = it.data->root;

  const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.c_str()), nullptr);
  if (atom == nullptr) return;
  selection_ = atom->atom;
  std::free(atom);

  // Watch first, then ask: an owner that comes or goes in between is
  // reported by the notification that follows.
  const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
  if (xfixes != nullptr && xfixes->present) {
    xcb_xfixes_query_version_reply_t* version = xcb_xfixes_query_version_reply(
        c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr);
    if (version != nullptr) {
      std::free(version);
      firstEvent_ = xfixes->first_event;
      xcb_xfixes_select_selection_input(
          c, root, selection_,
          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
      watching_ = true;
      QCoreApplication::instance()->installNativeEventFilter(this);
    }
  }
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr);
  // An X server that does not answer is taken as one without a compositor:
  // cut windows look right either way.
  compositing_ = owner != nullptr && owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
}

CompositorWatch::~CompositorWatch() {
  if (watching_ && QCoreApplication::instance() != nullptr) {
    QCoreApplication::instance()->removeNativeEventFilter(this);
  }
}

bool CompositorWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!watching_ || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != firstEvent_ + XCB_XFIXES_SELECTION_NOTIFY) return false;
  const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
  if (notify->selection != selection_) return false;
  setCompositing(notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER &&
                 notify->owner != XCB_WINDOW_NONE);
  // Qt watches the same selection for itself: the event goes on to it.
  return false;
}

void CompositorWatch::setCompositing(bool compositing) {
  if (compositing == compositing_) return;
  compositing_ = compositing;
  emit compositingChanged(compositing);
}

}  // namespace pimble
