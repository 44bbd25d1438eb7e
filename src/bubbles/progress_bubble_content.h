#pragma once

#include "bubbles/bubble_content_widget.h"
#include "models/day_summary.h"

namespace pimble {

// Today's progress: the total done and, per reminder kind, how many times it
// was done; one encouraging line on a day with nothing done yet.
class ProgressBubbleContent : public BubbleContentWidget {
  Q_OBJECT
 public:
  ProgressBubbleContent(const DaySummary& summary, BubbleModel& model, QWidget* parent = nullptr);

  // The title and symbol of a kind's row.
  static QString rowTitle(ReminderKind kind);
  static std::string_view rowSymbol(ReminderKind kind);
};

}  // namespace pimble
