#include "system/notification_service.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QPointer>

namespace pimble {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kAppName = QStringLiteral("Pimble Glimmet");
const QString kDesktopEntry = QStringLiteral("pimble-glimmet");
// The freedesktop sound theme's event for a new message.
const QString kSoundName = QStringLiteral("message-new-instant");
// The user's answer or the controller's time-out removes the notification;
// the server must not expire it first.
constexpr int kNeverExpires = 0;

QDBusMessage call(const QString& method) {
  auto message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  // Never start a notification server by bus activation: "available" means
  // one is already running.
  message.setAutoStartService(false);
  return message;
}

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

namespace {
template <typename A>
struct ActionRow {
  A action;
  std::string_view identifier;
  std::string_view title;
};
// The action keys sent to the server and the button titles, in order.
constexpr ActionRow<NotificationService::Action> kReminderActions[] = {
    {NotificationService::Action::done, "pimble.done", "Done"},
    {NotificationService::Action::snooze, "pimble.snooze", "Snooze"},
    {NotificationService::Action::skip, "pimble.skip", "Skip"},
};
constexpr ActionRow<NotificationService::CheckInAction> kCheckInActions[] = {
    {NotificationService::CheckInAction::keepGoing, "pimble.checkin.keep", "Keep going"},
    {NotificationService::CheckInAction::later, "pimble.checkin.later", "Remind me in 20 min"},
    {NotificationService::CheckInAction::finish, "pimble.checkin.finish", "I'm done"},
};

template <typename A, std::size_t N>
const ActionRow<A>& rowOf(const ActionRow<A> (&table)[N], A action) {
  for (const auto& row : table)
    if (row.action == action) return row;
  return table[0];
}
}  // namespace

std::string_view NotificationService::identifier(Action action) {
  return rowOf(kReminderActions, action).identifier;
}
std::string_view NotificationService::title(Action action) {
  return rowOf(kReminderActions, action).title;
}
std::string_view NotificationService::identifier(CheckInAction action) {
  return rowOf(kCheckInActions, action).identifier;
}
std::string_view NotificationService::title(CheckInAction action) {
  return rowOf(kCheckInActions, action).title;
}

NotificationService::Action NotificationService::reminderActionFor(std::string_view id) {
  for (const auto& row : kReminderActions)
    if (row.identifier == id) return row.action;
  return Action::done;
}

std::optional<NotificationService::CheckInAction> NotificationService::checkInActionFor(
    std::string_view id) {
  for (const auto& row : kCheckInActions)
    if (row.identifier == id) return row.action;
  return std::nullopt;
}

NotificationService::NotificationService(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {}

void NotificationService::start() {
  if (started_ || !bus_.isConnected()) return;
  started_ = true;
  // The server delivers answers to the connection that posted: this one.
  bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
               SLOT(actionInvoked(uint, QString)));
  bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
               SLOT(notificationClosed(uint, uint)));
  watcher_ = new QDBusServiceWatcher(
      kService, bus_,
      QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
      this);
  connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] { checkCapabilities(); });
  connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
    // The notifications went with the server; their ids mean nothing now.
    posted_.clear();
    setAvailable(false);
  });
  checkCapabilities();
}

void NotificationService::checkCapabilities() {
  auto* watcher =
      new QDBusPendingCallWatcher(bus_.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    QDBusPendingReply<QStringList> reply = *w;
    setAvailable(!reply.isError() && reply.value().contains(QStringLiteral("actions")));
  });
}

void NotificationService::setAvailable(bool available) {
  if (available_ == available) return;
  available_ = available;
  emit availabilityChanged(available);
}

void NotificationService::postReminder(const Uuid& id, const std::string& title,
                                       const std::string& message, bool soundEnabled) {
  // "default" is the click on the body, which counts as done.
  QStringList actions{QStringLiteral("default"), qs(this->title(Action::done))};
  for (const auto& row : kReminderActions) actions << qs(row.identifier) << qs(row.title);
  QVariantMap hints;
  if (soundEnabled)
    hints.insert(QStringLiteral("sound-name"), kSoundName);
  else
    hints.insert(QStringLiteral("suppress-sound"), true);
  post(id, Kind::reminder, title, message, actions, hints);
}

void NotificationService::postCheckIn(const Uuid& id, const std::string& title,
                                      const std::string& message) {
  // No "default" action: a click on a check-in's body answers nothing.
  QStringList actions;
  for (const auto& row : kCheckInActions) actions << qs(row.identifier) << qs(row.title);
  QVariantMap hints{{QStringLiteral("suppress-sound"), true}};
  post(id, Kind::checkIn, title, message, actions, hints);
}

void NotificationService::post(const Uuid& id, Kind kind, const std::string& title,
                               const std::string& message, QStringList actions, QVariantMap hints) {
  if (!available_) return;
  hints.insert(QStringLiteral("desktop-entry"), kDesktopEntry);
  // The record's id rides along as the user info does elsewhere.
  hints.insert(kind == Kind::reminder ? QStringLiteral("x-pimble-reminderID")
                                      : QStringLiteral("x-pimble-checkInID"),
               QString::fromStdString(id.string()));
  QVariantList arguments{
      kAppName, 0u,    QString(),    QString::fromStdString(title), QString::fromStdString(message),
      actions,  hints, kNeverExpires};
  Posted& entry = posted_[id];
  entry.kind = kind;
  entry.clearWhenPosted = false;
  if (entry.inFlight) {
    // The server has not told us the id of the first one yet; replace it
    // once it has, instead of showing two.
    entry.queued = arguments;
    return;
  }
  send(id, arguments);
}

void NotificationService::send(const Uuid& id, QVariantList arguments) {
  Posted& entry = posted_[id];
  arguments[1] = entry.serverId;  // replaces_id: 0 for a new notification
  entry.inFlight = true;
  auto message = call(QStringLiteral("Notify"));
  message.setArguments(arguments);
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, id](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            QDBusPendingReply<uint> reply = *w;
            auto it = posted_.find(id);
            if (it == posted_.end()) {
              // Cleared (or the server left) meanwhile.
              if (!reply.isError()) close(reply.value());
              return;
            }
            Posted& entry = it->second;
            entry.inFlight = false;
            if (reply.isError()) {
              posted_.erase(it);
              return;
            }
            entry.serverId = reply.value();
            if (entry.clearWhenPosted) {
              close(entry.serverId);
              posted_.erase(it);
            } else if (entry.queued) {
              auto arguments = std::move(*entry.queued);
              entry.queued.reset();
              send(id, std::move(arguments));
            }
          });
}

void NotificationService::clear(const Uuid& id) {
  auto it = posted_.find(id);
  if (it == posted_.end()) return;
  if (it->second.inFlight) {
    it->second.queued.reset();
    it->second.clearWhenPosted = true;
    return;
  }
  close(it->second.serverId);
  posted_.erase(it);
}

void NotificationService::close(uint serverId) {
  if (serverId == 0) return;
  auto message = call(QStringLiteral("CloseNotification"));
  message << serverId;
  bus_.asyncCall(message);
}

std::map<Uuid, NotificationService::Posted>::iterator NotificationService::findByServerId(
    uint serverId) {
  if (serverId == 0) return posted_.end();
  for (auto it = posted_.begin(); it != posted_.end(); ++it)
    if (it->second.serverId == serverId) return it;
  return posted_.end();
}

void NotificationService::actionInvoked(uint serverId, const QString& actionKey) {
  auto it = findByServerId(serverId);
  if (it == posted_.end()) return;  // another program's notification
  const Uuid id = it->first;
  const std::string key = actionKey.toStdString();
  if (it->second.kind == Kind::reminder) {
    if (onAction) onAction(id, reminderActionFor(key));
  } else if (auto action = checkInActionFor(key)) {
    if (onCheckInAction) onCheckInAction(id, *action);
  }
}

void NotificationService::notificationClosed(uint serverId, uint /*reason*/) {
  // Dismissing answers nothing; the entry only goes so that a later post
  // makes a fresh notification.
  auto it = findByServerId(serverId);
  if (it != posted_.end() && !it->second.inFlight) posted_.erase(it);
}

}  // namespace pimble
