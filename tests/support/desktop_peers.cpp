#include "support/desktop_peers.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>
#include <cstdlib>
#include <cstring>

namespace pimble::testing {

namespace {
std::optional<std::string> envMissing(const char* name) {
  const QByteArray value = qgetenv(name);
  if (value.isEmpty())
    return std::string(name) + " is not set (run the tests through tests/desktop-env.sh)";
  return std::nullopt;
}

// The window's place with everything a window manager needs to judge it:
// whether it is viewable, and where its program asked for it (the client
// window's top-left that the request means once the window manager's frame
// is round it).
struct WindowState {
  bool viewable = false;
  QRect place;
  std::optional<QPoint> asked;
};

template <typename T>
using Reply = std::unique_ptr<T, void (*)(void*)>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  auto* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return a;
}

std::optional<WindowState> windowState(xcb_connection_t* c, xcb_window_t window,
                                       xcb_atom_t frameExtents) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const auto attributesCookie = xcb_get_window_attributes(c, window);
  const auto geometryCookie = xcb_get_geometry(c, window);
  const auto originCookie = xcb_translate_coordinates(c, window, root, 0, 0);
  const auto hintsCookie =
      xcb_get_property(c, 0, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 0, 18);
  const auto extentsCookie = xcb_get_property(c, 0, window, frameExtents, XCB_ATOM_CARDINAL, 0, 4);
  const Reply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c, attributesCookie, nullptr), std::free);
  const Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr),
                                                 std::free);
  const Reply<xcb_translate_coordinates_reply_t> origin(
      xcb_translate_coordinates_reply(c, originCookie, nullptr), std::free);
  const Reply<xcb_get_property_reply_t> hints(xcb_get_property_reply(c, hintsCookie, nullptr),
                                              std::free);
  const Reply<xcb_get_property_reply_t> extents(xcb_get_property_reply(c, extentsCookie, nullptr),
                                                std::free);
  std::optional<WindowState> state;
  if (attributes != nullptr && geometry != nullptr && origin != nullptr) {
    state = WindowState{attributes->map_state == XCB_MAP_STATE_VIEWABLE,
                        QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height),
                        std::nullopt};
    // A window that window managers leave alone (a menu, a tray icon
    // embedded in the tray's window) stands where the X server was told at
    // once, or where the program it is embedded in puts it, whatever its
    // hints say: for it, mapped is shown.
    const bool managed = attributes->override_redirect == 0;
    // WM_SIZE_HINTS: flags, x, y, … and last the window's gravity, which
    // says which point of the frame stands where the program asked: the
    // frame's top-left for most decorated windows, the window's own for
    // those that ask for it (static).
    constexpr std::uint32_t userPosition = 1u << 0, programPosition = 1u << 2,
                            gravityGiven = 1u << 9;
    if (managed && hints != nullptr && hints->format == 32 &&
        xcb_get_property_value_length(hints.get()) >= 72) {
      const auto* values = static_cast<const std::int32_t*>(xcb_get_property_value(hints.get()));
      const auto flags = std::uint32_t(values[0]);
      if ((flags & (userPosition | programPosition)) != 0) {
        const int gravity = (flags & gravityGiven) != 0 ? values[17] : XCB_GRAVITY_NORTH_WEST;
        // Left, right, top and bottom, where the window manager framed it.
        std::int32_t frame[4] = {0, 0, 0, 0};
        if (extents != nullptr && extents->format == 32 &&
            xcb_get_property_value_length(extents.get()) == 16)
          std::memcpy(frame, xcb_get_property_value(extents.get()), sizeof frame);
        QPoint shift;
        if (gravity >= XCB_GRAVITY_NORTH_WEST && gravity <= XCB_GRAVITY_SOUTH_EAST) {
          const int column = (gravity - 1) % 3, row = (gravity - 1) / 3;
          shift.setX(column == 0 ? frame[0] : column == 1 ? (frame[0] - frame[1]) / 2 : -frame[1]);
          shift.setY(row == 0 ? frame[2] : row == 1 ? (frame[2] - frame[3]) / 2 : -frame[3]);
        }
        state->asked = QPoint(values[1], values[2]) + shift;
      }
    }
  }
  return state;
}

// The window a press at `point` (root coordinates) reaches now: the deepest
// one there, as the X server finds it, through the cut and the input region
// of every window on the way (a window manager's frame copies its client's).
xcb_window_t windowAt(xcb_connection_t* c, QPoint point) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_window_t at = root;
  while (true) {
    const Reply<xcb_translate_coordinates_reply_t> reply(
        xcb_translate_coordinates_reply(
            c,
            xcb_translate_coordinates(c, root, at, std::int16_t(point.x()),
                                      std::int16_t(point.y())),
            nullptr),
        std::free);
    if (reply == nullptr) return XCB_WINDOW_NONE;
    if (reply->child == XCB_WINDOW_NONE) return at;
    at = reply->child;
  }
}

// Whether `window` is `inner` or holds it.
bool holds(xcb_connection_t* c, xcb_window_t window, xcb_window_t inner) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  for (xcb_window_t w = inner; w != XCB_WINDOW_NONE && w != root;) {
    if (w == window) return true;
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr),
                                             std::free);
    w = tree != nullptr ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
  }
  return false;
}

using Connection = std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)>;

// A connection of its own to `display` (empty: $DISPLAY now).
Connection connectTo(const QString& display) {
  const QByteArray name = display.isEmpty() ? qgetenv("DISPLAY") : display.toUtf8();
  return Connection(xcb_connect(name.constData(), nullptr), xcb_disconnect);
}

// Shown, and at `at` where given, else where its program asked for it.
std::optional<QRect> shownWhere(const QString& window, std::optional<QPoint> at,
                                const QString& display, std::chrono::milliseconds timeout) {
  const Connection connection = connectTo(display);
  xcb_connection_t* c = connection.get();
  const xcb_window_t id = window.toUInt(nullptr, 0);
  if (xcb_connection_has_error(c) || id == 0) return std::nullopt;
  const xcb_atom_t frameExtents = atom(c, "_NET_FRAME_EXTENTS");
  std::optional<QRect> shown;
  waitUntil(
      [&] {
        const std::optional<WindowState> state = windowState(c, id, frameExtents);
        if (!state || !state->viewable) return false;
        const std::optional<QPoint> wanted = at ? at : state->asked;
        if (wanted && *wanted != state->place.topLeft()) return false;
        shown = state->place;
        return true;
      },
      timeout);
  return shown;
}

}  // namespace

std::optional<QRect> shownPlace(const QString& window, const QString& display,
                                std::chrono::milliseconds timeout) {
  return shownWhere(window, std::nullopt, display, timeout);
}

std::optional<QRect> shownAt(const QString& window, QPoint at, const QString& display,
                             std::chrono::milliseconds timeout) {
  return shownWhere(window, at, display, timeout);
}

bool pointerReaches(const QString& window, QPoint point, const QString& display,
                    std::chrono::milliseconds timeout) {
  const Connection connection = connectTo(display);
  xcb_connection_t* c = connection.get();
  const xcb_window_t id = window.toUInt(nullptr, 0);
  if (xcb_connection_has_error(c) || id == 0) return false;
  return waitUntil([&] { return holds(c, id, windowAt(c, point)); }, timeout);
}

bool windowManagerAtWork(const QString& display, std::chrono::milliseconds timeout) {
  const Connection connection = connectTo(display);
  xcb_connection_t* c = connection.get();
  if (xcb_connection_has_error(c)) return false;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const xcb_window_t probe = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  // Each request is news to the window manager, which then handles what
  // it had left.
  const bool shown = waitUntil(
      [&] {
        xcb_map_window(c, probe);
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, probe), nullptr),
            std::free);
        return attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
      },
      timeout);
  xcb_destroy_window(c, probe);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  return shown;
}

std::optional<std::string> missingX() {
  if (auto why = envMissing("DISPLAY")) return why;
  if (QGuiApplication::platformName() != QLatin1String("xcb"))
    return "the Qt platform is " + QGuiApplication::platformName().toStdString() + ", not xcb";
  return std::nullopt;
}

std::optional<std::string> missingSessionBus() {
  if (auto why = envMissing("DBUS_SESSION_BUS_ADDRESS")) return why;
  if (!QDBusConnection::sessionBus().isConnected()) return "cannot connect to the session bus";
  return std::nullopt;
}

std::optional<std::string> missingSystemBus() {
  if (auto why = envMissing("DBUS_SYSTEM_BUS_ADDRESS")) return why;
  if (!QDBusConnection::systemBus().isConnected())
    return "cannot connect to the stand-in system bus";
  return std::nullopt;
}

std::optional<std::string> missingPulse() {
  if (auto why = envMissing("PULSE_SERVER")) return why;
  return std::nullopt;
}

std::optional<std::string> missingProgram(const QString& program) {
  const bool found = program.startsWith('/') ? QFileInfo(program).isExecutable()
                                             : !QStandardPaths::findExecutable(program).isEmpty();
  if (found) return std::nullopt;
  return program.toStdString() + " is not installed";
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeout.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

std::optional<QString> runTool(const QString& program, const QStringList& args,
                               std::chrono::milliseconds timeout) {
  QProcess p;
  p.setProcessEnvironment(
      environmentWith({QStringLiteral("LC_ALL=C.UTF-8"), QStringLiteral("LANGUAGE")}));
  p.start(program, args);
  if (!p.waitForStarted(static_cast<int>(timeout.count()))) return std::nullopt;
  if (!p.waitForFinished(static_cast<int>(timeout.count()))) {
    p.kill();
    p.waitForFinished(1000);
    return std::nullopt;
  }
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

void saveScreenshot(const QString& name) {
  const QString folder = qEnvironmentVariable("PIMBLE_SCREENSHOTS");
  if (!folder.isEmpty())
    runTool(QStringLiteral("import"), {"-window", "root", folder + '/' + name});
}

QProcessEnvironment environmentWith(const QStringList& changes) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& change : changes) {
    if (change.contains('='))
      env.insert(change.section('=', 0, 0), change.section('=', 1));
    else
      env.remove(change);
  }
  return env;
}

QString fontsOnly(const QString& folder, const QStringList& families) {
  QFile config(folder + QStringLiteral("/fonts.conf"));
  if (!config.open(QIODevice::WriteOnly)) return {};
  // A font file is kept when a pattern naming one of its families accepts it.
  QString accepted;
  for (const QString& family : families)
    accepted += "<pattern><patelt name=\"family\"><string>" + family.toHtmlEscaped() +
                "</string></patelt></pattern>";
  config.write(("<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">"
                "<fontconfig><include ignore_missing=\"no\">/etc/fonts/fonts.conf</include>"
                "<selectfont><acceptfont>" +
                accepted +
                "</acceptfont><rejectfont><pattern/></rejectfont></selectfont></fontconfig>")
                   .toUtf8());
  return config.error() == QFileDevice::NoError ? config.fileName() : QString();
}

CopyRun runThisTestInACopy(const QStringList& changes, std::chrono::milliseconds timeout,
                           const QStringList& moreTests) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const QString self = QStringLiteral("%1.%2").arg(test->test_suite_name(), test->name());
  QProcess copy;
  copy.setProcessEnvironment(environmentWith(changes));
  copy.setProcessChannelMode(QProcess::MergedChannels);
  copy.start(QCoreApplication::applicationFilePath(),
             {"--gtest_filter=" + (QStringList{self} + moreTests).join(':')});
  CopyRun run;
  run.finished = copy.waitForFinished(static_cast<int>(timeout.count()));
  if (!run.finished) {
    copy.kill();
    copy.waitForFinished(1000);
  }
  run.crashed = copy.exitStatus() != QProcess::NormalExit;
  run.exitCode = copy.exitCode();
  run.output = copy.readAll();
  return run;
}

ScopedProcess::ScopedProcess(const QString& program, const QStringList& args,
                             const QStringList& extraEnv)
    : process_(std::make_unique<QProcess>()) {
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  if (!extraEnv.isEmpty()) process_->setProcessEnvironment(environmentWith(extraEnv));
  process_->start(program, args);
  started_ = process_->waitForStarted(5000);
}

ScopedProcess::~ScopedProcess() {
  stop();
}

qint64 ScopedProcess::pid() const {
  return process_->processId();
}

void ScopedProcess::stop() {
  if (process_->state() == QProcess::NotRunning) return;
  process_->terminate();
  if (!process_->waitForFinished(1000)) {
    process_->kill();
    process_->waitForFinished(1000);
  }
}

OwnXServer::OwnXServer() {
  QTemporaryFile number;
  number.open();
  // The shell gives Xvfb the descriptor it writes its display number to,
  // and becomes it: the pid stopped is the server's. The file's name is an
  // argument, not text of the command: TMPDIR's may hold a space.
  process_ = std::make_unique<ScopedProcess>(
      QStringLiteral("sh"),
      QStringList{"-c",
                  "exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>\"$0\"",
                  number.fileName()});
  if (process_->started() && waitUntil([&] { return number.size() > 0; }))
    display = ':' + QString::fromLatin1(number.readAll()).trimmed();
}

OwnSessionBus::OwnSessionBus(const std::vector<std::pair<QString, QString>>& services) {
  const auto write = [&](const QString& name, const QString& text) {
    QFile file(dir_.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
  };
  for (const auto& [name, command] : services) {
    if (!write(name + ".service", "[D-BUS Service]\nName=" + name + "\nExec=" + command + "\n"))
      return;
  }
  if (!write("bus.conf",
             "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
             "<servicedir>" +
                 dir_.path() +
                 "</servicedir><policy context=\"default\"><allow "
                 "send_destination=\"*\"/><allow eavesdrop=\"true\"/><allow "
                 "own=\"*\"/></policy></busconfig>"))
    return;
  process_ = std::make_unique<ScopedProcess>(
      QStringLiteral("dbus-daemon"),
      QStringList{"--config-file=" + dir_.filePath("bus.conf"), "--nofork", "--print-address=1"});
  if (!process_->process().waitForReadyRead(5000)) return;
  const QString found = QString::fromUtf8(process_->process().readLine()).trimmed();
  if (QDBusConnection::connectToBus(found, found).isConnected())
    address = found;
  else
    QDBusConnection::disconnectFromBus(found);
}

OwnSessionBus::~OwnSessionBus() {
  if (!address.isEmpty()) QDBusConnection::disconnectFromBus(address);
}

}  // namespace pimble::testing
