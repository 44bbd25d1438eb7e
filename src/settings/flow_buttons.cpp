#include "settings/flow_buttons.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "bubbles/bubble_look.h"
#include "settings/settings_form.h"

namespace pimble {

FlowButtons::FlowButtons(int rowWidth, QWidget* parent)
    : QWidget(parent), rowWidth_(rowWidth), rows_(new QVBoxLayout(this)) {
  rows_->setContentsMargins(0, 0, 0, 0);
  rows_->setSpacing(spacing);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int FlowButtons::rowCount() const {
  return static_cast<int>(rowWidgets_.size());
}

void FlowButtons::setItems(std::vector<ReturnTarget> items) {
  // A press may be what brought the new items: the pressed button goes
  // once its signal has returned.
  for (QWidget* row : rowWidgets_) {
    rows_->removeWidget(row);
    row->hide();
    row->deleteLater();
  }
  rowWidgets_.clear();
  buttons_.clear();
  items_ = std::move(items);
  // A name wider than a quarter of the row is cut short rather than pushing
  // the row past the page.
  const int widest = std::max(60, (rowWidth_ - (perRow - 1) * spacing) / perRow);
  QHBoxLayout* row = nullptr;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i % perRow == 0) {
      auto* rowWidget = new QWidget(this);
      row = new QHBoxLayout(rowWidget);
      row->setContentsMargins(0, 0, 0, 0);
      row->setSpacing(spacing);
      rows_->addWidget(rowWidget);
      rowWidgets_.push_back(rowWidget);
    }
    const ReturnTarget& item = items_[i];
    const QString name = form::text(item.name);
    auto* b = new QPushButton(rowWidgets_.back());
    b->setObjectName(QStringLiteral("app:") + form::text(item.bundleID));
    b->setAutoDefault(false);
    form::makeSmall(b);
    const QFontMetrics metrics(b->font());
    const int textRoom = widest - 20;
    const QString shown = metrics.elidedText(name, Qt::ElideRight, textRoom);
    b->setText(BubbleLook::literal(shown));
    if (shown != name) b->setToolTip(BubbleLook::plainToolTip(name));
    b->setAccessibleName(name);
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    b->setMaximumWidth(widest);
    const ReturnTarget pressed = item;
    connect(b, &QPushButton::clicked, this, [this, pressed] {
      if (tap) tap(pressed);
    });
    row->addWidget(b, 0, Qt::AlignVCenter);
    buttons_.push_back(b);
    if (i % perRow == perRow - 1 || i + 1 == items_.size()) row->addStretch(1);
  }
  updateGeometry();
}

}  // namespace pimble
