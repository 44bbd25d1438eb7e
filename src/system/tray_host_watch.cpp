#include "system/tray_host_watch.h"

#include <xcb/xcb.h>

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QSocketNotifier>
#include <cstdlib>

#include "system/xcb_screen.h"

namespace pimble {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int kCallTimeoutMs = 2000;

}  // namespace

struct TrayHostWatch::X {
  xcb_connection_t* c = nullptr;
  xcb_window_t root = 0;
  xcb_atom_t selection = XCB_ATOM_NONE;
  xcb_atom_t manager = XCB_ATOM_NONE;
};

TrayHostWatch::TrayHostWatch(QDBusConnection bus, const QString& display, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), x_(std::make_unique<X>()) {
  if (bus_.isConnected()) {
    auto* watcher = new QDBusServiceWatcher(
        kWatcher, bus_,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
            [this] { askStatusNotifierWatcher(); });
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { setStatusNotifierHost(false); });
    bus_.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"),
                 this, SLOT(statusNotifierHostRegistered()));
    askStatusNotifierWatcher();
  }

  // The X side: the tray's selection now, and the MANAGER message a tray
  // sends to the root window when it takes the selection later.
  const XcbScreen screen = XcbScreen::open(display);
  if (!screen.connection) return;
  x_->c = screen.connection;
  x_->root = screen.root;
  auto intern = [this](const QByteArray& atom) {
    auto* reply = xcb_intern_atom_reply(
        x_->c, xcb_intern_atom(x_->c, 0, std::uint16_t(atom.size()), atom.constData()), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
  };
  x_->selection = intern("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen.screenNumber));
  x_->manager = intern("MANAGER");
  const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(x_->c, x_->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(x_->c);
  notifier_ = new QSocketNotifier(xcb_get_file_descriptor(x_->c), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { drainXEvents(); });
  readXEmbedOwner();
}

TrayHostWatch::~TrayHostWatch() {
  if (notifier_) notifier_->setEnabled(false);
  if (x_->c) xcb_disconnect(x_->c);
}

void TrayHostWatch::askStatusNotifierWatcher() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("Get"));
  call << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *w;
    // No watcher, or one that does not answer: no host to show an icon.
    setStatusNotifierHost(!reply.isError() && reply.value().variant().toBool());
  });
}

void TrayHostWatch::statusNotifierHostRegistered() {
  setStatusNotifierHost(true);
}

void TrayHostWatch::setStatusNotifierHost(bool present) {
  if (present == statusNotifierHost_) return;
  const bool before = isAvailable();
  statusNotifierHost_ = present;
  if (isAvailable() != before && onChanged) onChanged();
}

void TrayHostWatch::readXEmbedOwner() {
  if (!x_->c || x_->selection == XCB_ATOM_NONE) return;
  auto* reply =
      xcb_get_selection_owner_reply(x_->c, xcb_get_selection_owner(x_->c, x_->selection), nullptr);
  const bool owned = reply != nullptr && reply->owner != XCB_WINDOW_NONE;
  std::free(reply);
  if (owned == xembedTray_) return;
  const bool before = isAvailable();
  xembedTray_ = owned;
  if (isAvailable() != before && onChanged) onChanged();
}

void TrayHostWatch::drainXEvents() {
  if (!x_->c || xcb_connection_has_error(x_->c)) {
    if (notifier_) notifier_->setEnabled(false);
    return;
  }
  bool manager = false;
  while (xcb_generic_event_t* event = xcb_poll_for_event(x_->c)) {
    if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
      const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
      if (message->type == x_->manager && message->format == 32 &&
          message->data.data32[1] == x_->selection)
        manager = true;
    }
    std::free(event);
  }
  if (manager) readXEmbedOwner();
}

}  // namespace pimble
