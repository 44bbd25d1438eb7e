#include "companion/companion_panel.h"

#include <QEvent>
#include <QWindow>

#include "companion/frame_presenter.h"
#include "companion/menus_stay_open.h"
#include "companion/window_shape.h"
#include "companion/x11_window_state.h"

namespace pimble {

CompanionPanel::CompanionPanel()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::NoDropShadowWindowHint) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_NoSystemBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_X11DoNotAcceptFocus);
  setFocusPolicy(Qt::NoFocus);
  setWindowTitle(QStringLiteral("Pimble Glimmet"));
  shape_ = std::make_unique<WindowShape>(*this);
  presenter_ = std::make_unique<FramePresenter>(*this);
  shape_->onActiveChanged = [this](bool shaped) {
    if (onShapedChanged) onShapedChanged(shaped);
  };
}

CompanionPanel::~CompanionPanel() = default;

void CompanionPanel::setAlwaysOnTop(bool on) {
  if (on == alwaysOnTop_) return;
  alwaysOnTop_ = on;
  if (isVisible()) X11WindowState::setAbove(*this, on);
}

void CompanionPanel::setInputRegion(const QRegion& region) {
  inputRegion_ = region;
  applyInputRegion();
}

void CompanionPanel::setBoundingMask(const QRegion& region) {
  shape_->setRegion(region);
}

bool CompanionPanel::isShaped() const {
  return shape_->isActive();
}

void CompanionPanel::applyInputRegion() {
  if (!isVisible() && !testAttribute(Qt::WA_WState_Created)) return;
  X11WindowState::setInputRegion(*this, inputRegion_);
}

std::optional<QPoint> CompanionPanel::placedAt() const {
  const std::optional<QPoint> pixels = X11WindowState::position(*this);
  if (!pixels) return std::nullopt;
  return (QPointF(*pixels) / devicePixelRatioF()).toPoint();
}

void CompanionPanel::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // Cut before the window maps, so that no frame shows it whole.
    X11WindowState::createPanelWindow(*this);
    shape_->windowShown();
    presenter_->attach();
  }
  {
    MenusStayOpen keep;
    QWidget::setVisible(visible);
  }
  if (!visible) return;
  watchExposure();
  // The window is mapped now: the window manager handles the state requests
  // after it took the window in, since both reach it in request order. On
  // every show, because the window manager forgets the states of a window
  // that was hidden.
  X11WindowState::applyStates(*this, alwaysOnTop_);
  applyInputRegion();
}

void CompanionPanel::watchExposure() {
  if (watching_ || windowHandle() == nullptr) return;
  watching_ = true;
  windowHandle()->installEventFilter(this);
}

bool CompanionPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle() && event->type() == QEvent::Expose) {
    const bool exposed = windowHandle()->isExposed();
    if (exposed != exposed_) {
      exposed_ = exposed;
      // A reparenting window manager copies the input region onto the frame
      // it wraps the window in, but only learns of changes made after it
      // took the window in. Once the window shows, it has: the region is set
      // again so that it sees it.
      if (exposed) {
        applyInputRegion();
        presenter_->windowExposed();
      }
      if (onExposedChanged) onExposedChanged(exposed);
    }
  }
  return QWidget::eventFilter(watched, event);
}

QPaintEngine* CompanionPanel::paintEngine() const {
  // Painted on screen by its view's frames: nothing of Qt's paints here.
  return presenter_ && presenter_->isAttached() ? nullptr : QWidget::paintEngine();
}

bool CompanionPanel::event(QEvent* event) {
  if (event->type() == QEvent::Hide && exposed_) {
    exposed_ = false;
    if (onExposedChanged) onExposedChanged(false);
  }
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::Move && isVisible() && onMoved) onMoved();
  return handled;
}

}  // namespace pimble
