#pragma once

// The standard mock notification server (python3-dbusmock's
// notification_daemon template) on the test session bus: started per test,
// asked what it was called with, and made to send answers.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

#include "support/desktop_peers.h"

namespace pimble::testing::notification_mock {

inline const QString service = QStringLiteral("org.freedesktop.Notifications");
inline const QString path = QStringLiteral("/org/freedesktop/Notifications");

inline bool serverRunning() {
  return QDBusConnection::sessionBus().interface()->isServiceRegistered(service).value();
}

// The mock server, with or without the "actions" capability (and
// "body-markup" with it when `markup`), from the standard template or
// another one (a file path).
inline std::unique_ptr<ScopedProcess> start(
    bool actions = true, const QString& templateName = QStringLiteral("notification_daemon"),
    bool markup = false) {
  QStringList args{"-m", "dbusmock", "--session", "--template", templateName};
  if (actions)
    args << "-p"
         << (markup ? R"({"capabilities": "actions body body-markup"})"
                    : R"({"capabilities": "actions body"})");
  return std::make_unique<ScopedProcess>("/usr/bin/python3", args);
}

// The mock's record of calls, as text.
inline QString calls() {
  auto text = runTool("gdbus", {"call", "--session", "--dest", service, "--object-path", path,
                                "--method", "org.freedesktop.DBus.Mock.GetCalls"});
  return text.value_or(QString());
}

inline int count(const QString& method) {
  return calls().count("'" + method + "'");
}

// Makes the server send a signal ("ActionInvoked", "us", {id, key}), on the
// test bus or another one.
inline void emitSignal(const QString& name, const QString& signature, const QVariantList& args,
                       QDBusConnection bus = QDBusConnection::sessionBus()) {
  auto m = QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Mock", "EmitSignal");
  QVariantList wrapped;
  for (const auto& a : args) wrapped << QVariant::fromValue(QDBusVariant(a));
  m << service << name << signature << wrapped;
  bus.call(m, QDBus::Block, 3000);
}

}  // namespace pimble::testing::notification_mock
