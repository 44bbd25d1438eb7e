#include "bubbles/reminder_bubble_content.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_text.h"

namespace pimble {

std::string_view ReminderBubbleContent::symbol(ReminderKind kind) {
  switch (kind) {
    case ReminderKind::water:
      return "drop.fill";
    case ReminderKind::stretch:
      return "figure.flexibility";
    case ReminderKind::eyeRest:
      return "eye";
    case ReminderKind::posture:
      return "figure.stand";
    case ReminderKind::walk:
      return "figure.walk";
    case ReminderKind::takeBreak:
      return "cup.and.saucer.fill";
    case ReminderKind::custom:
      return "bell.fill";
  }
  return "bell.fill";
}

ReminderBubbleContent::ReminderBubbleContent(const Reminder& reminder, BubbleModel& model,
                                             QWidget* parent)
    : BubbleContentWidget(model, parent) {
  using BubbleLook::TextStyle;
  QVBoxLayout* stack = column(10);
  const QString title = QString::fromStdString(reminder.title);
  auto* titleText = new BubbleText(title, TextStyle::headline, this);
  titleText->setObjectName(QStringLiteral("title"));
  titleText->setMaxLines(2);
  stack->addLayout(header(symbol(reminder.kind), titleText));
  if (!reminder.message.empty()) {
    auto* message = new BubbleText(QString::fromStdString(reminder.message), TextStyle::body, this);
    message->setObjectName(QStringLiteral("message"));
    message->setTone(BubbleText::Tone::secondary);
    stack->addWidget(message);
  }

  const qint64 minutes = reminder.snoozeMinutes;
  QPushButton* done = BubbleLook::button(tr("Done"), "prominent", this);
  done->setObjectName(QStringLiteral("done"));
  done->setAccessibleName(tr("Done: %1").arg(title));
  QPushButton* snooze = BubbleLook::button(tr("Snooze %1 min").arg(minutes), "", this);
  snooze->setObjectName(QStringLiteral("snooze"));
  snooze->setAccessibleName(tr("Snooze %1 minutes").arg(minutes));
  // One line, never squeezed: the row gives Done what is left.
  snooze->setMinimumWidth(snooze->sizeHint().width());
  QPushButton* skip = BubbleLook::button(tr("Skip"), "plain", this);
  skip->setObjectName(QStringLiteral("skip"));
  skip->setAccessibleName(tr("Skip this reminder"));
  for (QPushButton* b : {done, snooze})
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  connect(done, &QPushButton::clicked, this, [this] { BubbleModel::call(model_.onDone); });
  connect(snooze, &QPushButton::clicked, this, [this] { BubbleModel::call(model_.onSnooze); });
  connect(skip, &QPushButton::clicked, this, [this] { BubbleModel::call(model_.onSkip); });
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  row->addWidget(done, 1);
  row->addWidget(snooze, 1);
  row->addWidget(skip, 0);
  stack->addLayout(row);
  defaultButton_ = done;
  cancelButton_ = skip;
}

}  // namespace pimble
