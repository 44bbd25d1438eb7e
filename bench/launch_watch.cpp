// Starts a program and reports how long it took from exec to its first
// window being mapped on the X server, then leaves it running:
//   bench_launch_watch [--timeout=SECONDS] PROGRAM [ARGS...]
// prints "pid N" and "mapped_ms T" (or exits 1 when no window came in
// time). The window is recognised by its _NET_WM_PID, also inside a window
// manager's frame.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

std::optional<long> windowPid(Display* display, Window window) {
  static const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) != Success) {
    return std::nullopt;
  }
  std::optional<long> pid;
  if (data != nullptr && format == 32 && count == 1) pid = *reinterpret_cast<long*>(data);
  if (data != nullptr) XFree(data);
  return pid;
}

// The window or one of its children (a window manager's frame) belongs to
// the process.
bool belongsTo(Display* display, Window window, long pid, int depth = 0) {
  if (windowPid(display, window) == pid) return true;
  if (depth >= 2) return false;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return false;
  bool found = false;
  for (unsigned int i = 0; i < count && !found; ++i)
    found = belongsTo(display, children[i], pid, depth + 1);
  if (children != nullptr) XFree(children);
  return found;
}

int ignoreErrors(Display*, XErrorEvent*) {
  return 0;  // windows may vanish while looked at
}

}  // namespace

int main(int argc, char** argv) {
  double timeout = 20;
  int first = 1;
  if (first < argc && std::strncmp(argv[first], "--timeout=", 10) == 0)
    timeout = std::atof(argv[first++] + 10);
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [--timeout=SECONDS] PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "no X display\n");
    return 2;
  }
  XSetErrorHandler(&ignoreErrors);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child < 0) return 2;
  if (child == 0) {
    // The program outlives this watcher: it must not hold the pipe that a
    // caller reads this watcher's report from.
    dup2(STDERR_FILENO, STDOUT_FILENO);
    execvp(argv[first], argv + first);
    _exit(127);
  }
  std::printf("pid %ld\n", long(child));
  std::fflush(stdout);

  const int fd = ConnectionNumber(display);
  while (true) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != MapNotify) continue;
      if (!belongsTo(display, event.xmap.window, child)) continue;
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      std::printf("mapped_ms %.1f\n", ms);
      return 0;
    }
    const double left = timeout - std::chrono::duration<double>(Clock::now() - start).count();
    int status = 0;
    if (left <= 0 || waitpid(child, &status, WNOHANG) == child) {
      std::fprintf(stderr, "no window of %ld was mapped\n", long(child));
      return 1;
    }
    fd_set read;
    FD_ZERO(&read);
    FD_SET(fd, &read);
    timeval wait{0, 20000};
    select(fd + 1, &read, nullptr, nullptr, &wait);
  }
}
