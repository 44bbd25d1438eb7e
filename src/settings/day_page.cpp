#include "settings/day_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "bubbles/symbol_image.h"
#include "models/companion_size.h"
#include "settings/cape_swatches.h"
#include "settings/onboarding_state.h"
#include "settings/segmented_control.h"
#include "settings/settings_form.h"
#include "settings/time_of_day_edit.h"
#include "settings/tour_look.h"
#include "state/app_model.h"

namespace pimble {

namespace {
std::string_view cornerSymbol(CompanionCorner corner) {
  switch (corner) {
    case CompanionCorner::bottomRight:
      return "arrow.down.right.square";
    case CompanionCorner::bottomLeft:
      return "arrow.down.left.square";
    case CompanionCorner::topRight:
      return "arrow.up.right.square";
    case CompanionCorner::topLeft:
      return "arrow.up.left.square";
  }
  return "";
}
}  // namespace

QString DayPage::frequencyText(ReminderFrequency frequency) {
  switch (frequency) {
    case ReminderFrequency::gentle:
      return QStringLiteral("Fewer nudges: water about every hour.");
    case ReminderFrequency::balanced:
      return QStringLiteral("The defaults: water every 45 minutes.");
    case ReminderFrequency::frequent:
      return QStringLiteral("More nudges: water about every 35 minutes.");
  }
  return {};
}

std::vector<Reminder> DayPage::withFrequency(std::vector<Reminder> reminders,
                                             ReminderFrequency frequency) {
  for (Reminder& r : reminders) {
    if (r.kind == ReminderKind::custom) continue;
    if (const auto interval = minutes(frequency, r.kind)) r.intervalMinutes = *interval;
  }
  return reminders;
}

DayPage::DayPage(AppModel& model, OnboardingState& state,
                 std::function<void(CompanionCorner)> moveToCorner, QWidget* parent)
    : QWidget(parent), model_(model), state_(state), moveToCorner_(std::move(moveToCorner)) {
  setObjectName(QStringLiteral("dayPage"));
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(10);

  // 1, 2: the rhythm of the built-in reminders.
  frequency_ = new SegmentedControl(form::caseNames<ReminderFrequency>(), this);
  frequency_->setObjectName(QStringLiteral("frequency"));
  frequency_->setAccent(tour::accent());
  stack->addLayout(form::labelled(QStringLiteral("Reminders"), frequency_, this));
  connect(frequency_, &SegmentedControl::picked, this, [this](int index) {
    if (const auto frequency = form::caseAt<ReminderFrequency>(index)) apply(*frequency);
  });
  frequencyText_ = tour::secondary(QString(), this, true);
  frequencyText_->setObjectName(QStringLiteral("frequencyText"));
  stack->addWidget(frequencyText_);

  // 3, 4: Work mode during work hours.
  workHours_ =
      form::toggle(QStringLiteral("Switch to Work mode during work hours"), "workHours", this);
  stack->addWidget(workHours_);
  form::onToggled(workHours_, model_,
                  [](AppSettings& s, bool on) { s.modes.schedule.isEnabled = on; });
  hoursRow_ = new QWidget(this);
  hoursRow_->setObjectName(QStringLiteral("workHoursRow"));
  auto* hours = new QHBoxLayout(hoursRow_);
  hours->setContentsMargins(0, 0, 0, 0);
  workStart_ = new TimeOfDayEdit(hoursRow_);
  workStart_->setObjectName(QStringLiteral("workStart"));
  workStart_->setAccessibleName(QStringLiteral("Work starts"));
  workEnd_ = new TimeOfDayEdit(hoursRow_);
  workEnd_->setObjectName(QStringLiteral("workEnd"));
  workEnd_->setAccessibleName(QStringLiteral("Work ends"));
  hours->addWidget(new QLabel(QStringLiteral("Weekdays"), hoursRow_));
  hours->addWidget(workStart_);
  hours->addWidget(new QLabel(QStringLiteral("to"), hoursRow_));
  hours->addWidget(workEnd_);
  hours->addStretch(1);
  stack->addWidget(hoursRow_);
  form::onTimePicked(workStart_, model_,
                     [](AppSettings& s, std::int64_t m) { s.modes.schedule.workStartMinutes = m; });
  form::onTimePicked(workEnd_, model_,
                     [](AppSettings& s, std::int64_t m) { s.modes.schedule.workEndMinutes = m; });

  // 5: the corner the character lives in.
  auto* corners = form::row({new QLabel(QStringLiteral("Pimble lives"), this), nullptr});
  for (CompanionCorner corner : allCases<CompanionCorner>()) {
    auto* b = new QPushButton(this);
    b->setObjectName(QStringLiteral("corner-") + form::text(enumName(corner)));
    b->setIcon(SymbolImage::icon(cornerSymbol(corner), 18, palette().color(QPalette::ButtonText)));
    b->setIconSize(QSize(18, 18));
    b->setToolTip(form::cornerLabel(corner));
    b->setAccessibleName(form::cornerLabel(corner));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, corner] {
      if (moveToCorner_) moveToCorner_(corner);
    });
    corners->addWidget(b);
  }
  stack->addLayout(corners);

  // 6: its size.
  size_ = form::sizePicker(model_, this);
  size_->setAccent(tour::accent());
  stack->addLayout(form::labelled(QStringLiteral("Size"), size_, this));

  // 7: the colour of its cape.
  cape_ = new CapeSwatches(this);
  cape_->setObjectName(QStringLiteral("capeSwatches"));
  stack->addLayout(form::labelled(QStringLiteral("Cape"), cape_, this));
  connect(cape_, &CapeSwatches::colorPicked, this, [this](CapeColor color) {
    form::editSettings(model_, [color](AppSettings& s) { s.capeColor = color; });
  });

  showFrequency(state_.frequency());
  connect(&state_, &OnboardingState::frequencyChanged, this, &DayPage::showFrequency);
  showSettings(model_.settings());
  connect(&model_, &AppModel::settingsChanged, this, &DayPage::showSettings);
}

void DayPage::apply(ReminderFrequency frequency) {
  state_.setFrequency(frequency);
  model_.setReminders(withFrequency(model_.reminders(), frequency));
}

void DayPage::showFrequency(ReminderFrequency frequency) {
  const QSignalBlocker quiet(frequency_);
  frequency_->setCurrentIndex(form::caseIndex(frequency));
  frequencyText_->setText(frequencyText(frequency));
}

void DayPage::showSettings(const AppSettings& settings) {
  const QSignalBlocker a(workHours_), b(size_), c(cape_);
  const ModeSchedule& schedule = settings.modes.schedule;
  workHours_->setChecked(schedule.isEnabled);
  hoursRow_->setVisible(schedule.isEnabled);
  workStart_->setMinutes(schedule.workStartMinutes);
  workEnd_->setMinutes(schedule.workEndMinutes);
  size_->setCurrentIndex(form::caseIndex(settings.companionSize));
  cape_->setSelection(settings.capeColor);
}

}  // namespace pimble
