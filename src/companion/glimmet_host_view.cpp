#include "companion/glimmet_host_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPathStroker>
#include <QScreen>
#include <QStyleHints>
#include <QThreadPool>
#include <QWindow>
#include <cmath>
#include <utility>

#include "companion/frame_presenter.h"
#include "companion/screen_space.h"
#include "companion/uptime.h"

namespace pimble {
namespace {

// Assistive technologies see the character as a button whose press is a
// click.
class HostViewAccessible : public QAccessibleWidget {
 public:
  explicit HostViewAccessible(GlimmetHostView* view)
      : QAccessibleWidget(view, QAccessible::Button) {}
  void doAction(const QString& action) override {
    if (action != pressAction()) return QAccessibleWidget::doAction(action);
    auto* view = static_cast<GlimmetHostView*>(widget());
    if (view->onClick) view->onClick();
  }
};

QAccessibleInterface* hostViewAccessible(const QString&, QObject* object) {
  auto* view = qobject_cast<GlimmetHostView*>(object);
  return view != nullptr ? new HostViewAccessible(view) : nullptr;
}

// Only the upper part of the canvas counts for petting: the head.
constexpr double petMaxCanvasY = 165;
constexpr double dragSlop = 3.0;

}  // namespace

GlimmetHostView::GlimmetHostView(std::unique_ptr<HostedFigure> figure, QWidget* parent,
                                 std::function<double()> uptime)
    : QWidget(parent),
      figure_(std::move(figure)),
      uptime_(uptime ? std::move(uptime) : std::function<double()>(uptimeSeconds)),
      pet_(uptime_) {
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_NoSystemBackground);
  keepPaintingOnMainThread();
  if (LayerPtr root = figure_->rootLayer()) {
    // Painted at once: the driver paces the frames already, and a posted
    // update would add an event and a wait to each.
    frames_ = std::make_unique<FrameDriver>(root, [this] { paintNow(); });
  }
  static const bool accessibleInstalled = [] {
    QAccessible::installFactory(hostViewAccessible);
    return true;
  }();
  (void)accessibleInstalled;
  setAccessibleName(QStringLiteral("Pimble Glimmet"));
  setAccessibleDescription(
      QStringLiteral("Click to say hi. Double-click for quick actions. Drag to move."));
}

GlimmetHostView::~GlimmetHostView() {
  // The driver's pending frame must not reach a view being torn down.
  frames_.reset();
}

void GlimmetHostView::keepPaintingOnMainThread() {
  // Qt's raster engine splits every fill taller than about a hundred rows
  // across the global thread pool, one task per 64 rows, and waits for them.
  // For a window this small the hand-offs (wake-ups, context switches, cold
  // caches) cost more than the split saves, on every frame of an animation
  // that runs all day. The pool is only the raster engine's here: nothing
  // else in the program runs on it, so one thread is the whole price.
  QThreadPool::globalInstance()->setMaxThreadCount(1);
}

double GlimmetHostView::viewScale(QSizeF bounds) {
  return bounds.height() > 0 ? bounds.height() / canvasHeight : 1.0;
}

double GlimmetHostView::canvasLeft(QSizeF bounds) {
  return (bounds.width() - canvasWidth * viewScale(bounds)) / 2;
}

QPointF GlimmetHostView::canvasPoint(QPointF local, QSizeF bounds) {
  const double s = viewScale(bounds);
  // The view's y-up coordinate is the distance from its bottom edge.
  const double upY = bounds.height() - local.y();
  return {(local.x() - canvasLeft(bounds)) / s, canvasHeight - upY / s};
}

const GlimmetHostView::HitShape& GlimmetHostView::hitShape() const {
  if (!hitShape_) {
    HitShape shape;
    shape.body = figure_->bodyPath();
    shape.body.setFillRule(Qt::WindingFill);
    QPainterPathStroker stroker;
    stroker.setWidth(24);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setMiterLimit(1);
    shape.band = stroker.createStroke(shape.body);
    shape.band.setFillRule(Qt::WindingFill);
    hitShape_ = std::move(shape);
  }
  return *hitShape_;
}

bool GlimmetHostView::hitsCanvas(QPointF canvas) const {
  const HitShape& shape = hitShape();
  return shape.body.contains(canvas) || shape.band.contains(canvas);
}

bool GlimmetHostView::hitsBody(QPointF local) const {
  if (local.x() < 0 || local.y() < 0 || local.x() >= width() || local.y() >= height()) {
    return false;
  }
  return hitsCanvas(canvasPoint(local, size()));
}

QRegion GlimmetHostView::hitRegion(double pixelRatio) const {
  if (width() <= 0 || height() <= 0 || !(pixelRatio > 0)) return {};
  const QSize pixels(int(std::ceil(width() * pixelRatio)), int(std::ceil(height() * pixelRatio)));
  QImage mask(pixels, QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  {
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double s = viewScale(size());
    p.scale(pixelRatio, pixelRatio);
    p.translate(canvasLeft(size()), height() - canvasHeight * s);
    p.scale(s, s);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const HitShape& shape = hitShape();
    p.drawPath(shape.body);
    p.drawPath(shape.band);
  }
  return QRegion(QBitmap::fromImage(mask.createAlphaMask()));
}

double GlimmetHostView::backingScale() const {
  if (const QWidget* top = window(); top != nullptr && top->windowHandle() != nullptr) {
    return top->windowHandle()->devicePixelRatio();
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->devicePixelRatio();
  return 2.0;
}

void GlimmetHostView::refreshSpritesIfNeeded() {
  const double k = std::round(backingScale() * viewScale(size()) * 100) / 100;
  if (!(k > 0) || std::abs(k - spriteScale_) <= 0.01) return;
  spriteScale_ = k;
  hitShape_.reset();
  figure_->renderSprites(k);
  requestFrame();
  if (onHitAreaChanged) onHitAreaChanged();
}

void GlimmetHostView::watchScreen() {
  if (watchingScreen_) return;
  QWindow* handle = window()->windowHandle();
  if (handle == nullptr) return;
  watchingScreen_ = true;
  // A move to a screen of another density remakes the pictures.
  connect(handle, &QWindow::screenChanged, this, [this] { refreshSpritesIfNeeded(); });
}

void GlimmetHostView::paintEvent(QPaintEvent*) {
  LayerPtr root = figure_->rootLayer();
  if (!root) return;
  if (presentsItself()) {
    presentFrame(*root);
  } else {
    QPainter p(this);
    paintFrame(p, *root, size(), figure_->mediaTime());
    if (reportsFrameMask_) reportFrameMask(p, *root);
  }
  notePictureDraws();
}

void GlimmetHostView::notePictureDraws() {
  if (!onPicturesSettled) return;
  const long draws = figure_->pictureDraws();
  // Most frames show cached pictures with no run to watch: no clock read.
  if (draws == pictureDraws_ && !runStartDraws_) return;
  const double now = uptime_();
  if (draws != pictureDraws_) {
    if (!runStartDraws_) runStartDraws_ = pictureDraws_;
    pictureDraws_ = draws;
    lastPictureAt_ = now;
    return;
  }
  if (now - lastPictureAt_ < picturesSettleSeconds) return;
  const long drawn = draws - *runStartDraws_;
  runStartDraws_.reset();
  if (drawn >= picturesInARun) onPicturesSettled();
}

void GlimmetHostView::setFramePresenter(FramePresenter* presenter) {
  presenter_ = presenter;
  // An exposure before the first frame asks for one.
  if (presenter_ != nullptr) presenter_->onFrameWanted = [this] { paintNow(); };
}

bool GlimmetHostView::presentsItself() const {
  // A grab or render paints through Qt's redirection even then.
  return presenter_ != nullptr && presenter_->isAttached() && redirected(nullptr) == nullptr &&
         sharedPainter() == nullptr;
}

QPaintEngine* GlimmetHostView::paintEngine() const {
  return presentsItself() ? nullptr : QWidget::paintEngine();
}

void GlimmetHostView::paintNow() {
  const LayerPtr root = figure_->rootLayer();
  // Qt sends no paint events of its own to a view that paints on screen.
  if (root && presentsItself()) {
    if (!isVisible()) return;
    QPaintEvent event(rect());
    paintEvent(&event);
  } else {
    repaint();
  }
}

void GlimmetHostView::requestFrame() {
  if (frames_ && presentsItself()) {
    frames_->setNeedsDisplay();
  } else {
    update();
  }
}

void GlimmetHostView::presentFrame(const Layer& root) {
  QImage& frame = presenter_->beginFrame(window()->size(), devicePixelRatioF());
  {
    QPainter p(&frame);
    p.translate(mapTo(window(), QPoint(0, 0)));
    paintFrame(p, root, size(), figure_->mediaTime());
  }
  // The new outline goes out before the frame that fills it.
  if (reportsFrameMask_) reportFrameMask(frame);
  presenter_->present();
}

void GlimmetHostView::setReportsFrameMask(bool on) {
  if (on == reportsFrameMask_) return;
  reportsFrameMask_ = on;
  frameMask_.reset();
  // The window is cut to the new mask before this frame shows.
  if (on) paintNow();
}

void GlimmetHostView::reportFrameMask(QPainter& painter, const Layer& root) {
  // The frame is read where it was just painted, the window's backing
  // store, before it reaches the screen.
  const QPaintDevice* device =
      painter.paintEngine() != nullptr ? painter.paintEngine()->paintDevice() : nullptr;
  QImage frame;
  const auto* target = device != nullptr && device->devType() == QInternal::Image
                           ? static_cast<const QImage*>(device)
                           : nullptr;
  if (target != nullptr && target->hasAlphaChannel() && target->depth() == 32) {
    const QRect area =
        painter.deviceTransform().mapRect(QRectF(rect())).toAlignedRect() & target->rect();
    if (area.isEmpty()) return;
    frame = QImage(target->constScanLine(area.top()) + std::ptrdiff_t(area.left()) * 4,
                   area.width(), area.height(), target->bytesPerLine(), target->format());
  } else {
    // Another kind of device, or one without alpha (an X server without
    // translucent windows): the frame is painted once more to be read.
    const double ratio = devicePixelRatioF();
    frame = QImage(QSize(int(std::ceil(width() * ratio)), int(std::ceil(height() * ratio))),
                   QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(ratio);
    frame.fill(Qt::transparent);
    QPainter p(&frame);
    paintFrame(p, root, size(), figure_->mediaTime());
  }
  reportFrameMask(frame);
}

void GlimmetHostView::reportFrameMask(const QImage& frame) {
  nextFrameMask_.read(frame);
  // Only a changed mask is reported: the window's shape is sent to the X
  // server only then.
  if (nextFrameMask_ == frameMask_) return;
  // The two masks trade places, each keeping its memory for the frames to
  // come.
  if (!frameMask_) frameMask_.emplace();
  std::swap(*frameMask_, nextFrameMask_);
  if (onFrameMask) onFrameMask(frameMask_->region());
}

void GlimmetHostView::paintFrame(QPainter& painter, const Layer& root, QSizeF size, double time) {
  if (size.isEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const double s = viewScale(size);
  painter.translate(canvasLeft(size), size.height() - canvasHeight * s);
  painter.scale(s, s);
  root.paint(painter, time);
  painter.restore();
}

void GlimmetHostView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  requestFrame();
  refreshSpritesIfNeeded();
  if (onHitAreaChanged) onHitAreaChanged();
}

void GlimmetHostView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (frames_) frames_->setEnabled(true);
  watchScreen();
  refreshSpritesIfNeeded();
}

void GlimmetHostView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (frames_) frames_->setEnabled(false);
}

void GlimmetHostView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ParentChange) watchingScreen_ = false;
}

bool GlimmetHostView::event(QEvent* event) {
  if (event->type() == QEvent::ScreenChangeInternal) refreshSpritesIfNeeded();
  return QWidget::event(event);
}

QPointF GlimmetHostView::screenPoint(const QMouseEvent* event) const {
  return ScreenSpace::current().fromQt(event->globalPosition());
}

void GlimmetHostView::mousePressEvent(QMouseEvent* event) {
  if (!hitsBody(event->position())) {
    // Beside the body the press belongs to nothing here.
    event->ignore();
    return;
  }
  if (event->button() == Qt::RightButton) {
    if (onRightClick) onRightClick(event->globalPosition().toPoint());
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  // A press soon after a double click is the third of a triple click.
  const double now = uptime_();
  const double interval = QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
  clickCount_ = (now - lastDoubleClickAt_ <= interval) ? 3 : 1;
  mouseDownScreenPoint_ = lastDragScreenPoint_ = screenPoint(event);
  dragging_ = false;
}

void GlimmetHostView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    // Qt reports a second quick right press as a double click.
    mousePressEvent(event);
    return;
  }
  if (!hitsBody(event->position())) {
    event->ignore();
    return;
  }
  pressed_ = true;
  clickCount_ = 2;
  lastDoubleClickAt_ = uptime_();
  mouseDownScreenPoint_ = lastDragScreenPoint_ = screenPoint(event);
  dragging_ = false;
  if (onDoubleClick) onDoubleClick();
}

void GlimmetHostView::mouseMoveEvent(QMouseEvent* event) {
  if (pressed_ && (event->buttons() & Qt::LeftButton)) {
    const QPointF m = screenPoint(event);
    if (!dragging_) {
      const QPointF d = m - mouseDownScreenPoint_;
      if (!(std::hypot(d.x(), d.y()) > dragSlop)) return;
      dragging_ = true;
      if (onDragBegan) onDragBegan();
    }
    const QPointF step = m - lastDragScreenPoint_;
    lastDragScreenPoint_ = m;
    if (onDrag) onDrag(QSizeF(step.x(), step.y()));
    return;
  }
  if (event->buttons() != Qt::NoButton) return;
  const QPointF canvas = canvasPoint(event->position(), size());
  const bool counts = bool(onPet) && hitsBody(event->position()) && canvas.y() < petMaxCanvasY;
  if (pet_.sample(canvas.x(), counts) && onPet) onPet();
}

void GlimmetHostView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) {
    event->ignore();
    return;
  }
  pressed_ = false;
  if (dragging_) {
    dragging_ = false;
    if (onDragEnded) onDragEnded();
  } else if (clickCount_ == 1) {
    if (onClick) onClick();
  }
}

void GlimmetHostView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  pet_.reset();
}

}  // namespace pimble
