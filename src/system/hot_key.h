#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <functional>

namespace pimble {

// The global shortcut Ctrl+Alt+I, grabbed on the X root window (also with
// Caps Lock and Num Lock on, which the server counts as modifiers) on the
// key that types "i" in the layout in force, or where none does (a layout
// without Latin letters) on the key in I's place. The grab is checked at once,
// so the caller knows whether another program holds the combination.
// Presses are read through Qt's native event filter and handed to
// `onPressed` through the event loop. When the keyboard mapping changes
// (another layout, the desktop's keyboard settings) the grab moves to the
// key that now stands for I and lets the old one go.
class HotKey : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  explicit HotKey(QObject* parent = nullptr);
  ~HotKey() override;
  HotKey(const HotKey&) = delete;
  HotKey& operator=(const HotKey&) = delete;

  // Grabs the key; false (and nothing held) without X or when another client
  // holds it. Registering again first lets the old grab go.
  bool registerKey(std::function<void()> onPressed);
  void unregisterKey();
  // From a successful registerKey until unregisterKey. That stays so while a
  // new layout puts "i" on a key another program holds: the grab is off
  // then, and the next change of the mapping tries again.
  bool isRegistered() const { return registered_; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  bool grab();
  void release();
  void followMapping();

  std::function<void()> onPressed_;
  bool registered_ = false;
  bool grabbed_ = false;
  bool followQueued_ = false;
  unsigned keycode_ = 0;
  unsigned numLockMask_ = 0;
  unsigned root_ = 0;
  int xkbEvent_ = -1;
};

}  // namespace pimble
