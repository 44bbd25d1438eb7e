#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace pimble {

// Tells once of the pointer's next movement anywhere on the X display, from
// XInput 2 raw motion events on a connection of our own. Between a request
// and the movement nothing runs at all, so a still pointer costs nothing;
// after the report the events are switched off again, so a moving pointer
// does not wake the program at the mouse's own rate. Without an X server or
// XInput 2.2 nothing can be watched.
class PointerMotionWatch : public QObject {
  Q_OBJECT

 public:
  // Connects to $DISPLAY, or to `display` when given.
  explicit PointerMotionWatch(const QString& display = {}, QObject* parent = nullptr);
  ~PointerMotionWatch() override;

  bool isAvailable() const;
  // Calls `onMotion` once, on the main thread, at the next movement, and
  // replaces an earlier request. False when nothing can be watched.
  bool watchOnce(std::function<void()> onMotion);
  // Drops the pending request.
  void cancel();
  bool isWatching() const { return static_cast<bool>(onMotion_); }

 private:
  void select(bool on);
  void drainEvents();

  struct Connection;
  std::unique_ptr<Connection> x_;
  QSocketNotifier* notifier_ = nullptr;
  std::function<void()> onMotion_;
};

}  // namespace pimble
