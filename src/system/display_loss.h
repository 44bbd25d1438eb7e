#pragma once

// The X server going away. Qt ends the process at once when its connection
// to the display breaks, and Xlib does the same when one of its own
// connections breaks: neither leaves room for the program's last save.
//
// While a handler is watched for, it runs once, on the main thread, before
// the process ends, and a line on standard error says why:
// - when Qt reports that its connection broke (just before Qt ends the
//   process, from its event loop), or failing that, from the exit itself;
// - when a guarded Xlib connection notices first: at the next turn of the
//   event loop, once Qt's connection has broken too; the process then ends
//   with status 1, as Qt would end it.
// - when an Xlib connection nobody guarded (GDK's, where Qt's GTK theme
//   loaded GTK) notices first: on the spot, before Xlib ends the process.
// A guarded Xlib connection that breaks fails the call that noticed instead
// of ending the process there, in the middle of whatever the program was
// doing; every later call on it, Qt's own on its display included, fails at
// once.

#include <atomic>
#include <functional>

struct _XDisplay;

namespace pimble {

class DisplayLoss {
 public:
  // Watches for the loss of the display the application object is
  // connected to, and guards Qt's own Xlib connection. Call it once the
  // application object exists; nullptr stops watching, before it goes.
  static void watch(std::function<void()> handler);
  // Xlib no longer ends the process when this connection breaks: the call
  // that notices fails and `broken` becomes true. `broken` must outlive the
  // connection.
  static void guard(_XDisplay* display, std::atomic<bool>& broken);
  // Qt's connection to the display has broken.
  static bool lost();
};

}  // namespace pimble
