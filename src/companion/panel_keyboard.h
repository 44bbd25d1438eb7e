#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace pimble {

// Where the keyboard goes around the floating panels (the character and its
// bubbles) on X11. Window managers differ: KWin leaves the keyboard where it
// is on a click that only changes a window's hints; i3 and sway focus
// whatever is clicked or left over, a panel that refuses the keyboard too.
// So a panel takes the X input focus itself on the user's press, a panel
// that refuses it hands it on as soon as a window manager gives it one, and
// a panel done with it gives it back to the window the user was in. Every
// request carries the server time of the user's latest event: one without
// it (or with another clock's) makes the X server ignore a later, older one.
// Everything does nothing off X11.
class PanelKeyboard : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  // The application's one, made on first use; it lives as long as the
  // application object.
  static PanelKeyboard& instance();

  // Counts the window among the panels (again on every show: once is kept);
  // its native window exists.
  void addPanel(QWidget& panel);
  // Gives a shown panel the X input focus in answer to the user's press at
  // `time` (server time), once it accepts the keyboard.
  void take(const QWidget& panel, std::uint32_t time);
  // When the panel holds the keyboard, hands it back to the window the user
  // was in before (when that is still on screen).
  void giveBack(const QWidget& panel);

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  // A window that is no panel became active, not by our handing back.
  void otherWindowActivated();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PanelKeyboard();
  ~PanelKeyboard() override;
  void activeWindowChanged();
  const QWidget* panelOf(std::uint32_t window) const;
  bool holds(const QWidget& panel);
  void focus(std::uint32_t window);
  void noteUserTime(std::uint32_t time);

  std::vector<QPointer<QWidget>> panels_;
  std::uint32_t root_ = 0;
  std::uint32_t activeAtom_ = 0;  // _NET_ACTIVE_WINDOW
  std::uint32_t time_ = 0;        // the server time of the latest event seen
  // The last active window that is no panel: where the keyboard goes back to.
  std::uint32_t userWindow_ = 0;
  // The window the keyboard was handed to, until it is active.
  std::uint32_t handedTo_ = 0;
  // Panels handed on since the user's last input: a window manager that
  // insists on activating a panel is not answered for ever.
  int handedOn_ = 0;
};

}  // namespace pimble
