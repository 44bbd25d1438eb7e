// The program's entry: render options (before anything else, so they work
// beside a running copy and without a desktop), the one copy per data
// directory, the application object, orderly ends on signals and when the
// display goes, and the controller.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/app_controller.h"
#include "app/single_instance.h"
#include "companion/icon_renderer.h"
#include "companion/render_options.h"
#include "models/file_persistence.h"
#include "system/display_loss.h"
#include "system/launch_at_login.h"
#include "system/system_time_source.h"
#include "system/xcb_screen.h"

namespace {

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// Every window of the program is placed, stacked, shaped and watched
// through X11; on a Wayland desktop that is XWayland, which Qt would pass
// over for its Wayland plugin. The user's own choice stands.
bool platformLeftToUs(const QStringList& arguments) {
  return !arguments.contains(QStringLiteral("-platform")) &&
         qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

bool wantX11(const QStringList& arguments) {
  if (arguments.contains(QStringLiteral("-platform"))) return false;
  if (platformLeftToUs(arguments)) return true;
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  return platform.section(';', 0, 0).section(':', 0, 0) == QLatin1String("xcb");
}

// Without an X display Qt aborts with a core dump and advice to reinstall.
bool xDisplayAnswers() {
  const pimble::XcbScreen screen = pimble::XcbScreen::open();
  if (screen.connection != nullptr) {
    xcb_disconnect(screen.connection);
    return true;
  }
  const QByteArray display = qgetenv("DISPLAY");
  if (display.isEmpty()) {
    std::fprintf(stderr,
                 "Pimble needs an X display (on Wayland, XWayland), and DISPLAY is not set.\n");
  } else {
    std::fprintf(stderr,
                 "Pimble needs an X display (on Wayland, XWayland), and the display \"%s\" does "
                 "not answer.\n",
                 display.constData());
  }
  return false;
}

// Signals become a byte on a pipe, read by the event loop: the quit then
// runs as any other, with the final save.
int signalPipe[2] = {-1, -1};
// Set by the handler itself, on whichever thread the signal lands: the
// event loop may serve a later copy before it reads the pipe.
std::atomic<bool> endAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set in a signal handler");

// A signal the process sent itself is a library's doing, never the user's
// nor the desktop's: GIO's shared session-bus connection, which GTK (the
// desktop's platform theme) and gvfs's client hold, raises SIGTERM when the
// bus closes, and the desktop goes on without its bus. It reaches the event
// loop as its number, to be logged; an ending asked from outside as 0.
bool raisedByTheProcess(const siginfo_t* info) {
  return info != nullptr && (info->si_code == SI_TKILL || info->si_code == SI_USER) &&
         info->si_pid == ::getpid();
}

void onSignal(int signal, siginfo_t* info, void*) {
  const int saved = errno;
  const bool ownDoing = raisedByTheProcess(info);
  if (!ownDoing) endAsked = true;
  const char byte = ownDoing ? char(signal) : char(0);
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
  errno = saved;
}

void onBrokenPipe(int) {}

// A peer that hangs up (a bus, the sound server, the X server, the running
// copy) fails the write that finds it gone instead of ending the program
// unsaved. A handler, unlike SIG_IGN, is not inherited by the programs
// Pimble opens.
void surviveHangUps() {
  struct sigaction quiet {};
  quiet.sa_handler = &onBrokenPipe;
  sigemptyset(&quiet.sa_mask);
  quiet.sa_flags = SA_RESTART;
  ::sigaction(SIGPIPE, &quiet, nullptr);
}

bool routeSignals() {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_sigaction = &onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_SIGINFO;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
  return true;
}

QIcon applicationIcon() {
  if (QIcon::hasThemeIcon(QStringLiteral("pimble-glimmet")))
    return QIcon::fromTheme(QStringLiteral("pimble-glimmet"));
  // Not installed: the icon is drawn as the installed one is.
  QIcon icon;
  for (int pixels : {32, 64, 128})
    icon.addPixmap(QPixmap::fromImage(pimble::IconRenderer::render(pixels)));
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  surviveHangUps();
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (const auto request = pimble::RenderOptions::find(arguments)) {
    // The render tools draw offscreen; they must run on a machine without a
    // desktop too.
    if (!hasDisplay()) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    return pimble::RenderOptions::run(*request);
  }

  const bool loginItem = pimble::LaunchAtLogin::launchedAsLoginItem(arguments);
  const std::filesystem::path dataDirectory = pimble::FilePersistence::defaultDirectory();
  pimble::SingleInstance instance(dataDirectory);
  if (instance.claim() == pimble::SingleInstance::Claim::running) {
    // Started at login while already running: nothing to do, nothing to show.
    if (loginItem) return 0;
    switch (instance.askToReopen()) {
      case pimble::SingleInstance::Reopen::done:
        return 0;
      case pimble::SingleInstance::Reopen::gone:
        // It ended as it was asked: this copy runs in its place.
        break;
      case pimble::SingleInstance::Reopen::noAnswer:
        std::fprintf(stderr,
                     "Pimble is already running for %s but did not answer; nothing was started.\n",
                     dataDirectory.c_str());
        return 1;
    }
  }
  if (wantX11(arguments) && !xDisplayAnswers()) return 1;
  const bool signalsRouted = routeSignals();

  // Asked for on Qt's command line, not in the environment: the programs
  // Pimble opens inherit its environment, and a Qt application among them
  // belongs on the desktop's own platform.
  std::vector<char*> qtArguments(argv, argv + argc);
  char platformOption[] = "-platform";
  char xcb[] = "xcb";
  if (platformLeftToUs(arguments))
    qtArguments.insert(qtArguments.begin() + std::min(argc, 1), {platformOption, xcb});
  int qtArgumentCount = static_cast<int>(qtArguments.size());
  qtArguments.push_back(nullptr);
  // Pimble comes back at login through its own autostart entry and saves
  // on SIGTERM and when the display goes: an X session manager has nothing
  // to give it. Registered with one (Qt does so in the application object's
  // constructor wherever SESSION_MANAGER is set), it would be ended unsaved
  // by libICE the moment that connection broke, be written to after the
  // session manager hung up at log-out, and be started twice by a desktop
  // that restores its saved session. The programs it opens still get the
  // variable.
  const QByteArray sessionManager = qgetenv("SESSION_MANAGER");
  qunsetenv("SESSION_MANAGER");
  QApplication app(qtArgumentCount, qtArguments.data());
  if (!sessionManager.isNull()) qputenv("SESSION_MANAGER", sessionManager);
  QApplication::setApplicationName(QStringLiteral("Pimble Glimmet"));
  QGuiApplication::setDesktopFileName(QStringLiteral("pimble-glimmet"));
  app.setQuitOnLastWindowClosed(false);

  pimble::FilePersistence store(dataDirectory);
  pimble::SystemTimeSource time;
  pimble::AppController controller(store, time);
  // The display going away ends the process from inside Qt or Xlib: the
  // last save comes first.
  pimble::DisplayLoss::watch([&controller] { controller.shutdown(); });
  const auto unwatch = qScopeGuard([] { pimble::DisplayLoss::watch(nullptr); });

  QSocketNotifier* signalNotifier = nullptr;
  if (signalsRouted) {
    signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(signalNotifier, &QSocketNotifier::activated, &app, [&controller] {
      char buffer[16];
      bool quit = false;
      ssize_t count = 0;
      while ((count = ::read(signalPipe[0], buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
          if (buffer[i] == 0) {
            quit = true;
          } else {
            std::fprintf(stderr,
                         "Pimble: a library in the process raised SIG%s (GIO does when the "
                         "session bus closes); running on.\n",
                         ::sigabbrev_np(buffer[i]));
          }
        }
      }
      if (quit) controller.quit();
    });
  }
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &app,
                   [&controller] { controller.shutdown(); });

  controller.start();
  // A copy told to end does not say it reopened, also when told so while
  // the settings opened: the later copy would end content and leave
  // nothing running. Unanswered, it runs in this one's place.
  instance.onReopen = [&controller] {
    if (endAsked || controller.isShutDown()) return false;
    controller.reopen();
    return !endAsked;
  };
  instance.listen();

  // Only windows with a frame show it (settings, tour); drawn after the
  // character is up so that it never delays it.
  auto icon = time.callAfter(pimble::Seconds(1), pimble::Seconds(1), [] {
    QApplication::setWindowIcon(applicationIcon());
    // Start-up and the icon's drawing leave freed memory scattered through
    // the heap, which the allocator would otherwise keep for the whole day.
    ::malloc_trim(0);
  });
  return app.exec();
}
