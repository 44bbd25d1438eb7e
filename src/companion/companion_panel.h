#pragma once

#include <QRegion>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace pimble {

class FramePresenter;
class WindowShape;

// The character's window: a frameless, translucent tool window that never
// takes focus, shows on every workspace, stays out of the taskbar and pager,
// floats above other windows while asked to, and answers the mouse only
// inside its input region.
class CompanionPanel : public QWidget {
  Q_OBJECT
 public:
  CompanionPanel();
  ~CompanionPanel() override;

  // Above other windows (the window manager's above state), switched
  // without re-mapping the window.
  void setAlwaysOnTop(bool on);
  bool alwaysOnTop() const { return alwaysOnTop_; }

  // Where the mouse reaches the window, in its device pixels.
  void setInputRegion(const QRegion& region);
  const QRegion& inputRegion() const { return inputRegion_; }

  // Where no compositing manager blends the window's soft edges with the
  // desktop, the window is cut to this region (device pixels): the pixels of
  // the current frame at least half opaque. With one it stays whole.
  void setBoundingMask(const QRegion& region);
  // Whether the window is cut to its bounding mask now.
  bool isShaped() const;
  // A compositing manager started (false) or stopped (true).
  std::function<void(bool)> onShapedChanged;

  // Where the X server takes the window's frames as they are painted, they
  // go to it directly rather than through Qt (attached when the window first
  // shows).
  FramePresenter& framePresenter() const { return *presenter_; }

  // The window became visible on screen or fully hidden (unmapped,
  // minimised or covered, as far as the window system tells).
  std::function<void(bool)> onExposedChanged;
  // The shown window moved, by the program or the window manager.
  std::function<void()> onMoved;

  // Where the window manager has the window now (Qt's coordinates), which
  // is not always where it was asked to go; none off X11.
  std::optional<QPoint> placedAt() const;

  void setVisible(bool visible) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  QPaintEngine* paintEngine() const override;

 private:
  void applyInputRegion();
  void watchExposure();

  bool alwaysOnTop_ = true;
  QRegion inputRegion_;
  std::unique_ptr<WindowShape> shape_;
  std::unique_ptr<FramePresenter> presenter_;
  bool exposed_ = false;
  bool watching_ = false;
};

}  // namespace pimble
