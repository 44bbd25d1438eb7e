#pragma once

// Helpers for tests that talk to a real desktop peer (X server, D-Bus
// service, sound server). The peers come from tests/desktop-env.sh; a test
// whose peer is missing skips with the reason instead of passing.

#include <QDBusConnection>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pimble::testing {

// Why the X server is not usable, or nothing when it is (a real X display,
// not the offscreen platform).
std::optional<std::string> missingX();
// Why the session bus is not usable, or nothing.
std::optional<std::string> missingSessionBus();
// Why the stand-in system bus (a private bus exported as the system bus) is
// not usable, or nothing.
std::optional<std::string> missingSystemBus();
// Why the private sound server is not usable, or nothing.
std::optional<std::string> missingPulse();
// Why a program is not on PATH (or at the absolute path given), or nothing.
std::optional<std::string> missingProgram(const QString& program);

// Runs the Qt event loop until `done` holds or the time is up; true when done.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Runs a program to completion and returns its standard output (trimmed), or
// nothing when it failed to start, failed or took longer than the time-out.
// It runs in the C locale, with UTF-8 and without LANGUAGE (which gettext
// reads before it): what tests read of it is never translated, and its
// numbers have a point.
std::optional<QString> runTool(const QString& program, const QStringList& args,
                               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Where an X window (its id, as xdotool and Qt's winId() give it) stands on
// the screen once it is shown: mapped with everything above it, and at the
// place its program gave it where it gave one (the position in its size
// hints, which Qt fills whenever the program places the window). Neither a
// window id, nor a shape or a first frame, nor an answer to a ping shows
// that: a window manager takes the window into a frame of its own first,
// which stands at 0,0 or wherever it likes until it is moved and mapped.
// A window that window managers leave alone (override-redirect: a menu, a
// tray icon embedded in the tray's window) is placed by the X server at
// once, or by the program it is embedded in: for it, mapped is shown.
// `display` names another X server than the test desktop's. Nothing when the
// window is not shown so within the time.
std::optional<QRect> shownPlace(const QString& window, const QString& display = {},
                                std::chrono::milliseconds timeout = std::chrono::seconds(10));
// The same for a window whose hints do not say where it will stand: shown
// with its top-left at `at`. trayer moves itself to the edge it was asked
// for once it is mapped, and its hints keep 0,0.
std::optional<QRect> shownAt(const QString& window, QPoint at, const QString& display = {},
                             std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Whether a press at `point` of the screen (its pixels, as xdotool takes
// them) reaches the window, or one inside it, once it does within the time.
// A window shown in its place need not take a press everywhere in it yet:
// one cut to what it draws, or answering the mouse only inside an input
// region, takes presses only where its program has cut it so far; the
// window manager's frame around it only where it has copied that cut, a
// moment later; and another window may cover it.
bool pointerReaches(const QString& window, QPoint point, const QString& display = {},
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Whether the window manager of `display` (empty: the test desktop's) takes
// windows in: a window of the test's own, asked for again until it is shown,
// then taken away. A window manager marks the screen as its own
// (_NET_SUPPORTING_WM_CHECK) before it has finished starting, and openbox,
// slow to start on a busy machine, can leave a window asked for meanwhile
// unmapped until its next event comes.
bool windowManagerAtWork(const QString& display = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A picture of the whole screen as `name` in the folder PIMBLE_SCREENSHOTS
// names, for a reviewer; nothing when it names none.
void saveScreenshot(const QString& name);

// The test's environment changed by `changes`: NAME=value sets a variable,
// NAME alone leaves it out.
QProcessEnvironment environmentWith(const QStringList& changes);

// A fontconfig file written into `folder` under which a program finds the
// system's fonts of the given families and no others; empty when it could
// not be written.
QString fontsOnly(const QString& folder, const QStringList& families);

// How a copy of this test program ran: whether it ended within its time,
// how, and what it wrote (standard error merged in), not yet printed.
struct CopyRun {
  bool finished = false;
  bool crashed = false;
  int exitCode = -1;
  QByteArray output;
};

// Runs this test program again on the test now running and `moreTests`
// (Suite.Name each), in the test's environment changed by `changes` as
// environmentWith() takes them: a test that must see a theme, a font or a
// scale from the start of a process of its own. A copy not done within
// `timeout` is killed.
CopyRun runThisTestInACopy(const QStringList& changes, std::chrono::milliseconds timeout,
                           const QStringList& moreTests = {});

// A peer process started for one test and stopped by its own pid when the
// test ends, never by name; `extraEnv` as environmentWith() takes it.
class ScopedProcess {
 public:
  ScopedProcess(const QString& program, const QStringList& args, const QStringList& extraEnv = {});
  ~ScopedProcess();
  ScopedProcess(const ScopedProcess&) = delete;
  ScopedProcess& operator=(const ScopedProcess&) = delete;

  bool started() const { return started_; }
  qint64 pid() const;
  QProcess& process() { return *process_; }
  // Stops the process now (SIGTERM, then SIGKILL after a second).
  void stop();

 private:
  std::unique_ptr<QProcess> process_;
  bool started_ = false;
};

// An X server of the test's own (Xvfb), for a test that takes it away; the
// shared one of the test desktop stays. `display` (":N") is empty when it
// did not start.
class OwnXServer {
 public:
  OwnXServer();
  QString display;
  // Takes the server away (SIGTERM, as a session's end does).
  void stop() { process_->stop(); }

 private:
  std::unique_ptr<ScopedProcess> process_;
};

// A session bus of the test's own (dbus-daemon) that starts each of
// `services` (a bus name, and the command line that serves it) on demand,
// as a desktop's bus starts the services installed with it. `address` is
// empty when it did not start.
class OwnSessionBus {
 public:
  explicit OwnSessionBus(const std::vector<std::pair<QString, QString>>& services = {});
  ~OwnSessionBus();
  OwnSessionBus(const OwnSessionBus&) = delete;
  OwnSessionBus& operator=(const OwnSessionBus&) = delete;

  QString address;
  // The test's own connection to it.
  QDBusConnection connection() const { return QDBusConnection(address); }
  // What a process started on it needs, for its extraEnv.
  QString environment() const { return "DBUS_SESSION_BUS_ADDRESS=" + address; }
  // The bus daemon's, for a test that ends the bus.
  qint64 pid() const { return process_ ? process_->pid() : 0; }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<ScopedProcess> process_;
};

}  // namespace pimble::testing
