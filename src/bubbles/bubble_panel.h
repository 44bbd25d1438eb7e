#pragma once

#include <QWidget>
#include <functional>
#include <memory>

namespace pimble {

class BubbleView;
class WindowShape;

// The speech bubble's window: frameless, translucent, out of the taskbar.
// It starts out refusing the keyboard, so a bubble the program shows on its
// own never takes the keys from whatever the user is typing in; a click on
// it (or content the user asked for) lets it take the keyboard.
class BubblePanel : public QWidget {
  Q_OBJECT
 public:
  BubblePanel();
  ~BubblePanel() override;

  void setView(BubbleView* view);
  // Lets the window take the keyboard and asks to be activated.
  void takeFocus();
  // Back to refusing the keyboard, for the next bubble.
  void refuseFocus();
  bool acceptsFocus() const { return acceptsFocus_; }
  // Floats above other windows (the window manager's above state), switched
  // without re-mapping the window.
  void setAlwaysOnTop(bool on);
  bool alwaysOnTop() const { return alwaysOnTop_; }
  void setVisible(bool visible) override;
  // Whether the window is cut to the bubble's outline: where no compositor
  // blends its rounded corners, tail and shadow with the desktop.
  bool isShaped() const;

  // The shown window moved, by the program or the window manager.
  std::function<void()> onMoved;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void setFlag(Qt::WindowType flag, bool on);
  void updateShape();

  BubbleView* view_ = nullptr;
  bool acceptsFocus_ = false;
  bool alwaysOnTop_ = true;
  std::unique_ptr<WindowShape> shape_;
};

}  // namespace pimble
