#include "support/accessibility_tree.h"

#include <signal.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QSet>
#include <QUuid>
#include <deque>
#include <utility>

namespace pimble::testing {
namespace {

const QString launcherPath = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path,
                  const QString& interface, const QString& method, const QVariantList& args = {}) {
  QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
  message.setArguments(args);
  return bus.call(message, QDBus::Block, 2000);
}

using Node = std::pair<QString, QString>;  // bus name, object path

std::vector<Node> children(const QDBusConnection& bus, const Node& node) {
  const QDBusMessage reply = call(bus, node.first, node.second, accessible, "GetChildren");
  std::vector<Node> out;
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return out;
  const auto arg = reply.arguments().first().value<QDBusArgument>();
  arg.beginArray();
  while (!arg.atEnd()) {
    QString service;
    QDBusObjectPath path;
    arg.beginStructure();
    arg >> service >> path;
    arg.endStructure();
    out.emplace_back(service, path.path());
  }
  arg.endArray();
  return out;
}

QString replyText(const QDBusMessage& reply) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  const QVariant value = reply.arguments().first();
  return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant().toString()
                                          : value.toString();
}

// Screen coordinates; empty for an element that does not show.
QRect extents(const QDBusConnection& bus, const Node& node) {
  const QDBusMessage reply = call(bus, node.first, node.second, "org.a11y.atspi.Component",
                                  "GetExtents", {QVariant::fromValue(0u)});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  const auto arg = reply.arguments().first().value<QDBusArgument>();
  int x = 0, y = 0, w = 0, h = 0;
  arg.beginStructure();
  arg >> x >> y >> w >> h;
  arg.endStructure();
  return QRect(x, y, w, h);
}

}  // namespace

AccessibilityBus::AccessibilityBus() {
  if (auto why = missingProgram(launcherPath)) {
    missing_ = why;
    return;
  }
  const QString session = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  if (session.isEmpty()) {
    missing_ = "DBUS_SESSION_BUS_ADDRESS is not set";
    return;
  }
  launcher_ = std::make_unique<ScopedProcess>(launcherPath, QStringList{"--launch-immediately"});
  const QDBusConnection sessionBus =
      QDBusConnection::connectToBus(session, "a11y-session-" + QUuid::createUuid().toString());
  QString address;
  waitUntil([&] {
    address =
        replyText(call(sessionBus, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
    return !address.isEmpty();
  });
  QDBusConnection::disconnectFromBus(sessionBus.name());
  if (address.isEmpty()) {
    missing_ = "at-spi-bus-launcher gave no accessibility bus";
    return;
  }
  connectionName_ = "a11y-" + QUuid::createUuid().toString();
  QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName_);
  // The bus starts the registry on the first call for it (a program's
  // registering): started here, so that it is stopped with the bus, by its
  // pid.
  const QString registry = QStringLiteral("org.a11y.atspi.Registry");
  bus.interface()->startService(registry);
  if (!waitUntil([&] { return bus.interface()->isServiceRegistered(registry).value(); })) {
    missing_ = "the accessibility registry did not start";
    return;
  }
  registryPid_ = bus.interface()->servicePid(registry).value();
  // Programs tell of what they show only where someone listens.
  call(bus, registry, "/org/a11y/atspi/registry", registry, "RegisterEvent",
       {QStringLiteral("object:state-changed:showing"), QStringList(), QString()});
  bus.connect(QString(), QString(), "org.a11y.atspi.Event.Object", "StateChanged", shown_.get(),
              SLOT(stateChanged(QDBusMessage)));
}

void ShownElements::stateChanged(const QDBusMessage& message) {
  const QVariantList args = message.arguments();
  if (args.size() >= 2 && args[0].toString() == QLatin1String("showing") && args[1].toInt() == 1)
    shown.emplace_back(message.service(), message.path());
}

AccessibilityBus::~AccessibilityBus() {
  if (!connectionName_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName_);
  if (registryPid_ > 0) ::kill(pid_t(registryPid_), SIGTERM);
}

std::optional<AccessibilityBus::Element> AccessibilityBus::find(
    qint64 pid, const QString& role, const QString& name, std::chrono::milliseconds timeout) const {
  if (missing_ || connectionName_.isEmpty()) return std::nullopt;
  const QDBusConnection bus(connectionName_);
  std::optional<Element> found;
  waitUntil(
      [&] {
        // The program's own connections hold its tree: Qt's, and GTK's
        // where Qt's GTK theme brought GTK in, which registers an
        // application of its own (empty) from the same process.
        QSet<QString> program;
        for (const QString& name : bus.interface()->registeredServiceNames().value())
          if (name.startsWith(':') && bus.interface()->servicePid(name).value() == pid)
            program.insert(name);
        if (program.isEmpty()) return false;
        std::deque<Node> open;
        for (const QString& connection : program)
          open.emplace_back(connection, QStringLiteral("/org/a11y/atspi/accessible/root"));
        // Then what was shown, the latest before the older: a menu shown
        // anew has a new path. Most of it lies in the tree too, walked once.
        for (auto it = shown_->shown.rbegin(); it != shown_->shown.rend(); ++it)
          if (program.contains(it->first)) open.push_back(*it);
        QSet<Node> walked;
        while (!open.empty() && walked.size() < 5000) {
          const Node node = open.front();
          open.pop_front();
          if (walked.contains(node)) continue;
          walked.insert(node);
          const QString nodeName =
              replyText(call(bus, node.first, node.second, "org.freedesktop.DBus.Properties", "Get",
                             {accessible, QStringLiteral("Name")}));
          if (nodeName == name &&
              replyText(call(bus, node.first, node.second, accessible, "GetRoleName")) == role) {
            if (const QRect rect = extents(bus, node); !rect.isEmpty()) {
              found = Element{node.first, node.second, rect};
              return true;
            }
          }
          for (Node& child : children(bus, node)) open.push_back(std::move(child));
        }
        return false;
      },
      timeout);
  return found;
}

std::optional<QRect> AccessibilityBus::place(qint64 pid, const QString& role, const QString& name,
                                             std::chrono::milliseconds timeout) const {
  const auto element = find(pid, role, name, timeout);
  return element ? std::optional<QRect>(element->place) : std::nullopt;
}

std::optional<QString> AccessibilityBus::text(qint64 pid, const QString& role, const QString& name,
                                              std::chrono::milliseconds timeout) const {
  const auto element = find(pid, role, name, timeout);
  if (!element) return std::nullopt;
  // From the first character to the last (-1).
  const QDBusMessage reply =
      call(QDBusConnection(connectionName_), element->connection, element->path,
           "org.a11y.atspi.Text", "GetText", {QVariant::fromValue(0), QVariant::fromValue(-1)});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return std::nullopt;
  return reply.arguments().first().toString();
}

bool AccessibilityBus::press(qint64 pid, const QString& role, const QString& name) const {
  const auto at = place(pid, role, name);
  return at && clickAt(at->center());
}

bool clickAt(QPoint at) {
  return runTool("xdotool",
                 {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"})
      .has_value();
}

}  // namespace pimble::testing
