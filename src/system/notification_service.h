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
#include <vector>

#include "models/check_in.h"
#include "models/reminder.h"
#include "models/uuid.h"

class QDBusServiceWatcher;

namespace pimble {

// Reminders and check-ins as desktop notifications with action buttons, on
// org.freedesktop.Notifications, and the user's answers turned back into the
// callbacks the speech bubble would give. Every request is asynchronous.
// What is posted before the server has said what it can do (right after
// start(), or right after the server came back) is held and posted once it
// answers. Many desktops' servers are started by the session bus on the
// first notification and leave again when idle: such a server counts as
// there while it is not running, and a post starts it (reading what it can
// do first). With no notification server running nor one the bus can
// start, or one without actions, the service is unavailable and posting
// does nothing.
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
  // Whether the server can take our notifications: `unknown` until it has
  // answered (posts are held meanwhile), `unavailable` when none runs and
  // the bus can start none, or it cannot show actions. A server the bus
  // starts on demand is `available` also while it is not running.
  enum class Availability { unknown, available, unavailable };

  static std::string_view identifier(Action action);
  static std::string_view title(Action action);
  static std::string_view identifier(CheckInAction action);
  static std::string_view title(CheckInAction action);
  // "pimble.snooze" and "pimble.skip" are those actions; anything else,
  // the body click ("default") included, counts as done.
  static Action reminderActionFor(std::string_view identifier);
  static std::optional<CheckInAction> checkInActionFor(std::string_view identifier);
  // The answer each check-in action gives: keepGoing, remindIn(20), finish.
  static CheckInResponse response(CheckInAction action);

  explicit NotificationService(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);

  // A reminder notification was answered (the reminder's id); a check-in
  // notification was answered (the check-in's id, and the answer its button
  // stands for). Read when an answer comes.
  std::function<void(const Uuid&, Action)> onAction;
  std::function<void(const Uuid&, CheckInResponse)> onCheckInAction;

  // Watches for the notification server and listens for answers.
  void start();
  Availability availability() const { return availability_; }
  // The server is there, or the bus can start it, and it lists (or, not
  // started yet, is expected to list) the "actions" capability.
  bool isAvailable() const { return availability_ == Availability::available; }

  // Posts (or replaces the notification already shown for the same id).
  void postReminder(const Uuid& id, const std::string& title, const std::string& message,
                    bool soundEnabled);
  void postCheckIn(const Uuid& id, const std::string& title, const std::string& message);
  // Withdraws the notification shown (or held) for the id, if any.
  void clear(const Uuid& id);
  // True once the server has answered the post of this id with its own id,
  // so that answers to that notification can be told apart from others.
  bool isShown(const Uuid& id) const {
    auto it = posted_.find(id);
    return it != posted_.end() && !it->second.inFlight && it->second.serverId != 0;
  }
  // The same for a reminder record: its title, message and own sound.
  void post(const Reminder& reminder) {
    postReminder(reminder.id, reminder.title, reminder.message, reminder.soundEnabled);
  }
  void clear(const Reminder& reminder) { clear(reminder.id); }
  // The same for a check-in card: its title and message, never a sound.
  void post(const CheckIn& checkIn) { postCheckIn(checkIn.id, checkIn.title, checkIn.message); }
  void clearCheckIn(const Uuid& id) { clear(id); }

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

  // Asks the server what it can do; `startServer`: let the bus start it
  // when it is not running. Without an answer, asks the bus whether it can
  // start one.
  void checkCapabilities(bool startServer);
  void checkActivatable(unsigned request);
  void setAvailability(Availability availability);
  // Sends, drops or keeps holding the held posts by what is known now.
  void settleHeld();
  void postHeld();
  void post(const Uuid& id, Kind kind, const std::string& title, const std::string& message,
            QStringList actions, QVariantMap hints);
  void send(const Uuid& id, Kind kind, QVariantList arguments);
  void notify(const Uuid& id, QVariantList arguments);
  void close(uint serverId);
  std::map<Uuid, Posted>::iterator findByServerId(uint serverId);
  // Gives the answers kept for ids unknown at the time that now name a
  // notification of ours; keeps the others only while a post still waits
  // for its id.
  void settleEarlyAnswers();

  QDBusConnection bus_;
  QDBusServiceWatcher* watcher_ = nullptr;
  Availability availability_ = Availability::unknown;
  bool started_ = false;
  // The server lists "body-markup": bodies go to it escaped.
  bool bodyMarkup_ = false;
  // The server in place has told us its capabilities, and it takes
  // actions: posts go straight to it. False while it is not running (the
  // bus starts it for the next post) and while a new one is being asked.
  bool ready_ = false;
  // A capability request (or the question to the bus after it) is out.
  bool asking_ = false;
  // Only the answer to the latest capability request counts.
  unsigned capabilityRequest_ = 0;
  // The server's unique bus name, as last seen; a reply from another one is
  // stale.
  QString owner_;
  std::map<Uuid, Posted> posted_;
  // Posts waiting for the server's capabilities, in the order they came.
  struct Held {
    Uuid id;
    Kind kind;
    QVariantList arguments;
  };
  std::vector<Held> held_;
  // Answers naming no notification of ours that came while a post waited
  // for the server's id. The bus connection may hand over a server's answer
  // before the reply to the post it answers, though the server sent them
  // the other way round: the answer may name that post's notification.
  struct EarlyAnswer {
    uint serverId;
    QString actionKey;
  };
  std::vector<EarlyAnswer> earlyAnswers_;
};

}  // namespace pimble
