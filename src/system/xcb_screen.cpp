#include "system/xcb_screen.h"

#include <QByteArray>

namespace pimble {

XcbScreen XcbScreen::open(const QString& display) {
  XcbScreen screen;
  if (display.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY")) return screen;
  const QByteArray name = display.toLocal8Bit();
  xcb_connection_t* c =
      xcb_connect(display.isEmpty() ? nullptr : name.constData(), &screen.screenNumber);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return {};
  }
  auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen.screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
  if (!screens.rem) {
    xcb_disconnect(c);
    return {};
  }
  screen.connection = c;
  screen.root = screens.data->root;
  return screen;
}

}  // namespace pimble
