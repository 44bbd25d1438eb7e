#include "system/reduce_motion.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QTextStream>

namespace pimble {
namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
constexpr int callTimeoutMs = 2000;

// The portal's older Read wraps the value in one more variant than ReadOne.
QVariant unwrap(QVariant value) {
  for (int i = 0; i < 4 && value.canConvert<QDBusVariant>() &&
                  value.metaType() == QMetaType::fromType<QDBusVariant>();
       ++i) {
    value = value.value<QDBusVariant>().variant();
  }
  return value;
}

QString defaultKdeGlobals() {
  const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  const QString base = QDir::isAbsolutePath(config) ? config : QDir::homePath() + "/.config";
  return base + QStringLiteral("/kdeglobals");
}

}  // namespace

ReduceMotion::ReduceMotion(const QDBusConnection& bus, const QString& kdeGlobals, QObject* parent)
    : QObject(parent), bus_(bus) {
  readKdeGlobals(kdeGlobals.isEmpty() ? defaultKdeGlobals() : kdeGlobals);
  if (!bus_.isConnected()) return;
  // The whole message: its arguments are read here, so no argument type
  // has to be known to the bus library before the first signal.
  bus_.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
               SLOT(settingChanged(QDBusMessage)));
  ask(QString::fromLatin1(gnomeNamespace), QString::fromLatin1(gnomeKey));
  ask(QString::fromLatin1(kdeNamespace), QString::fromLatin1(kdeKey));
}

bool ReduceMotion::reduceMotion() const {
  if (animationsEnabled_ && !*animationsEnabled_) return true;
  return durationFactor_ && *durationFactor_ <= 0.0;
}

void ReduceMotion::ask(const QString& space, const QString& key) {
  // ReadOne first; a portal too old for it answers the older Read.
  auto call = [this, space, key](const QString& method) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    message << space << key;
    return new QDBusPendingCallWatcher(bus_.asyncCall(message, callTimeoutMs), this);
  };
  QDBusPendingCallWatcher* one = call(QStringLiteral("ReadOne"));
  connect(one, &QDBusPendingCallWatcher::finished, this,
          [this, space, key, call](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            QDBusPendingReply<QDBusVariant> reply = *w;
            if (!reply.isError()) {
              take(space, key, reply.value().variant());
              return;
            }
            if (reply.error().type() != QDBusError::UnknownMethod) return;
            QDBusPendingCallWatcher* old = call(QStringLiteral("Read"));
            connect(old, &QDBusPendingCallWatcher::finished, this,
                    [this, space, key](QDBusPendingCallWatcher* w2) {
                      w2->deleteLater();
                      QDBusPendingReply<QDBusVariant> r = *w2;
                      if (!r.isError()) take(space, key, r.value().variant());
                    });
          });
}

void ReduceMotion::settingChanged(const QDBusMessage& message) {
  const QVariantList args = message.arguments();
  if (args.size() != 3) return;
  take(args[0].toString(), args[1].toString(), args[2]);
}

void ReduceMotion::take(const QString& space, const QString& key, const QVariant& raw) {
  const QVariant value = unwrap(raw);
  const bool before = reduceMotion();
  if (space == QLatin1String(gnomeNamespace) && key == QLatin1String(gnomeKey)) {
    if (value.metaType() != QMetaType::fromType<bool>()) return;
    animationsEnabled_ = value.toBool();
  } else if (space == QLatin1String(kdeNamespace) && key == QLatin1String(kdeKey)) {
    bool ok = false;
    const double factor = value.toDouble(&ok);
    if (!ok) return;
    durationFactor_ = factor;
  } else {
    return;
  }
  if (reduceMotion() != before && onChanged) onChanged();
}

void ReduceMotion::readKdeGlobals(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
  QTextStream in(&file);
  bool inKde = false;
  // A settings file of a few lines; anything long is not read further.
  for (int n = 0; n < 10000 && !in.atEnd(); ++n) {
    const QString line = in.readLine().trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      inKde = line == QLatin1String("[KDE]");
      continue;
    }
    if (!inKde) continue;
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0 || line.left(eq).trimmed() != QLatin1String(kdeKey)) continue;
    bool ok = false;
    const double factor = line.mid(eq + 1).trimmed().toDouble(&ok);
    if (ok) durationFactor_ = factor;
  }
}

}  // namespace pimble
