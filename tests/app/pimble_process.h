#pragma once

// The real pimble program run by a test on a private data directory, and a
// fixture for such tests on the headless desktop.

#include <gtest/gtest.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "models/app_settings.h"
#include "models/file_persistence.h"
#include "support/desktop_peers.h"

namespace pimble::testing {

using namespace std::chrono_literals;

inline const QString pimblePath = QStringLiteral(PIMBLE_BINARY_DIR "/src/pimble");

// One run of the program on a data directory.
class Pimble {
 public:
  // `extraEnv`: variables set for this run only, as NAME=value, or NAME
  // alone for one left out; `program`: another program run as pimble is.
  Pimble(const QString& dataDir, const QStringList& args = {}, const QStringList& extraEnv = {},
         const QString& program = pimblePath) {
    QProcessEnvironment env = environmentWith(extraEnv);
    env.insert(QStringLiteral("PIMBLE_DATA_DIR"), dataDir);
    // An autostart folder of the test's own, never the user's.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dataDir + QStringLiteral("-config"));
    process_.setProcessEnvironment(env);
    process_.start(program, args);
    started_ = process_.waitForStarted(5000);
  }
  ~Pimble() { stop(); }

  bool started() const { return started_; }
  qint64 pid() const { return process_.processId(); }
  bool running() const { return process_.state() != QProcess::NotRunning; }
  // Waits for the end; its exit code, or nothing when it did not end.
  std::optional<int> finish(std::chrono::milliseconds timeout = 10s) {
    if (running() && !process_.waitForFinished(int(timeout.count()))) return std::nullopt;
    if (process_.exitStatus() != QProcess::NormalExit) return std::nullopt;
    return process_.exitCode();
  }
  // A signal (SIGTERM by default), then its exit code.
  std::optional<int> end(int signal = SIGTERM) {
    if (!running()) return finish();
    ::kill(pid_t(pid()), signal);
    return finish();
  }
  QByteArray output() { return process_.readAllStandardOutput() + process_.readAllStandardError(); }
  // The program's visible windows whose title matches.
  QStringList windows(const QString& title) const {
    if (!running()) return {};
    // Every condition must hold: xdotool's own default is any of them.
    const auto out = runTool("xdotool", {"search", "--all", "--onlyvisible", "--pid",
                                         QString::number(pid()), "--name", title});
    return out ? out->split('\n', Qt::SkipEmptyParts) : QStringList{};
  }
  // The character's window is on screen.
  bool showsWindow(std::chrono::milliseconds timeout = 10s) const {
    return waitUntil([&] { return !windows(QStringLiteral("^Pimble Glimmet$")).isEmpty(); },
                     timeout);
  }
  // The character's window, once the window manager shows it where the
  // program put it (shownPlace): a test may aim at it, picture it or read
  // its place. Empty when it is not shown so within the time.
  QString shownCharacter(std::chrono::milliseconds timeout = 10s) const {
    return shown(QStringLiteral("^Pimble Glimmet$"), timeout);
  }
  // The same for a window of the program whose title matches.
  QString shown(const QString& title, std::chrono::milliseconds timeout = 10s) const {
    QString window;
    if (!waitUntil([&] { return !(window = windows(title).value(0)).isEmpty(); }, timeout))
      return {};
    return shownPlace(window, {}, timeout) ? window : QString();
  }

 private:
  void stop() {
    if (!running()) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(1000);
    }
  }
  QProcess process_;
  bool started_ = false;
};

inline void pause(std::chrono::milliseconds ms) {
  std::this_thread::sleep_for(ms);
}

// Where a window stands on the screen, as xdotool gives it.
inline QRect geometry(const QString& window) {
  const QString shown = runTool("xdotool", {"getwindowgeometry", "--shell", window}).value_or("");
  auto value = [&](const char* name) {
    return shown.section(QString(name) + "=", 1).section('\n', 0, 0).toInt();
  };
  return {value("X"), value("Y"), value("WIDTH"), value("HEIGHT")};
}

inline QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The user's pointer and keys on a window of the program.
inline bool click(const QString& window, QPoint at) {
  return runTool("xdotool", {"mousemove", "--window", window, QString::number(at.x()),
                             QString::number(at.y()), "click", "1"})
      .has_value();
}
// `keys` as xdotool names them ("ctrl+q space"), in the window made active.
inline bool type(const QString& window, const QString& keys) {
  return runTool("xdotool",
                 QStringList{"windowactivate", "--sync", window, "key"} + keys.split(' '))
      .has_value();
}

// Whether the program has taken in every event the X server sent it before
// now (the keys typed, the clicks): it answers a window manager's ping on
// `window` in the order of its events, and hands the pointer's events and
// shortcuts on before it turns to anything else. It draws what they did
// only afterwards, and where the accessibility bus runs, Qt holds other
// typed keys back until the bus's registry has seen them: a test then
// waits for what the program shows. False when no answer came in time.
inline bool inputHandled(const QString& window, std::chrono::milliseconds timeout = 5s) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const auto closed =
      std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)>(c, xcb_disconnect);
  if (xcb_connection_has_error(c)) return false;
  auto atom = [c](const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
  };
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  // The answer goes to the root window.
  const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  const xcb_atom_t ping = atom("_NET_WM_PING");
  constexpr std::uint32_t token = 0x5049u;
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window.toUInt();
  message.type = atom("WM_PROTOCOLS");
  message.data.data32[0] = ping;
  message.data.data32[1] = token;
  message.data.data32[2] = message.window;
  xcb_send_event(c, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(c);
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      const auto* answer = reinterpret_cast<const xcb_client_message_event_t*>(event);
      const bool answered = (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                            answer->data.data32[0] == ping && answer->data.data32[1] == token;
      std::free(event);
      if (answered) return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingX()) GTEST_SKIP() << *why;
    if (auto why = missingProgram("xdotool")) GTEST_SKIP() << *why;
    if (auto why = missingProgram(pimblePath)) GTEST_SKIP() << *why;
    ASSERT_TRUE(dir_.isValid());
    data_ = dir_.path() + QStringLiteral("/data");
  }

  // A user who did the tour, with the character switched on or off.
  void seed(bool showCompanion) {
    AppSettings settings;
    settings.onboardingCompleted = true;
    settings.showCompanion = showCompanion;
    FilePersistence(data_.toStdString()).save(settings, "settings");
  }

  QTemporaryDir dir_;
  QString data_;
};

}  // namespace pimble::testing
