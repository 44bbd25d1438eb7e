#include "settings/weekday_picker.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>
#include <QToolButton>

namespace pimble {

namespace {
// Qt numbers weekdays 1 = Monday … 7 = Sunday; the schedule 1 = Sunday.
int qtDay(int day) {
  return day == 1 ? 7 : day - 1;
}
}  // namespace

WeekdayPicker::WeekdayPicker(QWidget* parent) : QWidget(parent), row_(new QHBoxLayout(this)) {
  setObjectName(QStringLiteral("workDays"));
  row_->setContentsMargins(0, 0, 0, 0);
  row_->setSpacing(3);
  auto* title = new QLabel(QStringLiteral("Work days"), this);
  row_->addWidget(title);
  row_->addStretch(1);
  for (int day = 1; day <= 7; ++day) {
    auto* b = new QToolButton(this);
    b->setObjectName(QStringLiteral("weekday-%1").arg(day));
    b->setCheckable(true);
    b->setFocusPolicy(Qt::TabFocus);
    b->setMinimumWidth(28);
    connect(b, &QToolButton::clicked, this, [this, day](bool on) {
      if (onToggle) onToggle(day, on);
    });
    buttons_[static_cast<size_t>(day - 1)] = b;
  }
  // A day that is on reads at a glance, in the accent colour.
  // A day that is on and has the keyboard's focus is ringed in the text's
  // colour: the style's own mark does not show on the accent.
  setStyleSheet(QStringLiteral(
      "QToolButton:checked { background-color: palette(highlight); color: "
      "palette(highlighted-text); border: 1px solid palette(highlight); border-radius: 3px; } "
      "QToolButton:checked:focus { border: 2px solid palette(window-text); }"));
  arrange();
}

std::array<int, 7> WeekdayPicker::order(int firstWeekday) {
  std::array<int, 7> days{};
  for (int i = 0; i < 7; ++i)
    days[static_cast<size_t>(i)] = ((firstWeekday - 1 + i) % 7 + 7) % 7 + 1;
  return days;
}

int WeekdayPicker::firstWeekday() const {
  const int first = static_cast<int>(locale().firstDayOfWeek());
  return first % 7 + 1;
}

QAbstractButton* WeekdayPicker::button(int day) const {
  if (day < 1 || day > 7) return nullptr;
  return buttons_[static_cast<size_t>(day - 1)];
}

void WeekdayPicker::arrange() {
  const QLocale here = locale();
  for (int day = 1; day <= 7; ++day) {
    QToolButton* b = buttons_[static_cast<size_t>(day - 1)];
    b->setText(here.standaloneDayName(qtDay(day), QLocale::NarrowFormat));
    b->setAccessibleName(here.standaloneDayName(qtDay(day), QLocale::LongFormat));
    b->setToolTip(b->accessibleName());
  }
  const std::array<int, 7> wanted = order(firstWeekday());
  if (wanted == shown_) return;
  shown_ = wanted;
  // After the title and the stretch.
  for (QToolButton* b : buttons_) row_->removeWidget(b);
  for (int day : shown_) row_->addWidget(buttons_[static_cast<size_t>(day - 1)]);
  // Tab goes through the days in the order they stand.
  for (size_t i = 1; i < shown_.size(); ++i)
    QWidget::setTabOrder(buttons_[static_cast<size_t>(shown_[i - 1] - 1)],
                         buttons_[static_cast<size_t>(shown_[i] - 1)]);
}

void WeekdayPicker::setDays(const std::set<std::int64_t>& days) {
  arrange();
  for (int day = 1; day <= 7; ++day) {
    QToolButton* b = buttons_[static_cast<size_t>(day - 1)];
    const QSignalBlocker quiet(b);
    b->setChecked(days.contains(day));
  }
}

void WeekdayPicker::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LocaleChange) arrange();
}

}  // namespace pimble
