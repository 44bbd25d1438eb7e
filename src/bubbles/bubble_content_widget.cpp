#include "bubbles/bubble_content_widget.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_text.h"
#include "bubbles/symbol_image.h"

namespace pimble {

BubbleContentWidget::BubbleContentWidget(BubbleModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {}

QVBoxLayout* BubbleContentWidget::column(int spacing) {
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(spacing);
  return stack;
}

QHBoxLayout* BubbleContentWidget::header(std::string_view symbolName, BubbleText* title) {
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  row->addWidget(BubbleLook::symbol(symbolName, 16, BubbleLook::accent()), 0, Qt::AlignVCenter);
  row->addWidget(title, 1, Qt::AlignVCenter);
  return row;
}

QPushButton* BubbleContentWidget::closeButton() {
  auto* b = BubbleLook::button(QString(), "plain", this);
  b->setObjectName(QStringLiteral("close"));
  QColor tint = palette().color(QPalette::WindowText);
  tint.setAlphaF(0.45f);
  b->setIcon(QIcon(SymbolImage::pixmap("xmark.circle.fill", 16, tint, devicePixelRatioF())));
  b->setIconSize(QSize(16, 16));
  b->setAccessibleName(tr("Close"));
  b->setToolTip(tr("Close"));
  connect(b, &QPushButton::clicked, this, [this] { BubbleModel::call(model_.onClose); });
  return b;
}

}  // namespace pimble
