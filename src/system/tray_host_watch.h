#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace pimble {

// Watches for a tray to show an icon in: a StatusNotifierItem host (the
// org.kde.StatusNotifierWatcher of the session bus with a host registered)
// or an XEmbed system tray (an owner of the screen's _NET_SYSTEM_TRAY_S
// selection). Either may come up after the program, as a panel does at
// login. Nothing is waited for: the bus is asked asynchronously, the X
// server answers at once, and later changes arrive as events.
class TrayHostWatch : public QObject {
  Q_OBJECT

 public:
  // The session bus and $DISPLAY, or the given ones.
  explicit TrayHostWatch(QDBusConnection bus = QDBusConnection::sessionBus(),
                         const QString& display = {}, QObject* parent = nullptr);
  ~TrayHostWatch() override;

  bool hasStatusNotifierHost() const { return statusNotifierHost_; }
  bool hasXEmbedTray() const { return xembedTray_; }
  bool isAvailable() const { return statusNotifierHost_ || xembedTray_; }

  // The answer of isAvailable() changed.
  std::function<void()> onChanged;

 private slots:
  void statusNotifierHostRegistered();

 private:
  void askStatusNotifierWatcher();
  void setStatusNotifierHost(bool present);
  void readXEmbedOwner();
  void drainXEvents();

  QDBusConnection bus_;
  bool statusNotifierHost_ = false;
  bool xembedTray_ = false;
  struct X;
  std::unique_ptr<X> x_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace pimble
