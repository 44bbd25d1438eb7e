#include "settings/button_grid.h"

#include <QGridLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

namespace pimble {

ButtonGrid::ButtonGrid(const QStringList& labels, QWidget* parent)
    : QWidget(parent), grid_(new QGridLayout(this)) {
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setHorizontalSpacing(gap);
  grid_->setVerticalSpacing(gap);
  for (int i = 0; i < labels.size(); ++i) {
    auto* b = new QPushButton(labels.at(i), this);
    b->setAutoDefault(false);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setMinimumWidth(0);
    connect(b, &QPushButton::clicked, this, [this, i] { emit pressed(i); });
    buttons_.push_back(b);
  }
  // The rows follow the width: a resize re-arranges the grid, and the new
  // size hint tells the surrounding layout how tall it has become.
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  arrange(1);
}

int ButtonGrid::columnsFor(int width) const {
  // Columns of at least 110, and never narrower than a label needs, which a
  // large desktop font can make more than that: more columns than fit would
  // make the grid ask for more width than it has.
  int column = minimumColumnWidth;
  for (QPushButton* b : buttons_) column = std::max(column, b->minimumSizeHint().width());
  return std::max(1, (width + gap) / (column + gap));
}

void ButtonGrid::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int columns = columnsFor(event->size().width());
  if (columns != columns_) arrange(columns);
}

void ButtonGrid::arrange(int columns) {
  columns_ = columns;
  for (QPushButton* b : buttons_) grid_->removeWidget(b);
  for (int c = 0; c < grid_->columnCount(); ++c) grid_->setColumnStretch(c, 0);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const int index = static_cast<int>(i);
    grid_->addWidget(buttons_[i], index / columns, index % columns);
  }
  for (int c = 0; c < columns; ++c) grid_->setColumnStretch(c, 1);
  updateGeometry();
}

}  // namespace pimble
