#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "models/reminder.h"
#include "models/uuid.h"

class QDBusServiceWatcher;

namespace pimble {

// Reminders and check-ins as desktop notifications with action buttons, on
// org.freedesktop.Notifications, and the user's answers turned back into the
// callbacks the speech bubble would give. Every request is asynchronous; with
// no notification server (or one without actions) the service is unavailable
// and posting does nothing.
class NotificationService : public QObject {
  Q_OBJECT
 public:
  // The actions of a reminder notification; the identifiers are the action
  // keys sent to the server.
  enum class Action { done, snooze, skip };
  // The actions of a check-in notification. `later` stands for "remind me
  // in `laterMinutes` minutes".
  enum class CheckInAction { keepGoing, later, finish };
  static constexpr int laterMinutes = 20;

  static std::string_view identifier(Action action);
  static std::string_view title(Action action);
  static std::string_view identifier(CheckInAction action);
  static std::string_view title(CheckInAction action);
  // "pimble.snooze" and "pimble.skip" are those actions; anything else,
  // the body click ("default") included, counts as done.
  static Action reminderActionFor(std::string_view identifier);
  static std::optional<CheckInAction> checkInActionFor(std::string_view identifier);

  explicit NotificationService(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);

  // A reminder notification was answered (the reminder's id); a check-in
  // notification was answered (the check-in's id). Read when an answer comes.
  std::function<void(const Uuid&, Action)> onAction;
  std::function<void(const Uuid&, CheckInAction)> onCheckInAction;

  // Watches for the notification server and listens for answers.
  void start();
  // The server is there and lists the "actions" capability.
  bool isAvailable() const { return available_; }

  // Posts (or replaces the notification already shown for the same id).
  void postReminder(const Uuid& id, const std::string& title, const std::string& message,
                    bool soundEnabled);
  void postCheckIn(const Uuid& id, const std::string& title, const std::string& message);
  // Withdraws the notification shown for the id, if any.
  void clear(const Uuid& id);
  // True once the server has answered the post of uid=0(root) gid=0(root) groups=0(root) with its own id, so
  // that answers to that notification can be told apart from others.
  bool isShown(const Uuid& id) const {
    auto it = posted_.find(id);
    return it != posted_.end() && !it->second.inFlight && it->second.serverId != 0;
  }
  // The same for a reminder record: its title, message and own sound.
  void post(const Reminder& reminder) {
    postReminder(reminder.id, reminder.title, reminder.message, reminder.soundEnabled);
  }
  void clear(const Reminder& reminder) { clear(reminder.id); }

 signals:
  void availabilityChanged(bool available);

 private slots:
  void actionInvoked(uint serverId, const QString& actionKey);
  void notificationClosed(uint serverId, uint reason);

 private:
  enum class Kind { reminder, checkIn };
  struct Posted {
    Kind kind = Kind::reminder;
    uint serverId = 0;
    bool inFlight = false;
    bool clearWhenPosted = false;
    std::optional<QVariantList> queued;  // a repost waiting for the server's id
  };

  void checkCapabilities();
  void setAvailable(bool available);
  void post(const Uuid& id, Kind kind, const std::string& title, const std::string& message,
            QStringList actions, QVariantMap hints);
  void send(const Uuid& id, QVariantList arguments);
  void close(uint serverId);
  std::map<Uuid, Posted>::iterator findByServerId(uint serverId);

  QDBusConnection bus_;
  QDBusServiceWatcher* watcher_ = nullptr;
  bool available_ = false;
  bool started_ = false;
  std::map<Uuid, Posted> posted_;
};

}  // namespace pimble
