#pragma once

// Our own connection to the X server for reading other programs' windows
// through EWMH: the active window, the client list, a window's pid, class,
// state and geometry, the monitors, and activation requests. Root property
// changes arrive through the Qt event loop. Without an X server every read
// answers nothing.

#include <sys/types.h>
#include <QObject>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;

namespace pimble {

using WindowId = std::uint32_t;

class X11Windows : public QObject {
  Q_OBJECT

 public:
  // Connects to $DISPLAY, or to `display` when given.
  explicit X11Windows(const QString& display = {}, QObject* parent = nullptr);
  ~X11Windows() override;

  bool isConnected() const;

  WindowId activeWindow();
  // Managed windows in the order they were mapped (_NET_CLIENT_LIST), or in
  // stacking order, bottom first (_NET_CLIENT_LIST_STACKING).
  std::vector<WindowId> clientList(bool stacking = false);
  std::optional<pid_t> windowPid(WindowId window);
  // WM_CLASS as {instance, class}; empty parts when missing.
  std::pair<QString, QString> windowClass(WindowId window);
  QString gtkApplicationId(WindowId window);
  // A normal window that belongs in a taskbar (type normal or unset, no
  // skip-taskbar state).
  bool isTaskbarWindow(WindowId window);
  bool isFullscreenState(WindowId window);
  // The desktop background or a panel, which never counts as an application window.
  bool isDesktopElement(WindowId window);
  // A window the user works in, as in any application's main window or
  // dialog: its type is normal or dialog, or it gives none. Not a utility
  // window, tool bar, menu, splash or notification.
  bool isWorkWindow(WindowId window);
  // Mapped, viewable and not minimized.
  bool isShown(WindowId window);
  // _NET_WM_WINDOW_OPACITY as 0…1, when set.
  std::optional<double> opacity(WindowId window);
  // The window's area in root coordinates (physical pixels), when known.
  std::optional<QRect> rootGeometry(WindowId window);
  // The RandR monitors (or the whole root window without RandR 1.5).
  std::vector<QRect> monitors();
  std::optional<std::uint32_t> currentDesktop();

  // Asks the window manager to activate the window as a pager does: when
  // the window is on another desktop, the user is taken there first. The
  // requests carry the server's time, taken now, on the user's action.
  void requestActivation(WindowId window);

  // Root property changes, delivered on the main thread.
  std::function<void()> onActiveWindowChanged;
  std::function<void()> onClientListChanged;
  std::function<void()> onCurrentDesktopChanged;

 private:
  void drainEvents();
  void scheduleDrain();
  void noteProperty(std::uint32_t window, std::uint32_t atom);
  std::uint32_t serverTime();

  struct Connection;
  std::unique_ptr<Connection> x_;
  QSocketNotifier* notifier_ = nullptr;
  bool drainScheduled_ = false;
  // Root property changes seen but not yet reported.
  bool activeChanged_ = false, clientsChanged_ = false, desktopChanged_ = false;
};

}  // namespace pimble
