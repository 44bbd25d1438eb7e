#pragma once

#include "bubbles/bubble_content_widget.h"
#include "models/check_in.h"

class QToolButton;

namespace pimble {

// A check-in card: symbol, title and message, the primary answer, and a row
// with the secondary answer, the later menu and the menu of further answers.
// Return answers with the primary action, Escape with the secondary one.
class CheckInBubbleContent : public BubbleContentWidget {
  Q_OBJECT
 public:
  CheckInBubbleContent(const CheckIn& checkIn, BubbleModel& model, QWidget* parent = nullptr);
};

}  // namespace pimble
