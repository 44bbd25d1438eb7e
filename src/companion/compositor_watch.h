#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>

namespace pimble {

// Whether a compositing manager blends the program's translucent windows
// with what lies beneath. On X11 that is whoever owns the selection
// _NET_WM_CM_S<screen>; the X server tells of every change of its owner
// (XFixes selection notifications), so a compositor started or stopped while
// the program runs is seen at once, without polling. Off X11 (Wayland, the
// offscreen platform) windows always count as composited.
class CompositorWatch : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  // The application's one watch, made on first use; it lives as long as the
  // application object.
  static CompositorWatch& instance();

  bool compositing() const { return compositing_; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  void compositingChanged(bool compositing);

 private:
  CompositorWatch();
  ~CompositorWatch() override;
  void setCompositing(bool compositing);

  bool compositing_ = true;
  std::uint32_t selection_ = 0;  // the _NET_WM_CM_S<screen> atom
  std::uint8_t firstEvent_ = 0;  // of the XFixes extension
  bool watching_ = false;
};

}  // namespace pimble
