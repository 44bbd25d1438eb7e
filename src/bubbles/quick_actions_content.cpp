#include "bubbles/quick_actions_content.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_text.h"
#include "bubbles/symbol_image.h"

namespace pimble {

QuickActionsContent::QuickActionsContent(BubbleModel& model, QWidget* parent)
    : BubbleContentWidget(model, parent) {
  using BubbleLook::TextStyle;
  QVBoxLayout* stack = column(10);
  auto* top = new QHBoxLayout;
  top->addWidget(new BubbleText(tr("Quick actions"), TextStyle::headline, this), 1,
                 Qt::AlignVCenter);
  top->addWidget(closeButton(), 0, Qt::AlignVCenter);
  stack->addLayout(top);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(8);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  int index = 0;
  for (QuickAction action : allCases<QuickAction>()) {
    const std::string_view name = enumName(action);
    QPushButton* b =
        BubbleLook::button(QString::fromUtf8(quickActionTitle(action).data(),
                                             qsizetype(quickActionTitle(action).size())),
                           "tile", this);
    b->setObjectName(QStringLiteral("action-%1").arg(QString::fromUtf8(name.data(), name.size())));
    b->setFont(BubbleLook::font(TextStyle::callout));
    b->setIcon(QIcon(SymbolImage::pixmap(quickActionSymbol(action), 14, BubbleLook::accent(),
                                         devicePixelRatioF())));
    b->setIconSize(QSize(14, 14));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setMinimumWidth(10);
    connect(b, &QPushButton::clicked, this,
            [this, action] { BubbleModel::call(model_.onQuickAction, action); });
    grid->addWidget(b, index / 2, index % 2);
    ++index;
  }
  stack->addLayout(grid);
}

void QuickActionsContent::focusFirstField() {
  // Tab then walks the actions; Return and Escape answer nothing here.
  if (auto* first = findChild<QPushButton*>(QStringLiteral("action-water"))) {
    first->setFocus(Qt::OtherFocusReason);
  }
}

}  // namespace pimble
