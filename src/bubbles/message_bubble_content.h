#pragma once

#include <string>

#include "bubbles/bubble_content_widget.h"

namespace pimble {

// A short informational message: title, body and OK, which asks the bubble
// to close.
class MessageBubbleContent : public BubbleContentWidget {
  Q_OBJECT
 public:
  MessageBubbleContent(const std::string& title, const std::string& body, BubbleModel& model,
                       QWidget* parent = nullptr);
};

}  // namespace pimble
