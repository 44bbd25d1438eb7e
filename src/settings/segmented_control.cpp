#include "settings/segmented_control.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <algorithm>

#include "bubbles/choice_row.h"
#include "settings/settings_form.h"

namespace pimble {

namespace {
// The style's focus mark on a segment drowns in the chosen segment's
// colour: the chosen one gets a ring of the text's colour instead, the
// padding giving back what the wider border takes.
const QString focusedChoice = QStringLiteral(
    " QPushButton:checked:focus { border: 2px solid palette(window-text); padding: 2px 5px; }");
}  // namespace

SegmentedControl::SegmentedControl(const QStringList& labels, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  group_->setExclusive(true);
  for (int i = 0; i < labels.size(); ++i) {
    auto* b = new QPushButton(labels.at(i), this);
    b->setCheckable(true);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    group_->addButton(b, i);
    row->addWidget(b);
  }
  // The chosen segment in the accent colour, so it reads at a glance; the
  // others keep the desktop style's own look.
  setStyleSheet(QStringLiteral("QPushButton:checked { background-color: palette(highlight); color: "
                               "palette(highlighted-text); border: 1px solid palette(highlight); "
                               "border-radius: 3px; padding: 3px 6px; }") +
                focusedChoice);
  // Segments of one width, as wide as the widest label needs.
  int widest = 0;
  for (QAbstractButton* b : group_->buttons()) widest = std::max(widest, b->sizeHint().width());
  for (QAbstractButton* b : group_->buttons()) b->setMinimumWidth(widest + 12);
  connect(group_, &QButtonGroup::idClicked, this, &SegmentedControl::picked);
  singleTabStop(group_);
  setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void SegmentedControl::setAccent(const QColor& accent) {
  setStyleSheet(QStringLiteral("QPushButton:checked { background-color: %1; color: white; border: "
                               "1px solid %1; border-radius: 3px; padding: 3px 6px; }")
                    .arg(accent.name()) +
                focusedChoice);
}

void SegmentedControl::setCurrentIndex(int index) {
  if (QAbstractButton* b = group_->button(index)) {
    b->setChecked(true);
    return;
  }
  // An exclusive group keeps one button checked; lift that to clear it.
  group_->setExclusive(false);
  for (QAbstractButton* b : group_->buttons()) b->setChecked(false);
  group_->setExclusive(true);
}

int SegmentedControl::currentIndex() const {
  return group_->checkedId();
}

int SegmentedControl::count() const {
  return static_cast<int>(group_->buttons().size());
}

QAbstractButton* SegmentedControl::segment(int index) const {
  return group_->button(index);
}

}  // namespace pimble
