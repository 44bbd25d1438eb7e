#pragma once

// Tray hosts a test starts when it wants one, and stops by pid: trayer, an
// XEmbed system tray, and a mocked StatusNotifierWatcher with its host
// (python3-dbusmock, tests/support/status_notifier_watcher.py).

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "support/desktop_peers.h"

namespace pimble::testing {

inline std::unique_ptr<ScopedProcess> startTrayer() {
  return std::make_unique<ScopedProcess>(
      QStringLiteral("trayer"),
      QStringList{"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                  "--heighttype", "pixel", "--height", "24", "--SetDockType", "true",
                  "--SetPartialStrut", "false"});
}

// The mocked watcher; `host` false: its panel has not registered yet.
inline std::unique_ptr<ScopedProcess> startStatusNotifierWatcher(bool host = true) {
  QStringList args{"-m", "dbusmock", "--session", "--template",
                   PIMBLE_SOURCE_DIR "/tests/support/status_notifier_watcher.py"};
  if (!host)
    args << "-p"
         << R"({"host": false})";
  auto process = std::make_unique<ScopedProcess>(QStringLiteral("/usr/bin/python3"), args);
  const bool up = waitUntil([] {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.kde.StatusNotifierWatcher"));
  });
  if (!up) return nullptr;
  return process;
}

// Why a test cannot have a tray of its own, or nothing.
inline std::optional<std::string> missingTrayPeers() {
  if (auto why = missingX()) return why;
  if (auto why = missingSessionBus()) return why;
  if (auto why = missingProgram("trayer")) return why;
  if (auto why = missingProgram("xdotool")) return why;
  // One already there (PIMBLE_DESKTOP_TRAY) would take the tray's place.
  if (QDBusConnection::sessionBus().interface()->isServiceRegistered(
          QStringLiteral("org.kde.StatusNotifierWatcher")))
    return "a StatusNotifierWatcher is already running";
  if (qEnvironmentVariableIsSet("PIMBLE_DESKTOP_TRAY"))
    return "the desktop already has a tray (PIMBLE_DESKTOP_TRAY)";
  return std::nullopt;
}

}  // namespace pimble::testing
