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

// One question to the X server about a window: where it stands, whether it
// is viewable, whether window managers leave it alone and where its program
// placed it.
struct WindowState {
  bool viewable = false;
  bool overrideRedirect = false;
  QRect place;
  std::optional<QPoint> placedAt;
};

std::optional<WindowState> windowState(xcb_connection_t* c, xcb_window_t window) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const auto attributesCookie = xcb_get_window_attributes(c, window);
  const auto geometryCookie = xcb_get_geometry(c, window);
  const auto originCookie = xcb_translate_coordinates(c, window, root, 0, 0);
  const auto hintsCookie =
      xcb_get_property(c, 0, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 0, 18);
  auto* attributes = xcb_get_window_attributes_reply(c, attributesCookie, nullptr);
  auto* geometry = xcb_get_geometry_reply(c, geometryCookie, nullptr);
  auto* origin = xcb_translate_coordinates_reply(c, originCookie, nullptr);
  auto* hints = xcb_get_property_reply(c, hintsCookie, nullptr);
  std::optional<WindowState> state;
  if (attributes != nullptr && geometry != nullptr && origin != nullptr) {
    state = WindowState{
        attributes->map_state == XCB_MAP_STATE_VIEWABLE, attributes->override_redirect != 0,
        QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height), std::nullopt};
    // WM_SIZE_HINTS: flags, then x and y, read when the flags name a
    // position the user or the program gave.
    constexpr std::uint32_t userPosition = 1u << 0, programPosition = 1u << 2;
    if (hints != nullptr && hints->format == 32 && xcb_get_property_value_length(hints) >= 12) {
      const auto* values = static_cast<const std::int32_t*>(xcb_get_property_value(hints));
      if ((std::uint32_t(values[0]) & (userPosition | programPosition)) != 0)
        state->placedAt = QPoint(values[1], values[2]);
    }
  }
  std::free(attributes);
  std::free(geometry);
  std::free(origin);
  std::free(hints);
  return state;
}

// The window a press at `point` (root coordinates) reaches now: the deepest
// one there, as the X server finds it, through the cut and the input region
// of every window on the way (a window manager's frame copies its client's).
xcb_window_t windowAt(xcb_connection_t* c, QPoint point) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_window_t at = root;
  while (true) {
    auto* reply = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, root, at, std::int16_t(point.x()), std::int16_t(point.y())),
        nullptr);
    if (reply == nullptr) return XCB_WINDOW_NONE;
    const xcb_window_t child = reply->child;
    std::free(reply);
    if (child == XCB_WINDOW_NONE) return at;
    at = child;
  }
}

// Whether `window` is `inner` or holds it.
bool holds(xcb_connection_t* c, xcb_window_t window, xcb_window_t inner) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  for (xcb_window_t w = inner; w != XCB_WINDOW_NONE && w != root;) {
    if (w == window) return true;
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    w = tree != nullptr ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
    std::free(tree);
  }
  return false;
}

using Connection = std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)>;

// A connection of its own to `display` (empty: $DISPLAY now).
Connection connectTo(const QString& display) {
  const QByteArray name = display.isEmpty() ? qgetenv("DISPLAY") : display.toUtf8();
  return Connection(xcb_connect(name.constData(), nullptr), xcb_disconnect);
}

}  // namespace

std::optional<QRect> shownPlace(const QString& window, const QString& display,
                                std::chrono::milliseconds timeout) {
  const Connection connection = connectTo(display);
  xcb_connection_t* c = connection.get();
  const xcb_window_t id = window.toUInt(nullptr, 0);
  if (xcb_connection_has_error(c) || id == 0) return std::nullopt;
  std::optional<QRect> shown;
  waitUntil(
      [&] {
        const std::optional<WindowState> state = windowState(c, id);
        if (!state || !state->viewable) return false;
        // A window no window manager takes in stands where the X server was
        // told at once; one embedded in another program's window (a tray
        // icon) stands where that program puts it, whatever its hints say.
        if (!state->overrideRedirect && state->placedAt &&
            *state->placedAt != state->place.topLeft())
          return false;
        shown = state->place;
        return true;
      },
      timeout);
  return shown;
}

bool pointerReaches(const QString& window, QPoint point, const QString& display,
                    std::chrono::milliseconds timeout) {
  const Connection connection = connectTo(display);
  xcb_connection_t* c = connection.get();
  const xcb_window_t id = window.toUInt(nullptr, 0);
  if (xcb_connection_has_error(c) || id == 0) return false;
  return waitUntil([&] { return holds(c, id, windowAt(c, point)); }, timeout);
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
