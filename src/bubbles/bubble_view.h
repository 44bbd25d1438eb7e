#pragma once

#include <QPainterPath>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "bubbles/bubble_content.h"
#include "bubbles/bubble_content_widget.h"

class QVariantAnimation;
class QVBoxLayout;

namespace pimble {

class BubbleModel;
class PopInEffect;

// What fills the bubble's window: the content view for the model's current
// content, framed 304 points wide with room for the tail, on the painted
// bubble in the model's style. It grows out of the corner next to the tail
// when it pops in, and routes Return and Escape to the content's default and
// cancel buttons from wherever the keyboard is in its window.
class BubbleView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int fixedWidth = 320;  // the 304-point frame plus 8 on each side
  static constexpr int framePadding = 8;
  static constexpr int contentPadding = 16;

  explicit BubbleView(BubbleModel& model, QWidget* parent = nullptr);
  ~BubbleView() override;

  BubbleContentWidget* contentWidget() const { return content_; }
  // The height the content needs at the fixed width.
  int fittingHeight() const;

  // The next appearance pops in again (scaled to 0.88 and transparent until
  // then), unless motion is reduced.
  void resetAppearance();
  // Runs the pop-in (a spring of 0.32 s response, 0.72 damping).
  void appear();
  bool appeared() const { return appeared_; }
  void setReduceMotion(bool reduce);
  // The pop-in's current scale and opacity.
  double popScale() const;
  double popOpacity() const;
  void finishAppearance();

  // The spring's value at `seconds` after the start.
  static double spring(double seconds);

  // The bubble's outline as drawn now (the pop-in's scale included), in the
  // view's coordinates; the shadow falls outside it.
  QPainterPath outline() const;
  // The outline changed: size, tail side or the pop-in's scale.
  std::function<void()> onOutlineChanged;
  // Whether the pop-in fades in as well as growing. Where no compositor
  // blends the bubble with the desktop, a fade could only darken it.
  void setFades(bool fades);
  // Ends the bubble as Escape does: its cancel button, or where it has none
  // its close control.
  void dismiss();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void rebuildContent();
  void applyStyle();
  void applyTailSide();
  void setPop(double progress);
  QPainterPath fullSizeOutline() const;

  BubbleModel& model_;
  QVBoxLayout* layout_ = nullptr;
  QPointer<BubbleContentWidget> content_;
  PopInEffect* effect_ = nullptr;  // owned by this widget
  QVariantAnimation* popIn_ = nullptr;
  bool appeared_ = true;
  bool reduceMotion_ = false;
  bool fades_ = true;
};

}  // namespace pimble
