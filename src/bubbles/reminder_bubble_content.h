#pragma once

#include <string_view>

#include "bubbles/bubble_content_widget.h"
#include "models/reminder.h"

namespace pimble {

// A due reminder: its symbol and title, its message, and Done, Snooze and
// Skip. Return answers Done and Escape answers Skip.
class ReminderBubbleContent : public BubbleContentWidget {
  Q_OBJECT
 public:
  ReminderBubbleContent(const Reminder& reminder, BubbleModel& model, QWidget* parent = nullptr);

  static std::string_view symbol(ReminderKind kind);
};

}  // namespace pimble
