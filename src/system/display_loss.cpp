#include "system/display_loss.h"

#include <pthread.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QString>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>

// X11 last: its macros would trip the Qt headers.
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <xcb/xcb.h>

namespace pimble {

namespace {

// The handler and the display's name are set and read on the main thread
// only; the rest may be read from any thread that logs.
struct Watch {
  std::function<void()> handler;
  // Qt's connection, read only while watching (the application object
  // closes it when it goes).
  std::atomic<xcb_connection_t*> connection{nullptr};
  std::atomic<bool> qtDisplayBroken{false};
  QByteArray displayName;
  pthread_t mainThread{};
  bool messagesWatched = false;
  QtMessageHandler previousMessages = nullptr;
  bool exitHookInstalled = false;
  std::atomic<bool> handled{false};
};

// Made before the exit hook is registered, so it outlives the hook's run.
Watch& watching() {
  static Watch w;
  return w;
}

// Runs the handler, once, on the main thread; true when it ran now.
bool handleLoss() {
  Watch& w = watching();
  if (!pthread_equal(pthread_self(), w.mainThread)) return false;
  if (!w.handler || w.handled.exchange(true)) return false;
  std::fprintf(stderr, "Pimble: the connection to the display %s broke; saving before ending.\n",
               w.displayName.isEmpty() ? "(default)" : w.displayName.constData());
  std::fflush(stderr);
  // A copy: the handler may stop the watch.
  const std::function<void()> handler = w.handler;
  handler();
  return true;
}

// A guarded connection noticed the break; Qt's may not have yet. Runs at a
// turn of the event loop, where nothing is half done.
void lookIntoLoss() {
  if (!DisplayLoss::lost()) return;
  if (handleLoss()) std::exit(1);
}

// Once broken, Xlib still takes requests but sends none: they stay in the
// display's buffer. A display whose socket xcb holds between Xlib's calls,
// as Qt's does, leaves no room in it at all, so the call that noticed, and
// every later one, Qt's own included, would find none and crash. Emptied
// after every call, and given room again (Xlib's buffer is never smaller
// than BUFSIZE), the buffer takes each request, and the call fails at once.
int dropRequests(Display* display) {
  display->bufptr = display->buffer;
  if (display->bufmax < display->buffer + BUFSIZE) display->bufmax = display->buffer + BUFSIZE;
  return 0;
}

// A guarded connection broke, inside whatever Xlib call noticed: note it,
// look into it later, and let the call fail.
void guardedExit(Display* display, void* broken) {
  dropRequests(display);
  XSetAfterFunction(display, &dropRequests);
  static_cast<std::atomic<bool>*>(broken)->store(true);
  // Only while watched: the application object is there to take the call.
  if (watching().connection.load() != nullptr)
    QMetaObject::invokeMethod(QCoreApplication::instance(), &lookIntoLoss, Qt::QueuedConnection);
}

// Xlib's handler for a broken connection, for every connection of the
// process: it only returns, so that the connection's exit handler decides.
// One nobody guarded (GDK's, under the desktop's GTK theme) ends the process
// as soon as this returns, which can be before Qt's own connection to the
// same display has noticed: the last save comes first.
int ioError(Display* display) {
  if (display->exit_handler != &guardedExit) handleLoss();
  return 0;
}

// Qt says that its connection broke just before it ends the process from
// its event loop.
void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const QtMessageHandler previous = watching().previousMessages;
  if (previous)
    previous(type, context, text);
  else
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
  if (type == QtWarningMsg && text.contains(QLatin1String("connection broke")) &&
      DisplayLoss::lost())
    handleLoss();
}

// Qt or Xlib ended the process some other way.
void atExit() {
  if (DisplayLoss::lost()) handleLoss();
}

}  // namespace

void DisplayLoss::guard(_XDisplay* display, std::atomic<bool>& broken) {
  if (display == nullptr) return;
  XSetIOErrorHandler(&ioError);
  XSetIOErrorExitHandler(display, &guardedExit, &broken);
}

bool DisplayLoss::lost() {
  Watch& w = watching();
  xcb_connection_t* c = w.connection.load();
  return w.qtDisplayBroken.load() || (c != nullptr && xcb_connection_has_error(c) != 0);
}

void DisplayLoss::watch(std::function<void()> handler) {
  Watch& w = watching();
  if (!handler) {
    w.handler = nullptr;
    w.connection = nullptr;
    if (w.messagesWatched) {
      qInstallMessageHandler(w.previousMessages);
      w.messagesWatched = false;
    }
    return;
  }
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11) return;  // not on X11: nothing to watch
  w.handler = std::move(handler);
  w.displayName = qgetenv("DISPLAY");
  w.mainThread = pthread_self();
  w.handled = false;
  w.qtDisplayBroken = false;
  w.connection = x11->connection();
  // Qt set its own handler for broken connections when it connected; it
  // ends the process.
  guard(x11->display(), w.qtDisplayBroken);
  if (!w.messagesWatched) {
    w.previousMessages = qInstallMessageHandler(&onMessage);
    w.messagesWatched = true;
  }
  if (!w.exitHookInstalled) w.exitHookInstalled = std::atexit(&atExit) == 0;
}

}  // namespace pimble
