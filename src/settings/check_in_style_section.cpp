#include "settings/check_in_style_section.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "settings/segmented_control.h"
#include "settings/settings_form.h"
#include "state/app_model.h"

namespace pimble {

namespace {

QString styleLabel(CheckInStyle style) {
  switch (style) {
    case CheckInStyle::bubble:
      return QStringLiteral("Speech bubble");
    case CheckInStyle::glimmetOnly:
      return QStringLiteral("Just the glimmet");
  }
  return {};
}

QString cooldownLabel(const std::optional<std::int64_t>& minutes) {
  if (!minutes) return QStringLiteral("Don't check again this session");
  if (*minutes == 30) return QStringLiteral("Check again in 30 min");
  if (*minutes == 60) return QStringLiteral("Check again in 1 hour");
  return QStringLiteral("Check again in 2 hours");
}

}  // namespace

const std::optional<std::int64_t> CheckInStyleSection::cooldowns[4] = {30, 60, 120, std::nullopt};

CheckInStyleSection::CheckInStyleSection(AppModel& model, QWidget* parent)
    : QGroupBox(QStringLiteral("Check-ins"), parent), model_(model) {
  setObjectName(QStringLiteral("checkInsSection"));
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(8);

  tone_ = new SegmentedControl(form::caseNames<CheckInTone>(), this);
  tone_->setObjectName(QStringLiteral("checkInTone"));
  layout->addLayout(form::labelled(QStringLiteral("Personality"), tone_, this));

  sample_ = new QLabel(this);
  sample_->setObjectName(QStringLiteral("checkInSample"));
  sample_->setWordWrap(true);
  sample_->setTextFormat(Qt::PlainText);
  sample_->setForegroundRole(QPalette::PlaceholderText);
  sample_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
  form::makeSmall(sample_);
  QFont italic = sample_->font();
  italic.setItalic(true);
  sample_->setFont(italic);
  layout->addWidget(sample_);

  style_ = new QComboBox(this);
  style_->setObjectName(QStringLiteral("checkInStyle"));
  style_->addItems(form::caseLabels<CheckInStyle>(styleLabel));
  layout->addLayout(form::labelled(QStringLiteral("Show as"), style_, this));
  glimmetNote_ = form::footnote(
      QStringLiteral("Pimble quietly holds up a little clock. Click it to see the details."), this);
  glimmetNote_->setObjectName(QStringLiteral("glimmetOnlyNote"));
  layout->addWidget(glimmetNote_);

  cooldown_ = new QComboBox(this);
  cooldown_->setObjectName(QStringLiteral("keepGoingCooldown"));
  for (const auto& minutes : cooldowns) cooldown_->addItem(cooldownLabel(minutes));
  layout->addLayout(
      form::labelled(QStringLiteral("After \u201CKeep going\u201D"), cooldown_, this));

  overFullscreen_ = form::toggle(QStringLiteral("Check in even while an app is fullscreen"),
                                 "checkInOverFullscreen", this);
  layout->addWidget(overFullscreen_);
  layout->addWidget(form::footnote(QStringLiteral("Off by default: Pimble waits until you leave "
                                                  "fullscreen video, slides or games."),
                                   this));

  form::onCasePicked<CheckInTone>(tone_, model_,
                                  [](AppSettings& s, CheckInTone t) { s.awareness.tone = t; });
  connect(style_, &QComboBox::activated, this, [this](int index) {
    if (const auto style = form::caseAt<CheckInStyle>(index))
      form::editSettings(model_, [style = *style](AppSettings& s) { s.awareness.style = style; });
  });
  connect(cooldown_, &QComboBox::activated, this, [this](int index) {
    if (index < 0 || index >= static_cast<int>(std::size(cooldowns))) return;
    const std::optional<std::int64_t> minutes = cooldowns[index];
    form::editSettings(
        model_, [minutes](AppSettings& s) { s.awareness.keepGoingCooldownMinutes = minutes; });
  });
  form::onToggled(overFullscreen_, model_,
                  [](AppSettings& s, bool on) { s.awareness.checkInOverFullscreen = on; });

  showSettings(model_.settings());
  connect(&model_, &AppModel::settingsChanged, this, &CheckInStyleSection::showSettings);
  connect(&model_, &AppModel::modeChanged, this, &CheckInStyleSection::showSample);
  // The sample's clock follows the tab's refresh.
  connect(&model_, &AppModel::activityTodayChanged, this, &CheckInStyleSection::showSample);
}

QString CheckInStyleSection::sampleText() const {
  return QStringLiteral("\u201C") +
         form::sampleCheckIn(model_.settings().awareness.tone, model_.mode(),
                             form::clockText(model_.now())) +
         QStringLiteral("\u201D");
}

void CheckInStyleSection::showSample() {
  sample_->setText(sampleText());
}

void CheckInStyleSection::showSettings(const AppSettings& settings) {
  const AwarenessSettings& a = settings.awareness;
  const QSignalBlocker b1(tone_), b2(style_), b3(cooldown_), b4(overFullscreen_);
  tone_->setCurrentIndex(form::caseIndex(a.tone));
  style_->setCurrentIndex(form::caseIndex(a.style));
  glimmetNote_->setVisible(a.style == CheckInStyle::glimmetOnly);
  // A value the menu does not offer (from an edited file) selects nothing.
  int chosen = -1;
  for (int i = 0; i < static_cast<int>(std::size(cooldowns)); ++i)
    if (cooldowns[i] == a.keepGoingCooldownMinutes) chosen = i;
  cooldown_->setCurrentIndex(chosen);
  overFullscreen_->setChecked(a.checkInOverFullscreen);
  showSample();
}

}  // namespace pimble
