#include "bubbles/bubble_panel_controller.h"

#include <QWindow>

#include "bubbles/bubble_content_widget.h"
#include "bubbles/bubble_panel.h"
#include "bubbles/bubble_placement.h"
#include "bubbles/bubble_view.h"
#include "companion/close_request.h"
#include "companion/panel_keyboard.h"

namespace pimble {

BubblePanelController::BubblePanelController(std::shared_ptr<CompanionAnchor> companion)
    : companion_(std::move(companion)),
      model_(std::make_unique<BubbleModel>()),
      panel_(std::make_unique<BubblePanel>()) {
  view_ = new BubbleView(*model_);
  panel_->setView(view_);
  // A window manager that places every new window itself (awesome) does so
  // a moment after it maps it, and honours a move of the window's own after
  // that: the bubble goes back beside the character once. Only once, for a
  // window manager that keeps windows where it puts them (sway).
  panel_->onMoved = [this] {
    // A pixel either way is a scaled screen's rounding.
    if (!keepPlace_ || (panel_->pos() - placed_.topLeft()).manhattanLength() <= 2) return;
    keepPlace_ = false;
    layoutNearCompanion();
  };
  redirectCloseRequests(*panel_, [this] { view_->dismiss(); });
}

BubblePanelController::~BubblePanelController() = default;

void BubblePanelController::show(BubbleContent content, BubbleStyle style) {
  if (willShow) willShow();
  const bool userOpened = content.isUserOpened();
  const BubbleContentWidget* before = view_->contentWidget();
  model_->setStyle(style);
  model_->setContent(std::move(content));
  view_->setReduceMotion(reduceMotion && reduceMotion());
  layoutNearCompanion();
  const bool first = !isShown_;
  if (first) {
    isShown_ = true;
    view_->resetAppearance();
    layoutNearCompanion();
    panel_->setWindowOpacity(1);
    if (companion_ != nullptr) panel_->setAlwaysOnTop(companion_->alwaysOnTop());
    // A window manager reads whether the window takes the keyboard as it
    // takes the window in.
    if (userOpened)
      panel_->takeFocus();
    else
      panel_->refuseFocus();
    keepPlace_ = true;
    panel_->show();
    panel_->raise();
  } else if (!userOpened && panel_->acceptsFocus()) {
    // Turned into a bubble that came by itself: the keyboard goes back.
    PanelKeyboard::instance().giveBack(*panel_);
    panel_->refuseFocus();
  }
  if (userOpened) {
    panel_->takeFocus();
    // Only new content moves the keyboard; a refresh leaves it where the user put it.
    BubbleContentWidget* c = view_->contentWidget();
    if (c != nullptr && c != before) c->focusFirstField();
  }
  if (first) view_->appear();
}

void BubblePanelController::hide() {
  if (!isShown_) return;
  isShown_ = false;
  // The answer being carried out may send the user to another
  // application: asked for before the bubble goes, a window manager goes
  // there straight, not first to the window before, as it does once the
  // active window goes.
  PanelKeyboard::instance().close(*panel_, [this](bool giveBack) {
    if (!isShown_) return unmap(giveBack);
    // Shown again meanwhile, by itself.
    if (giveBack && !panel_->acceptsFocus()) PanelKeyboard::instance().giveBack(*panel_);
  });
}

void BubblePanelController::unmap(bool giveBack) {
  // Back to the window the user was in, before the window manager picks
  // one (i3 and sway pick the character).
  if (giveBack) PanelKeyboard::instance().giveBack(*panel_);
  panel_->hide();
  panel_->refuseFocus();
}

void BubblePanelController::takeKeyboard() {
  if (isShown_) PanelKeyboard::instance().takeOnceShown(*panel_);
}

void BubblePanelController::layoutNearCompanion() {
  if (companion_ == nullptr) return;
  const std::optional<QRectF> frame = companion_->frame();
  if (!frame) return;
  const QRectF visible = companion_->visibleFrame().value_or(
      QRectF(0, 0, BubblePlacement::fallbackScreenWidth, BubblePlacement::fallbackScreenHeight));
  const BubblePlacement placed = BubblePlacement::place(*frame, visible, view_->fittingHeight());
  if (placed.tailOnLeading != model_->tailOnLeading()) {
    model_->setTailOnLeading(placed.tailOnLeading);
  }
  placed_ = companion_->toQt(placed.frame);
  panel_->setGeometry(placed_);
  panel_->update();
}

void BubblePanelController::setAlwaysOnTop(bool on) {
  panel_->setAlwaysOnTop(on);
}

}  // namespace pimble
