#pragma once

#include <QPainterPath>
#include <QPoint>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "companion/alpha_mask.h"
#include "companion/hosted_figure.h"
#include "companion/layers/frame_driver.h"
#include "companion/pet_recognizer.h"

namespace pimble {

class FramePresenter;

// The character's view: scales the 220 × 310 canvas to its height (centred
// across), keeps the pictures drawn at the screen's real pixel density,
// answers the mouse only on the body (plus a margin), and turns mouse events
// into gestures reported through the on… callbacks. Screen points in the
// callbacks are y-up.
class GlimmetHostView : public QWidget {
  Q_OBJECT
 public:
  static constexpr double canvasWidth = 220;
  static constexpr double canvasHeight = 310;

  // `uptime` (monotonic seconds) times petting; the default is the process's.
  explicit GlimmetHostView(std::unique_ptr<HostedFigure> figure, QWidget* parent = nullptr,
                           std::function<double()> uptime = {});
  ~GlimmetHostView() override;

  HostedFigure& figure() const { return *figure_; }

  std::function<void()> onClick;
  std::function<void()> onDoubleClick;
  // A right press, with the pointer in Qt's global coordinates (where a menu
  // pops up).
  std::function<void(QPoint)> onRightClick;
  std::function<void()> onDragBegan;
  // One drag step: the pointer's movement since the previous step.
  std::function<void(QSizeF)> onDrag;
  std::function<void()> onDragEnded;
  // Set only while petting is on.
  std::function<void()> onPet;
  // The area answering the mouse changed (size or pictures).
  std::function<void()> onHitAreaChanged;
  // While frame masks are on: the pixels of the frame being painted that are
  // at least half opaque (device pixels of the view), whenever they differ
  // from the last frame's. Called before the frame reaches the screen.
  std::function<void(const QRegion&)> onFrameMask;
  // Once the figure, having drawn a run of new pictures (a behaviour, a
  // reaction, a flight), has drawn none for a few seconds: the memory of the
  // pictures it let go can be handed back then.
  std::function<void()> onPicturesSettled;
  static constexpr double picturesSettleSeconds = 3;
  // Fewer pictures than this (a blink's, a glance's) are not a run.
  static constexpr long picturesInARun = 8;

  // Canvas mapping for a view of this size, in the view's y-down pixels.
  static double viewScale(QSizeF bounds);
  static double canvasLeft(QSizeF bounds);
  static QPointF canvasPoint(QPointF local, QSizeF bounds);

  // Paints a character tree at media time `time` onto `painter`, whose
  // device shows a view of `size` (cleared beforehand).
  static void paintFrame(QPainter& painter, const Layer& root, QSizeF size, double time);

  // Keeps the character's painting on the main thread (see the .cpp); the
  // view calls it when created, other painters of the character may too.
  static void keepPaintingOnMainThread();

  // Whether a point of the view (y down) lies on the body or its margin.
  bool hitsBody(QPointF local) const;
  // The area answering the mouse, in device pixels of the view at `pixelRatio`.
  QRegion hitRegion(double pixelRatio) const;
  // Pixel scale at which the current pictures were drawn (0 before the first).
  double spriteScale() const { return spriteScale_; }
  // Remakes the pictures when the pixel scale changed by more than 0.01.
  void refreshSpritesIfNeeded();
  bool isDragging() const { return dragging_; }
  // Where no compositor blends the window's soft edges, the window is cut to
  // what is drawn: each frame's mask is then taken as it is painted, before
  // it shows. Turning it on paints a frame at once.
  void setReportsFrameMask(bool on);
  bool reportsFrameMask() const { return reportsFrameMask_; }
  // Where the window's frames go to the screen directly (the view fills its
  // window); null paints through Qt. Outlives the view, or is reset first.
  void setFramePresenter(FramePresenter* presenter);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  QPaintEngine* paintEngine() const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // The body and a 12-unit band around its outline, in canvas units. Kept
  // apart rather than merged: summing both under one winding rule can cancel
  // out where they overlap.
  struct HitShape {
    QPainterPath body;
    QPainterPath band;
  };
  const HitShape& hitShape() const;
  bool hitsCanvas(QPointF canvas) const;
  double backingScale() const;
  QPointF screenPoint(const QMouseEvent* event) const;
  void watchScreen();
  bool presentsItself() const;
  // Paints a frame at once: straight to the screen where the frames go there
  // directly, through Qt otherwise.
  void paintNow();
  // A frame soon (the next the driver allows).
  void requestFrame();
  void presentFrame(const Layer& root);
  void reportFrameMask(QPainter& painter, const Layer& root);
  void reportFrameMask(const QImage& frame);
  void notePictureDraws();

  std::unique_ptr<HostedFigure> figure_;
  // Repaints while something in the tree moves; off while hidden.
  std::unique_ptr<FrameDriver> frames_;
  std::function<double()> uptime_;
  PetRecognizer pet_;
  double spriteScale_ = 0;
  mutable std::optional<HitShape> hitShape_;
  // The figure's picture count at the last frame, when the current run of
  // new pictures began (none while the figure rests on its cached ones), and
  // when the last new picture was drawn.
  long pictureDraws_ = 0;
  std::optional<long> runStartDraws_;
  double lastPictureAt_ = 0;
  // Left-button state: the press that started on the body, if any.
  bool pressed_ = false;
  int clickCount_ = 0;
  bool dragging_ = false;
  QPointF mouseDownScreenPoint_;
  QPointF lastDragScreenPoint_;
  double lastDoubleClickAt_ = -1e9;
  bool watchingScreen_ = false;
  bool reportsFrameMask_ = false;
  // The mask last reported; none until a frame was painted.
  std::optional<AlphaMask> frameMask_;
  // Where each frame's mask is read before it is compared with that one.
  AlphaMask nextFrameMask_;
  FramePresenter* presenter_ = nullptr;
};

}  // namespace pimble
