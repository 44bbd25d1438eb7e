#include "bubbles/message_bubble_content.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_text.h"

namespace pimble {

MessageBubbleContent::MessageBubbleContent(const std::string& title, const std::string& body,
                                           BubbleModel& model, QWidget* parent)
    : BubbleContentWidget(model, parent) {
  using BubbleLook::TextStyle;
  QVBoxLayout* stack = column(8);
  auto* titleText = new BubbleText(QString::fromStdString(title), TextStyle::headline, this);
  titleText->setObjectName(QStringLiteral("title"));
  stack->addWidget(titleText);
  // The body line stays, also when empty, so every message has the same rhythm.
  auto* bodyText = new BubbleText(QString::fromStdString(body), TextStyle::body, this);
  bodyText->setObjectName(QStringLiteral("body"));
  bodyText->setTone(BubbleText::Tone::secondary);
  stack->addWidget(bodyText);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  QPushButton* ok = BubbleLook::button(tr("OK"), "prominent", this);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setMinimumWidth(56);
  connect(ok, &QPushButton::clicked, this, [this] { BubbleModel::call(model_.onClose); });
  row->addWidget(ok);
  stack->addLayout(row);
  defaultButton_ = ok;
}

}  // namespace pimble
