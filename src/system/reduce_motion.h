#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace pimble {

// Whether the desktop asks applications to keep motion down: GNOME's
// "enable-animations" switched off, or KDE's animation speed at zero. Read
// through the desktop portal's settings (asynchronously, with its change
// signal), and from KDE's own kdeglobals file where no portal answers.
class ReduceMotion : public QObject {
  Q_OBJECT
 public:
  // `kdeGlobals` is the kdeglobals file; empty: $XDG_CONFIG_HOME (when
  // absolute, else ~/.config) plus "kdeglobals".
  explicit ReduceMotion(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                        const QString& kdeGlobals = {}, QObject* parent = nullptr);

  bool reduceMotion() const;
  // The answer may have changed.
  std::function<void()> onChanged;

  static constexpr const char* gnomeNamespace = "org.gnome.desktop.interface";
  static constexpr const char* gnomeKey = "enable-animations";
  static constexpr const char* kdeNamespace = "org.kde.kdeglobals.KDE";
  static constexpr const char* kdeKey = "AnimationDurationFactor";

 private slots:
  void settingChanged(const QDBusMessage& message);

 private:
  void ask(const QString& space, const QString& key);
  void take(const QString& space, const QString& key, const QVariant& value);
  void readKdeGlobals(const QString& path);

  QDBusConnection bus_;
  std::optional<bool> animationsEnabled_;  // GNOME
  std::optional<double> durationFactor_;   // KDE
};

}  // namespace pimble
