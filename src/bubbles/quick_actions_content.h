#pragma once

#include "bubbles/bubble_content_widget.h"

namespace pimble {

// Five one-click actions in a two-column grid under a header with a close
// button. It only reports the choice; the owner decides whether the bubble
// closes.
class QuickActionsContent : public BubbleContentWidget {
  Q_OBJECT
 public:
  explicit QuickActionsContent(BubbleModel& model, QWidget* parent = nullptr);
  void focusFirstField() override;
};

}  // namespace pimble
