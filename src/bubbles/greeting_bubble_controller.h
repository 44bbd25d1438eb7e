#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>

#include "bubbles/companion_anchor.h"
#include "models/bubble_style.h"
#include "system/time_source.h"

class QVariantAnimation;
class QWidget;

namespace pimble {

class GreetingBubbleView;
class WindowShape;

// The tiny one-line greeting above the character's head (below its feet
// when there is no room above): it drifts and fades in, is announced to
// assistive technologies, never takes clicks, and fades away by itself.
class GreetingBubbleController {
 public:
  static constexpr double fadeInSeconds = 0.35;
  static constexpr double fadeOutSeconds = 0.5;
  static constexpr double drift = 6;  // points the bubble moves into place

  GreetingBubbleController(std::shared_ptr<CompanionAnchor> companion, TimeSource& time);
  ~GreetingBubbleController();
  GreetingBubbleController(const GreetingBubbleController&) = delete;
  GreetingBubbleController& operator=(const GreetingBubbleController&) = delete;

  // Whether the desktop asks for reduced motion; empty: it does not.
  std::function<bool()> reduceMotion;

  // Shows `text` for `seconds` after it has faded in. Dropped while the
  // character's window is gone or hidden.
  void show(const QString& text, BubbleStyle style, double seconds);
  void hide(bool animated);
  // Keeps the bubble beside the character; called on every geometry change.
  void relayout();

  bool isShown() const { return isShown_; }
  bool tailDown() const { return tailDown_; }
  const QString& text() const { return text_; }
  QWidget& panel() const { return *panel_; }
  GreetingBubbleView& view() const { return *view_; }
  // The frame the bubble settles at, in y-up points.
  QRectF targetFrame() const { return target_; }
  // Ends a running fade at once, as if its time had passed.
  void finishAnimations();

  struct Placement {
    QRectF frame;
    bool tailDown = true;
  };
  // Where a bubble goes for a character window `companion` on the usable
  // area `visible`; `measure` gives the bubble's size with the tail down or up.
  static Placement place(const QRectF& companion, const QRectF& visible,
                         const std::function<QSizeF(bool tailDown)>& measure);

 private:
  void layoutFrame();
  void applyFrame(double progress);
  void finishHide();
  void updateShape();

  std::shared_ptr<CompanionAnchor> companion_;
  TimeSource& time_;
  std::unique_ptr<QWidget> panel_;
  GreetingBubbleView* view_ = nullptr;  // owned by the panel
  std::unique_ptr<WindowShape> shape_;
  // The size and tail side the shape was last cut for.
  QSize shapedSize_;
  bool shapedTailDown_ = true;
  QVariantAnimation* fadeIn_ = nullptr;
  QVariantAnimation* fadeOut_ = nullptr;
  QString text_;
  BubbleStyle style_ = BubbleStyle::soft;
  bool tailDown_ = true;
  bool isShown_ = false;
  std::unique_ptr<ScheduledCall> hideWork_;
  QRectF target_;           // y-up
  double startOffset_ = 0;  // y-up points below (+) or above (-) the target at the start
  double startAlpha_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace pimble
