#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "companion/layers/scheduler.h"

namespace pimble {

// Where the keyboard goes around the floating panels (the character and its
// bubbles) on X11. Window managers differ: KWin leaves the keyboard where it
// is on a click that only changes a window's hints; i3 and sway focus
// whatever is clicked or left over, a panel that refuses the keyboard too.
// So a panel takes the X input focus itself on the user's press, a panel
// that refuses it hands it on when a window manager gives it one (once no
// popup of ours is open: the keyboard would take it along), and a panel
// done with it gives it back to the window the user was in. Every
// request carries the server time of the user's latest event: one without
// it (or with another clock's) makes the X server ignore a later, older one.
// The user's events are read as they come off the connection: Qt delivers
// its own input events later, after a window manager's answer to them.
// Everything does nothing off X11.
class PanelKeyboard : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  // While one lives, the user's answer in a panel is carried out: it may
  // bring another application forward (sentOn), and the keyboard then goes
  // there and nowhere first. A window manager activates another window as
  // soon as the active one goes (KWin the one before, even while it
  // activates the one asked for): a panel holding the keyboard closes as
  // the answer ends, and once another window is active when it sent the
  // user on (close).
  class Answer {
   public:
    Answer();
    ~Answer();
    Answer(const Answer&) = delete;
    Answer& operator=(const Answer&) = delete;
  };

  // The application's one, made on first use; it lives as long as the
  // application object.
  static PanelKeyboard& instance();

  // Counts the window among the panels (again on every show: once is kept);
  // its native window exists.
  void addPanel(QWidget& panel);
  // Gives a shown panel the X input focus in answer to the user's press at
  // `time` (server time), once it accepts the keyboard.
  void take(const QWidget& panel, std::uint32_t time);
  // Activates a window of ours (a panel, the settings) once it is on
  // screen, as the user's action at the time of their latest event: for a
  // window the user opened from another program's window (the intention
  // shortcut, the tray's menu, starting the program again), to which a
  // window manager need not give the keyboard. The keyboard kept on a
  // panel while a menu was open goes there, not back.
  void takeOnceShown(QWidget& window);
  // When the panel holds the keyboard, hands it back to the window the user
  // was in before (when that is still on screen).
  void giveBack(const QWidget& panel);
  // The answer being carried out brings another application forward.
  void sentOn();
  // Closes the panel by `hide`, told whether to give the keyboard back: at
  // once, unless an answer is being carried out and the panel holds the
  // keyboard; then as the answer ends, and when it sent the user on, once
  // another window is active (at most half a second later) without giving
  // it back. One panel at a time: a later close replaces one that waits.
  void close(const QWidget& panel, std::function<void(bool giveBack)> hide);
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // A window that is no panel became active, not by our handing back.
  void otherWindowActivated();

 private:
  PanelKeyboard();
  ~PanelKeyboard() override;
  void activeWindowChanged();
  // Another program's window became active just after a window of ours
  // asked for the keyboard, with no key, button or move of the user's that
  // could have chosen it: the window taking it asks again. False when this
  // is no such case.
  bool takeAgain(std::uint32_t active);
  // Whether the pointer has left the place it was at as the window asked
  // for the keyboard, and now lies in `window`: where the focus follows the
  // mouse, the user's move there.
  bool pointerMovedInto(std::uint32_t window) const;
  // Whether a pointer at (x, y) on the root window is where it was as the
  // window asked for the keyboard, in that while.
  bool pointerStill(int x, int y) const;
  // Ends that while; the user's keys and buttons anywhere are watched only then.
  void settled();
  void watchUserInput(bool on);
  QWidget* panelOf(std::uint32_t window) const;
  // Whether the panel has the X input focus or is the active window.
  bool holds(const QWidget& panel);
  // Activates the window as a pager does for the user, and gives it the X
  // input focus, both at `time`; false when it is not on screen.
  bool focus(std::uint32_t window, std::uint32_t time);
  // The window the keyboard goes back to.
  std::uint32_t back() const;
  // Gives the keyboard back to that window.
  void handBack();
  // An input event of the user's at `time`; `chose`: a press or a move,
  // not the release of one.
  void noteUserTime(std::uint32_t time, bool chose = true);
  // Closes the panel that waits to, if it still exists.
  void closed(bool giveBack);
  // An event of the user's input: its server time, and whether it is a
  // press or a move rather than the release of one. None for another event.
  struct UserInput {
    std::uint32_t time;
    bool chose;
  };
  std::optional<UserInput> userInput(const void* event) const;
  // Gives the panel waiting for it the keyboard once its window is on screen.
  void shown(std::uint32_t window);
  // Makes the panel that the X focus reached Qt's active window again
  // where Qt did not take that focus for news.
  void activeAgain(QWidget& panel);
  // Hands the keyboard on from a panel that refuses it and that the window
  // manager made active, once no popup of ours is open.
  void handOn();

  std::vector<QPointer<QWidget>> panels_;
  std::uint32_t root_ = 0;
  std::uint32_t activeAtom_ = 0;  // _NET_ACTIVE_WINDOW
  std::uint32_t time_ = 0;        // the server time of the latest event seen
  std::uint8_t inputOpcode_ = 0;  // XInput's events, Qt's pointer events
  // The last active window that is no panel: where the keyboard goes back to.
  std::uint32_t userWindow_ = 0;
  // The last active window of another program: where it goes back to once
  // a window of ours (the settings) is gone.
  std::uint32_t appWindow_ = 0;
  // The window to give the keyboard once it is on screen, and the time of
  // the user's action that opened it.
  QPointer<const QWidget> takeOnShow_;
  std::uint32_t takeOnShowTime_ = 0;
  // The window asked for the keyboard, where the pointer was then, how
  // often it asked again, and how long another window's activation is no
  // move of the user's (takeAgain).
  QPointer<const QWidget> taking_;
  std::optional<QPoint> pointerAtTaking_;
  int takenAgain_ = 0;
  // The window asked for that is no panel: it gives the keyboard back to
  // the user's window itself as it closes.
  QPointer<QWidget> givesBackOnClose_;
  // The active window last seen, and whether its activation was taken back.
  std::uint32_t lastActive_ = 0;
  bool lastTakenBack_ = false;
  ScheduledWork takingSettles_;
  bool watchingInput_ = false;
  int answers_ = 0;  // `Answer`s alive
  bool sentOn_ = false;
  // The panel that closes once the answer is done, or once another window
  // is active (while `closeAnyway_` is pending).
  QPointer<const QWidget> closing_;
  std::function<void(bool)> close_;
  QtScheduler scheduler_;
  ScheduledWork closeAnyway_;
  // The window the keyboard was handed to, until it is active.
  std::uint32_t handedTo_ = 0;
  // Panels handed on since the user's last input: a window manager that
  // insists on activating a panel is not answered for ever.
  int handedOn_ = 0;
  // A panel that refuses the keyboard was made active: hand it on.
  bool handOnPending_ = false;
};

}  // namespace pimble
