#pragma once

#include <QPainterPath>
#include <QSize>
#include <QString>
#include <QWidget>

#include "models/bubble_style.h"

namespace pimble {

// The greeting: one short line (two at most, never cut vertically) on a
// small rounded bubble whose tail points at the character.
class GreetingBubbleView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int maxTextWidth = 190;
  static constexpr int maxLines = 2;

  explicit GreetingBubbleView(QWidget* parent = nullptr);

  void set(const QString& text, BubbleStyle style, bool tailDown);
  const QString& text() const { return text_; }
  bool tailDown() const { return tailDown_; }
  // The lines shown, the last one cut when the text is longer.
  QStringList lines() const;
  // The whole view's size for the current text, shadow room included.
  QSize fittingSize() const;
  // The bubble's outline in the view's coordinates; the shadow falls
  // outside it.
  QPainterPath outline() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  BubbleStyle style_ = BubbleStyle::soft;
  bool tailDown_ = true;
};

}  // namespace pimble
