#pragma once

#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <string_view>

#include "bubbles/bubble_look.h"

class QBoxLayout;
class QHBoxLayout;
class QVBoxLayout;

namespace pimble {

class BubbleModel;
class BubbleText;

// Base of the bubble's content views: each names the buttons that Return
// (default) and Escape (cancel) press while the bubble has the keyboard.
class BubbleContentWidget : public QWidget {
  Q_OBJECT
 public:
  explicit BubbleContentWidget(BubbleModel& model, QWidget* parent = nullptr);

  QPushButton* defaultButton() const { return defaultButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }
  // The bubble appeared with this content and holds the keyboard.
  virtual void focusFirstField() {}

 protected:
  // The content's own vertical stack, flush with the bubble's padding.
  QVBoxLayout* column(int spacing);
  // A header row: the symbol in orange, then the text in the headline style.
  static QHBoxLayout* header(std::string_view symbol, BubbleText* title);
  // A plain close button announced as "Close".
  QPushButton* closeButton();

  BubbleModel& model_;
  QPointer<QPushButton> defaultButton_;
  QPointer<QPushButton> cancelButton_;
};

}  // namespace pimble
