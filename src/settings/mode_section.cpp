#include "settings/mode_section.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "bubbles/symbol_image.h"
#include "settings/segmented_control.h"
#include "settings/settings_form.h"
#include "settings/time_of_day_edit.h"
#include "settings/weekday_picker.h"
#include "state/app_model.h"

namespace pimble {

namespace {

TimeOfDayEdit* timeField(const char* name, const QString& accessible, QWidget* parent) {
  auto* field = new TimeOfDayEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setAccessibleName(accessible);
  return field;
}

// "Work  ·········  09:00  to  18:00"
QHBoxLayout* hoursRow(const QString& title, TimeOfDayEdit* from, TimeOfDayEdit* to,
                      QWidget* parent) {
  return form::row(
      {new QLabel(title, parent), nullptr, from, new QLabel(QStringLiteral("to"), parent), to});
}

}  // namespace

ModeSection::ModeSection(AppModel& model, QWidget* parent)
    : QGroupBox(QStringLiteral("Mode"), parent), model_(model) {
  setObjectName(QStringLiteral("modeSection"));
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(8);

  picker_ = new SegmentedControl(form::caseLabels<AwarenessMode>(form::modeLabel), this);
  picker_->setObjectName(QStringLiteral("awarenessMode"));
  const QColor text = palette().color(QPalette::ButtonText);
  const QColor chosen = palette().color(QPalette::HighlightedText);
  for (AwarenessMode mode : allCases<AwarenessMode>()) {
    QAbstractButton* segment = picker_->segment(form::caseIndex(mode));
    segment->setIcon(SymbolImage::icon(form::modeSymbol(mode), 14, text, chosen));
  }
  layout->addLayout(form::labelled(QStringLiteral("Mode"), picker_, this));
  footnote_ = form::footnote(QString(), this);
  footnote_->setObjectName(QStringLiteral("modeFootnote"));
  layout->addWidget(footnote_);

  schedule_ = form::toggle(QStringLiteral("Switch modes on a schedule"), "modeSchedule", this);
  layout->addWidget(schedule_);
  QVBoxLayout* s = nullptr;
  scheduleRows_ = form::group(this, s);
  workDays_ = new WeekdayPicker(scheduleRows_);
  s->addWidget(workDays_);
  workStart_ = timeField("workStart", QStringLiteral("Work from"), scheduleRows_);
  workEnd_ = timeField("workEnd", QStringLiteral("Work until"), scheduleRows_);
  s->addLayout(hoursRow(QStringLiteral("Work"), workStart_, workEnd_, scheduleRows_));
  nightStart_ = timeField("nightStart", QStringLiteral("Night from"), scheduleRows_);
  nightEnd_ = timeField("nightEnd", QStringLiteral("Night until"), scheduleRows_);
  s->addLayout(hoursRow(QStringLiteral("Night"), nightStart_, nightEnd_, scheduleRows_));
  s->addWidget(form::footnote(QStringLiteral("Relax the rest of the time. Picking a mode by hand "
                                             "lasts until the schedule next changes."),
                              scheduleRows_));
  layout->addWidget(scheduleRows_);

  bedtime_ = form::toggle(QStringLiteral("Bedtime nudge"), "bedtimeNudge", this);
  layout->addWidget(bedtime_);
  QVBoxLayout* b = nullptr;
  bedtimeRows_ = form::group(this, b);
  bedtimeAt_ = timeField("bedtimeAt", QStringLiteral("Bedtime at"), bedtimeRows_);
  b->addLayout(form::row({new QLabel(QStringLiteral("At"), bedtimeRows_), nullptr, bedtimeAt_}));
  b->addWidget(form::footnote(
      QStringLiteral("If you're still at your computer, Pimble asks once whether you'd like to "
                     "wrap up. It never locks or closes anything."),
      bedtimeRows_));
  layout->addWidget(bedtimeRows_);

  // A pick asks the program for that mode and writes nothing itself; the
  // picker shows the mode in force again at once, and moves when the
  // program publishes the new one.
  connect(picker_, &SegmentedControl::picked, this, [this](int index) {
    if (const auto mode = form::caseAt<AwarenessMode>(index)) model_.actions.setMode(*mode);
    showMode();
  });
  form::onToggled(schedule_, model_,
                  [](AppSettings& s, bool on) { s.modes.schedule.isEnabled = on; });
  form::onToggled(bedtime_, model_,
                  [](AppSettings& s, bool on) { s.modes.bedtime.isEnabled = on; });
  workDays_->onToggle = [this](int day, bool on) {
    form::editSettings(model_, [day, on](AppSettings& s) {
      if (on)
        s.modes.schedule.workDays.insert(day);
      else
        s.modes.schedule.workDays.erase(day);
    });
  };
  form::onTimePicked(workStart_, model_,
                     [](AppSettings& s, std::int64_t m) { s.modes.schedule.workStartMinutes = m; });
  form::onTimePicked(workEnd_, model_,
                     [](AppSettings& s, std::int64_t m) { s.modes.schedule.workEndMinutes = m; });
  form::onTimePicked(nightStart_, model_, [](AppSettings& s, std::int64_t m) {
    s.modes.schedule.nightStartMinutes = m;
  });
  form::onTimePicked(nightEnd_, model_,
                     [](AppSettings& s, std::int64_t m) { s.modes.schedule.nightEndMinutes = m; });
  form::onTimePicked(bedtimeAt_, model_,
                     [](AppSettings& s, std::int64_t m) { s.modes.bedtime.minutes = m; });

  showMode();
  showSettings(model_.settings());
  connect(&model_, &AppModel::modeChanged, this, &ModeSection::showMode);
  connect(&model_, &AppModel::settingsChanged, this, &ModeSection::showSettings);
}

void ModeSection::showMode() {
  const QSignalBlocker quiet(picker_);
  picker_->setCurrentIndex(form::caseIndex(model_.mode()));
  footnote_->setText(form::modeDescription(model_.mode()));
}

void ModeSection::showSettings(const AppSettings& settings) {
  const ModeSchedule& schedule = settings.modes.schedule;
  const BedtimeNudge& bedtime = settings.modes.bedtime;
  const QSignalBlocker b1(schedule_), b2(bedtime_);
  schedule_->setChecked(schedule.isEnabled);
  scheduleRows_->setVisible(schedule.isEnabled);
  workDays_->setDays(schedule.workDays);
  workStart_->setMinutes(schedule.workStartMinutes);
  workEnd_->setMinutes(schedule.workEndMinutes);
  nightStart_->setMinutes(schedule.nightStartMinutes);
  nightEnd_->setMinutes(schedule.nightEndMinutes);
  bedtime_->setChecked(bedtime.isEnabled);
  bedtimeRows_->setVisible(bedtime.isEnabled);
  bedtimeAt_->setMinutes(bedtime.minutes);
}

}  // namespace pimble
