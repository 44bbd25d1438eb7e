#pragma once

// Seconds since the user's last keyboard or mouse input. The first source
// that answers wins: the X Screen Saver extension, then GNOME's Mutter
// IdleMonitor, then org.freedesktop.ScreenSaver (on a Wayland session the
// X extension only sees XWayland's clients and is left out). The D-Bus sources are asked
// asynchronously; between answers the last one is counted forward. With no
// source at all the answer is 0 (the user counts as present).

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <memory>
#include <optional>

namespace pimble {

class IdleTime : public QObject {
  Q_OBJECT

 public:
  struct Sources {
    bool x11 = true;
    bool mutter = true;
    bool screenSaver = true;
  };

  explicit IdleTime(QObject* parent = nullptr);
  IdleTime(Sources sources, QObject* parent = nullptr);
  ~IdleTime() override;

  double idleSeconds();

 private:
  enum class Backend { mutter, screenSaver, none };
  std::optional<double> queryX11();
  void askBus();
  void busAnswered(Backend backend, std::optional<double> seconds);
  Backend nextBackend(Backend after) const;

  Sources sources_;
  struct X11;
  std::unique_ptr<X11> x11_;
  Backend backend_ = Backend::mutter;
  bool asking_ = false;
  std::optional<double> lastAnswer_;
  QElapsedTimer sinceAnswer_;
  QElapsedTimer sinceGaveUp_;
};

}  // namespace pimble
