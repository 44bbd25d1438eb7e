#include "bubbles/bubble_panel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

#include "bubbles/bubble_view.h"
#include "companion/alpha_mask.h"
#include "companion/menus_stay_open.h"
#include "companion/panel_keyboard.h"
#include "companion/window_shape.h"
#include "companion/x11_window_state.h"

namespace pimble {

BubblePanel::BubblePanel()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint) {
  setObjectName(QStringLiteral("bubblePanel"));
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  // Read while another window is active: a tooltip (a name cut short shows
  // whole in it) shows all the same.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setAccessibleName(QStringLiteral("Pimble Glimmet message"));
  resize(320, 140);
  // Clicks land on the bubble's buttons, not on the window itself: watch
  // presses anywhere in the application and keep those inside this window.
  qApp->installEventFilter(this);
  shape_ = std::make_unique<WindowShape>(*this);
  shape_->onActiveChanged = [this](bool shaped) {
    if (view_ != nullptr) view_->setFades(!shaped);
    updateShape();
  };
  // Once the user is in another window, the bubble is again one that came
  // by itself: no window switcher offers it, until it is clicked again.
  connect(&PanelKeyboard::instance(), &PanelKeyboard::otherWindowActivated, this, [this] {
    if (acceptsFocus_ && isVisible()) refuseFocus();
  });
}

BubblePanel::~BubblePanel() {
  qApp->removeEventFilter(this);
}

void BubblePanel::setView(BubbleView* view) {
  view_ = view;
  view_->setParent(this);
  view_->setGeometry(0, 0, width(), height());
  view_->setFades(!shape_->isActive());
  view_->onOutlineChanged = [this] { updateShape(); };
  updateShape();
}

bool BubblePanel::isShaped() const {
  return shape_->isActive();
}

void BubblePanel::updateShape() {
  if (!shape_->isActive() || view_ == nullptr) return;
  // The stroke along the outline is a point wide, half of it outside.
  shape_->setRegion(
      AlphaMask::ofOutline(view_->outline(), size(), devicePixelRatioF(), 1).region());
}

void BubblePanel::setFlag(Qt::WindowType flag, bool on) {
  Qt::WindowFlags flags = on ? (windowFlags() | flag) : (windowFlags() & ~flag);
  // Qt tells the window manager the stays-on-top state of the flags on each
  // change of them: kept in them, taking the keyboard never drops the bubble
  // below the character.
  flags.setFlag(Qt::WindowStaysOnTopHint, alwaysOnTop_);
  if (flags == windowFlags()) return;
  // Changing a shown widget's flags would hide and re-create its window;
  // the window system is told through the existing window instead.
  overrideWindowFlags(flags);
  if (QWindow* w = windowHandle()) w->setFlags(flags);
  X11WindowState::offerKeyboardWhileAccepted(*this);
}

void BubblePanel::takeFocus() {
  acceptsFocus_ = true;
  setFlag(Qt::WindowDoesNotAcceptFocus, false);
  if (isVisible()) {
    raise();
    activateWindow();
  }
}

void BubblePanel::refuseFocus() {
  acceptsFocus_ = false;
  setFlag(Qt::WindowDoesNotAcceptFocus, true);
}

void BubblePanel::setAlwaysOnTop(bool on) {
  alwaysOnTop_ = on;
  setFlag(Qt::WindowStaysOnTopHint, on);
}

void BubblePanel::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // Cut before the window maps, so that it never shows whole.
    X11WindowState::createPanelWindow(*this);
    shape_->windowShown();
  }
  {
    // A reminder's bubble leaves a menu the user has open as it is.
    MenusStayOpen keep;
    QWidget::setVisible(visible);
  }
  // On every workspace and out of the taskbar like the character, asked for
  // again on every show since the window manager forgets a hidden window's states.
  if (visible) X11WindowState::applyStates(*this, alwaysOnTop_);
}

bool BubblePanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    if (!acceptsFocus_) takeFocus();
    PanelKeyboard::instance().take(*this,
                                   std::uint32_t(static_cast<QMouseEvent*>(event)->timestamp()));
  }
  return false;
}

void BubblePanel::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (onMoved && isVisible()) onMoved();
}

void BubblePanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (view_ != nullptr) view_->setGeometry(0, 0, width(), height());
}

}  // namespace pimble
