#include "system/notification_service.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QPointer>
#include <algorithm>

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

// `startServer`: the bus starts the server for the call when it is not
// running and can be started, as it does for notify-send.
QDBusMessage call(const QString& method, bool startServer) {
  auto message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  message.setAutoStartService(startServer);
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

CheckInResponse NotificationService::response(CheckInAction action) {
  switch (action) {
    case CheckInAction::keepGoing:
      return CheckInResponse::Case::keepGoing;
    case CheckInAction::later:
      return CheckInResponse::remindIn(laterMinutes);
    case CheckInAction::finish:
      return CheckInResponse::Case::finish;
  }
  return CheckInResponse::Case::dismiss;
}

NotificationService::NotificationService(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {}

void NotificationService::start() {
  if (started_) return;
  started_ = true;
  if (!bus_.isConnected()) {
    setAvailability(Availability::unavailable);
    return;
  }
  // The server delivers answers to the connection that posted: this one.
  bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
               SLOT(actionInvoked(uint, QString)));
  bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
               SLOT(notificationClosed(uint, uint)));
  watcher_ =
      new QDBusServiceWatcher(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
          [this](const QString&, const QString&, const QString& newOwner) {
            owner_ = newOwner;
            // The notifications shown went with the old server; their ids
            // mean nothing to a new one. One still on its way stays: the
            // answer tells which server took it.
            std::erase_if(posted_, [](const auto& posted) { return !posted.second.inFlight; });
            ready_ = false;
            // A server that left (one the bus started goes when idle) may
            // be one the bus can start again: the answer decides, and
            // posts wait for it. A new one is asked what it can do.
            if (!newOwner.isEmpty() && availability_ == Availability::unavailable)
              setAvailability(Availability::unknown);
            checkCapabilities(false);
          });
  // Not started for this: a server the bus starts on demand is only
  // started by a post.
  checkCapabilities(false);
}

void NotificationService::checkCapabilities(bool startServer) {
  const unsigned request = ++capabilityRequest_;
  asking_ = true;
  auto* watcher = new QDBusPendingCallWatcher(
      bus_.asyncCall(call(QStringLiteral("GetCapabilities"), startServer)), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, request, startServer](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            // An older answer may describe a server that has gone since.
            if (request != capabilityRequest_) return;
            QDBusPendingReply<QStringList> reply = *w;
            if (reply.isError()) {
              // The bus could not start it: the posts that waited for it
              // are lost, as with no server; the next post tries again.
              if (startServer) held_.clear();
              checkActivatable(request);
              return;
            }
            asking_ = false;
            owner_ = w->reply().service();
            const QStringList capabilities = reply.value();
            bodyMarkup_ = capabilities.contains(QStringLiteral("body-markup"));
            ready_ = capabilities.contains(QStringLiteral("actions"));
            setAvailability(ready_ ? Availability::available : Availability::unavailable);
          });
}

void NotificationService::checkActivatable(unsigned request) {
  auto message = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames"));
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, request](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            if (request != capabilityRequest_) return;
            asking_ = false;
            QDBusPendingReply<QStringList> reply = *w;
            // Not running, but the bus starts it for the next post, which
            // reads its capabilities first.
            const bool startable = !reply.isError() && reply.value().contains(kService);
            ready_ = false;
            setAvailability(startable ? Availability::available : Availability::unavailable);
          });
}

void NotificationService::setAvailability(Availability availability) {
  const bool wasAvailable = isAvailable();
  availability_ = availability;
  settleHeld();
  if (wasAvailable != isAvailable()) emit availabilityChanged(isAvailable());
}

void NotificationService::settleHeld() {
  if (held_.empty()) return;
  if (availability_ == Availability::unavailable) {
    held_.clear();
    return;
  }
  if (availability_ == Availability::unknown || asking_) return;
  if (ready_)
    postHeld();
  else
    checkCapabilities(true);  // starts the server; its answer sends them
}

void NotificationService::postHeld() {
  auto held = std::move(held_);
  held_.clear();
  for (auto& post : held) send(post.id, post.kind, std::move(post.arguments));
}

void NotificationService::postReminder(const Uuid& id, const std::string& title,
                                       const std::string& message, bool soundEnabled) {
  // "default" is the click on the body, which counts as done. Its label is
  // empty: servers that draw it as a button too (xfce4-notifyd) leave out a
  // button without a label, where "Done" would show twice.
  QStringList actions{QStringLiteral("default"), QString()};
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
  if (availability_ == Availability::unavailable) {
    // Nobody to show it. Asked again, so that a server that can be had by
    // now serves the next post.
    if (!asking_) checkCapabilities(false);
    return;
  }
  hints.insert(QStringLiteral("desktop-entry"), kDesktopEntry);
  // The record's id rides along as the user info does elsewhere.
  hints.insert(kind == Kind::reminder ? QStringLiteral("x-pimble-reminderID")
                                      : QStringLiteral("x-pimble-checkInID"),
               QString::fromStdString(id.string()));
  QVariantList arguments{
      kAppName, 0u,    QString(),    QString::fromStdString(title), QString::fromStdString(message),
      actions,  hints, kNeverExpires};
  if (ready_ && !asking_ && held_.empty()) {
    send(id, kind, std::move(arguments));
    return;
  }
  // A repost while waiting replaces the held one in its place.
  auto it = std::find_if(held_.begin(), held_.end(), [&](const Held& h) { return h.id == id; });
  if (it != held_.end())
    *it = Held{id, kind, std::move(arguments)};
  else
    held_.push_back(Held{id, kind, std::move(arguments)});
  settleHeld();
}

void NotificationService::send(const Uuid& id, Kind kind, QVariantList arguments) {
  Posted& entry = posted_[id];
  entry.kind = kind;
  entry.clearWhenPosted = false;
  if (entry.inFlight) {
    // The server has not told us the id of the first one yet; replace it
    // once it has, instead of showing two.
    entry.queued = std::move(arguments);
    return;
  }
  notify(id, std::move(arguments));
}

void NotificationService::notify(const Uuid& id, QVariantList arguments) {
  Posted& entry = posted_[id];
  arguments[1] = entry.serverId;  // replaces_id: 0 for a new notification
  // The body is the user's own text (a reminder's message, an application's
  // name): a server that reads markup in it would swallow "<b>" or stumble
  // over "&". Escaped here, as the server in place now needs it, because a
  // held or queued post may meet another server than the one it was made for.
  if (bodyMarkup_) arguments[4] = arguments[4].toString().toHtmlEscaped();
  entry.inFlight = true;
  auto message = call(QStringLiteral("Notify"), true);
  message.setArguments(arguments);
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, id](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            QDBusPendingReply<uint> reply = *w;
            // An id from a server that has gone names nothing now, or
            // another program's notification on the new one. The server
            // in place may also be one the bus started for this very post.
            const bool taken = !reply.isError() && w->reply().service() == owner_;
            auto it = posted_.find(id);
            if (it == posted_.end()) {
              // Cleared meanwhile.
              if (taken) close(reply.value());
            } else if (!taken) {
              posted_.erase(it);
            } else {
              Posted& entry = it->second;
              entry.inFlight = false;
              entry.serverId = reply.value();
              if (entry.clearWhenPosted) {
                close(entry.serverId);
                posted_.erase(it);
              } else if (entry.queued) {
                auto arguments = std::move(*entry.queued);
                entry.queued.reset();
                notify(id, std::move(arguments));
              }
            }
            settleEarlyAnswers();
          });
}

void NotificationService::clear(const Uuid& id) {
  std::erase_if(held_, [&](const Held& h) { return h.id == id; });
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
  // Not started for this: a server that left took its notifications along.
  auto message = call(QStringLiteral("CloseNotification"), false);
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

void NotificationService::settleEarlyAnswers() {
  auto early = std::move(earlyAnswers_);
  earlyAnswers_.clear();
  // Each is given now, kept again or dropped as it would be coming now.
  for (const EarlyAnswer& answer : early) actionInvoked(answer.serverId, answer.actionKey);
}

void NotificationService::actionInvoked(uint serverId, const QString& actionKey) {
  auto it = findByServerId(serverId);
  if (it == posted_.end()) {
    // Another program's notification, or one of ours whose id is still on
    // its way. Another program's answers while ours wait are few; a bound
    // keeps a flood of them from piling up.
    constexpr std::size_t kKeptAnswers = 32;
    const bool waiting = std::any_of(posted_.begin(), posted_.end(),
                                     [](const auto& posted) { return posted.second.inFlight; });
    if (waiting && serverId != 0) {
      if (earlyAnswers_.size() == kKeptAnswers) earlyAnswers_.erase(earlyAnswers_.begin());
      earlyAnswers_.push_back(EarlyAnswer{serverId, actionKey});
    }
    return;
  }
  const Uuid id = it->first;
  const std::string key = actionKey.toStdString();
  if (it->second.kind == Kind::reminder) {
    if (onAction) onAction(id, reminderActionFor(key));
  } else if (auto action = checkInActionFor(key)) {
    if (onCheckInAction) onCheckInAction(id, response(*action));
  }
}

void NotificationService::notificationClosed(uint serverId, uint /*reason*/) {
  // Dismissing answers nothing; the entry only goes so that a later post
  // makes a fresh notification.
  auto it = findByServerId(serverId);
  if (it != posted_.end() && !it->second.inFlight) posted_.erase(it);
}

}  // namespace pimble
