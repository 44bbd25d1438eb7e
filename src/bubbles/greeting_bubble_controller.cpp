#include "bubbles/greeting_bubble_controller.h"

#include <QAccessible>
#include <QVariantAnimation>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "bubbles/bubble_placement.h"
#include "bubbles/greeting_bubble_view.h"
#include "companion/alpha_mask.h"
#include "companion/close_request.h"
#include "companion/menus_stay_open.h"
#include "companion/window_shape.h"
#include "companion/x11_window_state.h"

namespace pimble {
namespace {
constexpr double canvasHeight = 310;
constexpr double headRow = 52;   // canvas row of the top of the head
constexpr double feetRow = 276;  // canvas row of the bottom of the character
}  // namespace

GreetingBubbleController::Placement GreetingBubbleController::place(
    const QRectF& c, const QRectF& v, const std::function<QSizeF(bool)>& measure) {
  const double s = c.height() / canvasHeight;
  const double cMaxY = c.y() + c.height();
  const double head = cMaxY - headRow * s;
  Placement out;
  QSizeF size = measure(true);
  double y = head + 4 - 10;  // the bottom edge just under the top of the head
  out.tailDown = v.y() + v.height() >= y + size.height();
  if (!out.tailDown) {
    size = measure(false);
    y = (cMaxY - feetRow * s) - 4 - size.height() + 10;
  }
  double x = c.x() + c.width() / 2 - size.width() * 0.5;
  x = std::max(x, v.x());
  x = std::min(v.x() + v.width() - size.width(), x);  // the right edge wins
  out.frame = QRectF(x, y, size.width(), size.height());
  return out;
}

GreetingBubbleController::GreetingBubbleController(std::shared_ptr<CompanionAnchor> companion,
                                                   TimeSource& time)
    : companion_(std::move(companion)), time_(time) {
  panel_ = std::make_unique<QWidget>(
      nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::WindowTransparentForInput | Qt::NoDropShadowWindowHint);
  panel_->setObjectName(QStringLiteral("greetingPanel"));
  panel_->setAttribute(Qt::WA_TranslucentBackground);
  panel_->setAttribute(Qt::WA_ShowWithoutActivating);
  panel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  panel_->setAccessibleName(QStringLiteral("Pimble Glimmet says"));
  panel_->resize(200, 60);
  view_ = new GreetingBubbleView(panel_.get());
  view_->set(QString(), BubbleStyle::soft, true);
  redirectCloseRequests(*panel_, [this] { hide(false); });
  // Where no compositor blends the bubble with the desktop, the window is
  // cut to its outline.
  shape_ = std::make_unique<WindowShape>(*panel_);
  shape_->onActiveChanged = [this](bool) {
    shapedSize_ = QSize();
    updateShape();
  };

  fadeIn_ = new QVariantAnimation(panel_.get());
  fadeIn_->setDuration(int(fadeInSeconds * 1000));
  fadeIn_->setStartValue(0.0);
  fadeIn_->setEndValue(1.0);
  fadeIn_->setEasingCurve(QEasingCurve::OutCubic);
  QObject::connect(fadeIn_, &QVariantAnimation::valueChanged, panel_.get(),
                   [this](const QVariant& v) { applyFrame(v.toDouble()); });
  fadeOut_ = new QVariantAnimation(panel_.get());
  fadeOut_->setDuration(int(fadeOutSeconds * 1000));
  fadeOut_->setStartValue(1.0);
  fadeOut_->setEndValue(0.0);
  fadeOut_->setEasingCurve(QEasingCurve::InCubic);
  QObject::connect(fadeOut_, &QVariantAnimation::valueChanged, panel_.get(),
                   [this](const QVariant& v) { panel_->setWindowOpacity(v.toDouble()); });
  QObject::connect(fadeOut_, &QVariantAnimation::finished, panel_.get(), [this] { finishHide(); });
}

GreetingBubbleController::~GreetingBubbleController() {
  *alive_ = false;
  hideWork_.reset();
}

void GreetingBubbleController::layoutFrame() {
  const std::optional<QRectF> c = companion_ != nullptr ? companion_->frame() : std::nullopt;
  if (!c) {
    target_ = QRectF();
    return;
  }
  const QRectF visible = companion_->visibleFrame().value_or(
      QRectF(0, 0, BubblePlacement::fallbackScreenWidth, BubblePlacement::fallbackScreenHeight));
  const Placement p = place(*c, visible, [this](bool down) {
    view_->set(text_, style_, down);
    return QSizeF(view_->fittingSize());
  });
  tailDown_ = p.tailDown;
  view_->set(text_, style_, tailDown_);
  target_ = p.frame;
}

void GreetingBubbleController::applyFrame(double progress) {
  if (companion_ == nullptr) return;
  const QRectF up = target_.translated(0, startOffset_ * (1 - progress));
  const QRect qt = companion_->toQt(up);
  panel_->setGeometry(qt);
  view_->setGeometry(0, 0, qt.width(), qt.height());
  updateShape();
  panel_->setWindowOpacity(startAlpha_ + (1 - startAlpha_) * std::clamp(progress, 0.0, 1.0));
}

void GreetingBubbleController::updateShape() {
  if (!shape_->isActive()) return;
  // The drift moves the window, not what it shows.
  if (panel_->size() == shapedSize_ && view_->tailDown() == shapedTailDown_) return;
  shapedSize_ = panel_->size();
  shapedTailDown_ = view_->tailDown();
  shape_->setRegion(
      AlphaMask::ofOutline(view_->outline(), shapedSize_, panel_->devicePixelRatioF(), 1).region());
}

void GreetingBubbleController::show(const QString& text, BubbleStyle style, double seconds) {
  if (companion_ == nullptr || !companion_->frame() || !companion_->isVisible()) return;
  hideWork_.reset();
  fadeOut_->stop();
  fadeIn_->stop();
  text_ = text;
  style_ = style;
  layoutFrame();
  const bool reduce = reduceMotion && reduceMotion();
  // Rise into place above the head, drop into place below the feet.
  startOffset_ = reduce ? 0 : (tailDown_ ? -drift : drift);
  startAlpha_ = isShown_ ? panel_->windowOpacity() : 0.0;
  if (!isShown_) {
    panel_->setWindowOpacity(0);
    // Made before it is placed, so that it is cut before it maps.
    X11WindowState::createPanelWindow(*panel_);
  }
  applyFrame(0);
  if (!isShown_) {
    shape_->windowShown();
    {
      // A greeting comes by itself: a menu the user has open stays.
      MenusStayOpen keep;
      panel_->show();
    }
    // On every workspace, out of the taskbar, and above others as the character is.
    X11WindowState::applyStates(*panel_, companion_->alwaysOnTop());
    panel_->raise();
    isShown_ = true;
  }
  fadeIn_->start();
  QAccessibleEvent announcement(view_, QAccessible::Alert);
  QAccessible::updateAccessibility(&announcement);
  std::weak_ptr<bool> alive = alive_;
  hideWork_ = time_.callAfter(Seconds(fadeInSeconds + std::max(0.0, seconds)), Seconds(0.05),
                              [this, alive] {
                                if (alive.expired() || !*alive.lock()) return;
                                hide(true);
                              });
}

void GreetingBubbleController::hide(bool animated) {
  hideWork_.reset();
  if (!isShown_) return;
  fadeIn_->stop();
  if (animated) {
    fadeOut_->stop();
    fadeOut_->setStartValue(panel_->windowOpacity());
    fadeOut_->start();
  } else {
    fadeOut_->stop();
    finishHide();
  }
}

void GreetingBubbleController::finishHide() {
  // A show that came during the fade keeps the bubble.
  if (hideWork_ != nullptr) return;
  isShown_ = false;
  panel_->hide();
}

void GreetingBubbleController::relayout() {
  if (!isShown_) return;
  layoutFrame();
  const double progress =
      fadeIn_->state() == QAbstractAnimation::Running ? fadeIn_->currentValue().toDouble() : 1.0;
  const double opacity = panel_->windowOpacity();
  applyFrame(progress);
  panel_->setWindowOpacity(opacity);
}

void GreetingBubbleController::finishAnimations() {
  if (fadeIn_->state() == QAbstractAnimation::Running) {
    fadeIn_->stop();
    applyFrame(1);
  }
  if (fadeOut_->state() == QAbstractAnimation::Running) {
    fadeOut_->stop();
    panel_->setWindowOpacity(0);
    finishHide();
  }
}

}  // namespace pimble
