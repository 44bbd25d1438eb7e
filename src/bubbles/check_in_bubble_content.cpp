#include "bubbles/check_in_bubble_content.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_text.h"
#include "bubbles/symbol_image.h"

namespace pimble {

CheckInBubbleContent::CheckInBubbleContent(const CheckIn& checkIn, BubbleModel& model,
                                           QWidget* parent)
    : BubbleContentWidget(model, parent) {
  using BubbleLook::TextStyle;
  QVBoxLayout* stack = column(10);
  auto* title = new BubbleText(QString::fromStdString(checkIn.title), TextStyle::headline, this);
  title->setObjectName(QStringLiteral("title"));
  title->setMaxLines(1);
  title->setMinimumScale(0.85);
  stack->addLayout(header(checkIn.symbolName(), title));
  auto* message = new BubbleText(QString::fromStdString(checkIn.message), TextStyle::body, this);
  message->setObjectName(QStringLiteral("message"));
  message->setTone(BubbleText::Tone::secondary);
  stack->addWidget(message);

  auto answer = [this](CheckInResponse response) {
    return [this, response] { BubbleModel::call(model_.onCheckIn, response); };
  };
  QPushButton* primary =
      BubbleLook::nameButton(QString::fromStdString(checkIn.primary.title), "prominent", this);
  primary->setObjectName(QStringLiteral("primary"));
  primary->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  connect(primary, &QPushButton::clicked, this, answer(checkIn.primary.response));
  stack->addWidget(primary);
  defaultButton_ = primary;

  // The row stays, also when it holds nothing.
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  if (checkIn.secondary) {
    QPushButton* secondary =
        BubbleLook::nameButton(QString::fromStdString(checkIn.secondary->title), "", this);
    secondary->setObjectName(QStringLiteral("secondary"));
    secondary->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(secondary, &QPushButton::clicked, this, answer(checkIn.secondary->response));
    row->addWidget(secondary, 1);
    cancelButton_ = secondary;
  }
  if (!checkIn.laterMinutes.empty()) {
    auto* later = new QToolButton(this);
    later->setObjectName(QStringLiteral("later"));
    later->setProperty("look", QStringLiteral("menu"));
    later->setText(checkIn.moreTime ? tr("More time") : tr("Later"));
    later->setAccessibleName(tr("Remind me later"));
    later->setFont(BubbleLook::font(TextStyle::body));
    later->setPopupMode(QToolButton::InstantPopup);
    later->setCursor(Qt::PointingHandCursor);
    auto* menu = new QMenu(later);
    menu->setObjectName(QStringLiteral("laterMenu"));
    for (int m : checkIn.laterMinutes) {
      const QString text =
          checkIn.moreTime ? tr("%1 more minutes").arg(m) : tr("In %1 minutes").arg(m);
      QAction* item = menu->addAction(text);
      item->setData(m);
      connect(item, &QAction::triggered, this, answer(CheckInResponse::remindIn(m)));
    }
    later->setMenu(menu);
    row->addWidget(later, 0);
  }
  if (!checkIn.overflow.empty()) {
    auto* more = new QToolButton(this);
    more->setObjectName(QStringLiteral("overflow"));
    more->setProperty("look", QStringLiteral("borderless"));
    QColor tint = palette().color(QPalette::WindowText);
    tint.setAlphaF(0.6f);
    more->setIcon(QIcon(SymbolImage::pixmap("ellipsis", 16, tint, devicePixelRatioF())));
    more->setIconSize(QSize(16, 16));
    more->setAccessibleName(tr("More options"));
    more->setToolTip(tr("More options"));
    more->setPopupMode(QToolButton::InstantPopup);
    more->setCursor(Qt::PointingHandCursor);
    auto* menu = new QMenu(more);
    menu->setObjectName(QStringLiteral("overflowMenu"));
    for (const CheckInAction& action : checkIn.overflow) {
      QAction* item = menu->addAction(BubbleLook::literal(action.title));
      connect(item, &QAction::triggered, this, answer(action.response));
    }
    more->setMenu(menu);
    row->addWidget(more, 0);
  }
  if (!checkIn.secondary) row->addStretch(1);
  stack->addLayout(row);
}

}  // namespace pimble
