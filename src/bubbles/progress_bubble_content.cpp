#include "bubbles/progress_bubble_content.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_text.h"
#include "bubbles/reminder_bubble_content.h"

namespace pimble {

QString ProgressBubbleContent::rowTitle(ReminderKind kind) {
  switch (kind) {
    case ReminderKind::water:
      return QStringLiteral("Drink water");
    case ReminderKind::stretch:
      return QStringLiteral("Stretch");
    case ReminderKind::eyeRest:
      return QStringLiteral("Rest eyes");
    case ReminderKind::posture:
      return QStringLiteral("Fix posture");
    case ReminderKind::walk:
      return QStringLiteral("Walk around");
    case ReminderKind::takeBreak:
      return QStringLiteral("Take a break");
    case ReminderKind::custom:
      return tr("Personal reminders");
  }
  return {};
}

std::string_view ProgressBubbleContent::rowSymbol(ReminderKind kind) {
  return ReminderBubbleContent::symbol(kind);
}

ProgressBubbleContent::ProgressBubbleContent(const DaySummary& summary, BubbleModel& model,
                                             QWidget* parent)
    : BubbleContentWidget(model, parent) {
  using BubbleLook::TextStyle;
  QVBoxLayout* stack = column(10);
  const qint64 total = summary.record.totalDone();
  auto* top = new QHBoxLayout;
  top->addWidget(new BubbleText(tr("Today"), TextStyle::headline, this), 1, Qt::AlignVCenter);
  auto* count = new BubbleText(tr("%1 done").arg(total), TextStyle::subheadline, this);
  count->setObjectName(QStringLiteral("total"));
  count->setTone(BubbleText::Tone::secondary);
  count->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  top->addWidget(count, 0, Qt::AlignVCenter);
  top->addWidget(closeButton(), 0, Qt::AlignVCenter);
  stack->addLayout(top);

  if (total == 0) {
    auto* empty =
        new BubbleText(tr("Nothing yet. A sip of water is a great start!"), TextStyle::body, this);
    empty->setObjectName(QStringLiteral("empty"));
    empty->setTone(BubbleText::Tone::secondary);
    stack->addWidget(empty);
    return;
  }
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(14);
  grid->setVerticalSpacing(6);
  int rowIndex = 0;
  // Built-in kinds in their fixed order, then personal reminders last.
  for (ReminderKind kind : allCases<ReminderKind>()) {
    const std::int64_t done = summary.done(kind);
    if (done <= 0) continue;
    auto* label = new QWidget(this);
    label->setObjectName(QStringLiteral("row-%1").arg(rowIndex));
    auto* labelRow = new QHBoxLayout(label);
    labelRow->setContentsMargins(0, 0, 0, 0);
    labelRow->setSpacing(6);
    labelRow->addWidget(BubbleLook::symbol(rowSymbol(kind), 13, BubbleLook::accent(), label));
    auto* title = new BubbleText(rowTitle(kind), TextStyle::callout, label);
    title->setObjectName(QStringLiteral("rowTitle"));
    labelRow->addWidget(title);
    auto* number = new BubbleText(tr("%1").arg(qint64(done)), TextStyle::callout, this);
    number->setObjectName(QStringLiteral("rowCount"));
    // Bold; the interface faces draw digits at one width, so counts line up.
    number->setBold(true);
    grid->addWidget(label, rowIndex, 0, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(number, rowIndex, 1, Qt::AlignLeft | Qt::AlignVCenter);
    ++rowIndex;
  }
  grid->setColumnStretch(2, 1);
  stack->addLayout(grid);
}

}  // namespace pimble
