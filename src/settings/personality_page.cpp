#include "settings/personality_page.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "settings/segmented_control.h"
#include "settings/settings_form.h"
#include "settings/tour_look.h"
#include "state/app_model.h"

namespace pimble {

namespace {
// The sample check-in's card: the soft bubble's fill and outline.
class SampleCard : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
    p.fillPath(card, QColor::fromRgbF(1.0f, 0.99f, 0.98f));
    p.strokePath(card, QPen(QColor::fromRgbF(0.88f, 0.86f, 0.97f), 1));
  }
};
}  // namespace

QString PersonalityPage::sample(CheckInTone tone) {
  return form::sampleCheckIn(tone, AwarenessMode::work, QString());
}

PersonalityPage::PersonalityPage(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("personalityPage"));
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(12);

  tone_ = new SegmentedControl(form::caseNames<CheckInTone>(), this);
  tone_->setObjectName(QStringLiteral("tone"));
  tone_->setAccent(tour::accent());
  tone_->setAccessibleName(QStringLiteral("Personality"));
  stack->addWidget(tone_, 0, Qt::AlignLeft);
  form::onCasePicked<CheckInTone>(tone_, model_,
                                  [](AppSettings& s, CheckInTone t) { s.awareness.tone = t; });

  auto* card = new SampleCard(this);
  card->setObjectName(QStringLiteral("sampleCard"));
  auto* cardStack = new QVBoxLayout(card);
  cardStack->setContentsMargins(12, 12, 12, 12);
  cardStack->setSpacing(6);
  QLabel* heading = tour::sentence(QStringLiteral("Discord · 27 min"), card);
  heading->setFont(tour::rounded(tour::headlineSize, QFont::DemiBold));
  // The card is always light: its text keeps dark tones in a dark theme.
  QPalette light = card->palette();
  light.setColor(QPalette::WindowText, QColor(30, 30, 30));
  light.setColor(QPalette::PlaceholderText, QColor(100, 100, 108));
  card->setPalette(light);
  cardStack->addWidget(heading);
  sample_ = tour::secondary(QString(), card);
  sample_->setObjectName(QStringLiteral("sample"));
  cardStack->addWidget(sample_);
  stack->addWidget(card);

  stack->addWidget(tour::secondary(
      QStringLiteral("Never guilt-trips, never judges. Switch any time."), this, true));

  showSettings(model_.settings());
  connect(&model_, &AppModel::settingsChanged, this, &PersonalityPage::showSettings);
}

void PersonalityPage::showSettings(const AppSettings& settings) {
  const QSignalBlocker quiet(tone_);
  tone_->setCurrentIndex(form::caseIndex(settings.awareness.tone));
  sample_->setText(sample(settings.awareness.tone));
}

}  // namespace pimble
