#pragma once

// Tray hosts a test starts when it wants one, and stops by pid: trayer, an
// XEmbed system tray, and a mocked StatusNotifierWatcher with its host
// (python3-dbusmock, tests/support/status_notifier_watcher.py); and the
// menu of an item registered with that watcher, read and clicked as the
// host does over com.canonical.dbusmenu.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QPoint>
#include <QString>
#include <QVariantMap>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/desktop_peers.h"

namespace pimble::testing {

inline constexpr int trayerWidth = 120;

inline std::unique_ptr<ScopedProcess> startTrayer() {
  return std::make_unique<ScopedProcess>(
      QStringLiteral("trayer"),
      QStringList{"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                  QString::number(trayerWidth), "--heighttype", "pixel", "--height", "24",
                  "--SetDockType", "true", "--SetPartialStrut", "false"});
}

// trayer's strip on screen where startTrayer() asked for it, the top right
// corner; an icon embedded in it stands where it will be clicked from then
// on. A window manager may map the strip elsewhere first (KWin at 0,0), and
// trayer's hints keep saying 0,0 wherever it is.
inline bool trayerShown(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const int screenWidth =
      runTool("xdotool", {"getdisplaygeometry"}).value_or("").section(' ', 0, 0).toInt();
  auto strip = [] {
    return runTool("xdotool", {"search", "--onlyvisible", "--class", "trayer"})
        .value_or("")
        .section('\n', 0, 0);
  };
  QString window;
  if (screenWidth <= 0 || !waitUntil([&] { return !(window = strip()).isEmpty(); }, timeout))
    return false;
  return shownAt(window, QPoint(screenWidth - trayerWidth, 0), {}, timeout).has_value();
}

// The mocked watcher; `host` false: its panel has not registered yet. On
// the test session bus, or on `own`.
inline std::unique_ptr<ScopedProcess> startStatusNotifierWatcher(
    bool host = true, const OwnSessionBus* own = nullptr) {
  QStringList args{"-m", "dbusmock", "--session", "--template",
                   PIMBLE_SOURCE_DIR "/tests/support/status_notifier_watcher.py"};
  if (!host)
    args << "-p"
         << R"({"host": false})";
  auto process =
      std::make_unique<ScopedProcess>(QStringLiteral("/usr/bin/python3"), args,
                                      own ? QStringList{own->environment()} : QStringList{});
  const QDBusConnection bus = own ? own->connection() : QDBusConnection::sessionBus();
  const bool up = waitUntil([&] {
    return bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
  });
  if (!up) return nullptr;
  return process;
}

// The items registered with the mocked watcher.
inline QStringList registeredItems(const QDBusConnection& bus = QDBusConnection::sessionBus()) {
  QDBusInterface watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                         "org.freedesktop.DBus.Properties", bus);
  const QDBusReply<QDBusVariant> reply =
      watcher.call("Get", "org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems");
  return reply.isValid() ? reply.value().variant().toStringList() : QStringList{};
}

// The service of the item registered last (an ended copy's stays listed)
// and its menu's path, once it answers; empty ones when none does.
inline std::pair<QString, QString> lastItemMenu(
    const QDBusConnection& bus = QDBusConnection::sessionBus()) {
  std::pair<QString, QString> found;
  waitUntil(
      [&] {
        const QStringList items = registeredItems(bus);
        if (items.isEmpty()) return false;
        found.first = items.last().section('/', 0, 0);
        QDBusInterface item(found.first, "/StatusNotifierItem", "org.kde.StatusNotifierItem", bus);
        found.second = item.property("Menu").value<QDBusObjectPath>().path();
        return !found.second.isEmpty();
      },
      std::chrono::seconds(10));
  return found;
}

// An entry of the exported menu as GetLayout gives it, with its children.
struct MenuNode {
  int id = 0;
  QVariantMap properties;
  std::vector<MenuNode> children;
};

inline MenuNode readNode(const QDBusArgument& arg) {
  MenuNode node;
  arg.beginStructure();
  arg >> node.id >> node.properties;
  arg.beginArray();
  while (!arg.atEnd()) {
    QDBusVariant child;
    arg >> child;
    node.children.push_back(readNode(child.variant().value<QDBusArgument>()));
  }
  arg.endArray();
  arg.endStructure();
  return node;
}

// The whole menu as a host reads it, without announcing an opening.
// The id of the entry with that label, in the menu or its submenus, or -1.
inline int entryLabelled(const MenuNode& node, const QString& label) {
  if (node.properties.value("label").toString() == label) return node.id;
  for (const MenuNode& child : node.children)
    if (const int id = entryLabelled(child, label); id >= 0) return id;
  return -1;
}

inline MenuNode layout(const QString& service, const QString& path,
                       const QDBusConnection& bus = QDBusConnection::sessionBus()) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(service, path, "com.canonical.dbusmenu", "GetLayout");
  call << 0 << -1 << QStringList();
  const QDBusMessage reply = bus.call(call);
  if (reply.arguments().size() < 2) return {};
  return readNode(reply.arguments()[1].value<QDBusArgument>());
}

// A click on the entry `id` of the item's menu, as the host passes it on.
inline bool clickEntry(const QString& service, const QString& path, int id,
                       const QDBusConnection& bus = QDBusConnection::sessionBus()) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(service, path, "com.canonical.dbusmenu", "Event");
  call << id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(0)) << 0u;
  return bus.call(call).type() == QDBusMessage::ReplyMessage;
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
