#pragma once

// A connection of our own to the X server, beside Qt's, and the root window
// of its default screen: what the adapters that read or watch the whole
// display start from.

#include <xcb/xcb.h>

#include <QString>

namespace pimble {

struct XcbScreen {
  // Owned by the caller, who disconnects it; null without an X server.
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
  int screenNumber = 0;

  // Connects to $DISPLAY, or to `display` when given. No display, a failed
  // connection or a screen the server does not have answer a null
  // connection (nothing is left open).
  static XcbScreen open(const QString& display = {});
};

}  // namespace pimble
