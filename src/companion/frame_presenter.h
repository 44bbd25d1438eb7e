#pragma once

#include <QAbstractNativeEventFilter>
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

namespace pimble {

// Puts the frames of a translucent top-level window on an X server itself,
// instead of through Qt's backing store. Qt shares the backing store's
// pixels with the X server (MIT-SHM) and, before it paints the next frame
// into them, waits for the server to have read them: a round trip that wakes
// both of our X threads on every frame of an animation that runs all day.
// Here a frame travels in its request (PutImage, on Qt's own connection, so
// it stays in order with the window's other requests), nothing is waited
// for, and the last frame is kept to answer the window's exposures without
// painting again.
class FramePresenter : public QAbstractNativeEventFilter {
 public:
  explicit FramePresenter(QWidget& window);
  ~FramePresenter() override;
  FramePresenter(const FramePresenter&) = delete;
  FramePresenter& operator=(const FramePresenter&) = delete;

  // Takes over the window's pixels, once its native window exists and
  // before it shows, where the X server takes them as painted (a 32-bit
  // visual with alpha, in this machine's byte order); Qt keeps painting the
  // window everywhere else. Again after the native window was made anew.
  bool attach();
  bool isAttached() const { return window_ != 0; }

  // The picture to paint the next frame into, cleared: the window's device
  // pixels at `ratio`. Kept until the next frame.
  QImage& beginFrame(QSize logicalSize, double ratio);
  // Sends the frame painted into that picture, after whatever the window was
  // asked for while it was painted (a new outline goes first): the part that
  // can differ from the last frame on screen.
  void present();
  // The window became exposed (as Qt sees it): frames sent before went
  // nowhere, so the last one is sent again, or one is asked for.
  void windowExposed();

  // An exposure came before any frame was sent: one is wanted now.
  std::function<void()> onFrameWanted;

  // The bounding box of a frame's pixels that are not fully clear.
  static QRect paintedArea(const QImage& frame);

  // Requests sent for frames and exposures so far (for tests and benches).
  long framesPresented() const { return framesPresented_; }
  long exposuresAnswered() const { return exposuresAnswered_; }
  long exposuresCovered() const { return exposuresCovered_; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  void detach();
  // Sends the part of the last frame that `area` (device pixels) covers.
  void presentAgain(const QRegion& area);
  // Whether frames still go to the native window taken over.
  bool windowIsCurrent();
  // PutImage of `area` of the kept frame, widened to whole rows when asked;
  // the sequence number of its first request (0 when nothing was sent).
  std::uint32_t put(const QRect& area, bool wholeRows);

  QWidget& widget_;
  std::uint32_t window_ = 0;
  std::uint32_t gc_ = 0;
  QImage frame_;
  std::vector<quint32> scratch_;
  bool framed_ = false;
  // The painted area of the last frame sent; the whole frame once the
  // frame is made anew.
  QRect lastPainted_;
  // What the last frame sent.
  QRect lastFrameArea_;
  // The first request of the last frame sent whole: an exposure the server
  // made before it (a new outline shows more of the window) is covered by
  // that frame; one made after needs its pixels sent again.
  std::uint32_t lastFrameSequence_ = 0;
  // The exposure being gathered (the server sends it as a series).
  QRegion exposed_;
  bool exposedAfterFrame_ = false;
  // Whether the exposure being gathered is kept from Qt.
  bool answering_ = false;
  long framesPresented_ = 0;
  long exposuresAnswered_ = 0;
  long exposuresCovered_ = 0;
};

}  // namespace pimble
