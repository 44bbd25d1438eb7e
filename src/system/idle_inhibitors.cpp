#include "system/idle_inhibitors.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>

namespace pimble {

namespace {
constexpr int kCallTimeoutMs = 1000;
constexpr qint64 kStaleMs = 1000;
// GNOME's inhibit flag for "the session must not be marked idle".
constexpr uint kGnomeInhibitIdle = 8;

// Sends a call and hands the reply (or an error reply) to `done` on the main
// thread; `done` always runs exactly once.
void callAsync(QObject* owner, QDBusConnection bus, const QString& service, const QString& path,
               const QString& interface, const QString& method,
               std::function<void(const QDBusMessage&)> done) {
  if (!bus.isConnected()) {
    QMetaObject::invokeMethod(
        owner, [done] { done(QDBusMessage()); }, Qt::QueuedConnection);
    return;
  }
  const auto call = QDBusMessage::createMethodCall(service, path, interface, method);
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), owner);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                   [done](QDBusPendingCallWatcher* w) {
                     w->deleteLater();
                     done(w->reply());
                   });
}

// The single argument of a reply as a D-Bus structure list with the given
// signature, or nothing.
std::optional<QDBusArgument> listArgument(const QDBusMessage& reply, const char* signature) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
    return std::nullopt;
  }
  const QVariant value = reply.arguments().first();
  if (value.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
  auto argument = value.value<QDBusArgument>();
  if (argument.currentSignature() != QLatin1String(signature)) return std::nullopt;
  return argument;
}
}  // namespace

IdleInhibitors::IdleInhibitors(QObject* parent) : QObject(parent) {}

std::vector<IdleInhibitors::Inhibitor> IdleInhibitors::current() {
  if (!age_.isValid() || age_.elapsed() > kStaleMs) refresh();
  return current_;
}

void IdleInhibitors::refresh() {
  if (pending_ > 0) return;
  reading_.clear();
  pending_ = 3;
  askLogind();
  askGnome();
  askKde();
}

void IdleInhibitors::partDone() {
  if (--pending_ > 0) return;
  current_ = reading_;
  age_.start();
  if (onRefreshed) onRefreshed();
}

void IdleInhibitors::askLogind() {
  callAsync(this, QDBusConnection::systemBus(), QStringLiteral("org.freedesktop.login1"),
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"),
            [this](const QDBusMessage& reply) {
              if (const auto parsed = listArgument(reply, "a(ssssuu)")) {
                // Reading needs the const overloads (the others write).
                const QDBusArgument& list = *parsed;
                list.beginArray();
                while (!list.atEnd()) {
                  QString what, who, why, mode;
                  uint uid = 0, pid = 0;
                  list.beginStructure();
                  list >> what >> who >> why >> mode >> uid >> pid;
                  list.endStructure();
                  // "idle" among the colon-separated kinds, in block mode.
                  if (what.split(':').contains(QLatin1String("idle")) &&
                      mode == QLatin1String("block") && pid > 0 && pid <= 0x7fffffff) {
                    reading_.push_back({static_cast<pid_t>(pid), {}});
                  }
                }
                list.endArray();
              }
              partDone();
            });
}

void IdleInhibitors::askGnome() {
  const QString service = QStringLiteral("org.gnome.SessionManager");
  const QString inhibitorInterface = QStringLiteral("org.gnome.SessionManager.Inhibitor");
  callAsync(this, QDBusConnection::sessionBus(), service,
            QStringLiteral("/org/gnome/SessionManager"), service, QStringLiteral("GetInhibitors"),
            [this, service, inhibitorInterface](const QDBusMessage& reply) {
              QList<QDBusObjectPath> paths;
              if (const auto parsed = listArgument(reply, "ao")) {
                const QDBusArgument& list = *parsed;
                list >> paths;
              }
              // Each inhibitor is asked for its flags, then for its application.
              for (const QDBusObjectPath& path : paths) {
                ++pending_;
                callAsync(this, QDBusConnection::sessionBus(), service, path.path(),
                          inhibitorInterface, QStringLiteral("GetFlags"),
                          [this, service, inhibitorInterface, path](const QDBusMessage& flags) {
                            const bool idle =
                                flags.type() == QDBusMessage::ReplyMessage &&
                                flags.arguments().size() == 1 &&
                                (flags.arguments().first().toUInt() & kGnomeInhibitIdle);
                            if (!idle) {
                              partDone();
                              return;
                            }
                            callAsync(this, QDBusConnection::sessionBus(), service, path.path(),
                                      inhibitorInterface, QStringLiteral("GetAppId"),
                                      [this](const QDBusMessage& app) {
                                        if (app.type() == QDBusMessage::ReplyMessage &&
                                            app.arguments().size() == 1) {
                                          const QString id = app.arguments().first().toString();
                                          if (!id.isEmpty())
                                            reading_.push_back({0, id.toStdString()});
                                        }
                                        partDone();
                                      });
                          });
              }
              partDone();
            });
}

void IdleInhibitors::askKde() {
  callAsync(this, QDBusConnection::sessionBus(),
            QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent"),
            QStringLiteral("/org/kde/Solid/PowerManagement/PolicyAgent"),
            QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent"),
            QStringLiteral("ListInhibitions"), [this](const QDBusMessage& reply) {
              if (const auto parsed = listArgument(reply, "a(ss)")) {
                const QDBusArgument& list = *parsed;
                list.beginArray();
                while (!list.atEnd()) {
                  QString app, reason;
                  list.beginStructure();
                  list >> app >> reason;
                  list.endStructure();
                  if (!app.isEmpty()) reading_.push_back({0, app.toStdString()});
                }
                list.endArray();
              }
              partDone();
            });
}

}  // namespace pimble
