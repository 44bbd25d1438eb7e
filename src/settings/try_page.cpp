#include "settings/try_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "bubbles/symbol_image.h"
#include "settings/minutes_of_day.h"
#include "settings/settings_form.h"
#include "settings/tour_look.h"
#include "state/app_model.h"

namespace pimble {

QString TryPage::clock(std::int64_t minutes) {
  return QLocale().toString(MinutesOfDay::time(minutes), form::timeFormat());
}

QString TryPage::quietSentence(std::int64_t start, std::int64_t end) {
  return QStringLiteral(
             "Look for the bubble next to Pimble. Pimble waits during calls and fullscreen video, "
             "and naps during quiet hours (") +
         clock(start) + QStringLiteral("–") + clock(end) + QStringLiteral(").");
}

TryPage::TryPage(AppModel& model, std::function<void(ReminderKind)> tryReminder, QWidget* parent)
    : QWidget(parent), model_(model), tryReminder_(std::move(tryReminder)) {
  setObjectName(QStringLiteral("tryPage"));
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(10);
  stack->addWidget(
      tour::sentence(QStringLiteral("This is what a reminder looks like. Pimble does it with you, "
                                    "then you tap Done, Snooze or Skip."),
                     this));

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  const auto add = [&](const QString& title, std::string_view symbol, const char* name,
                       ReminderKind kind) {
    auto* b = new QPushButton(title, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(SymbolImage::icon(symbol, 18, tour::accent()));
    b->setIconSize(QSize(18, 18));
    b->setMinimumHeight(34);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, kind] {
      if (tryReminder_) tryReminder_(kind);
    });
    buttons->addWidget(b);
  };
  add(QStringLiteral("Water break"), "drop.fill", "tryWater", ReminderKind::water);
  add(QStringLiteral("Stretch"), "figure.flexibility", "tryStretch", ReminderKind::stretch);
  buttons->addStretch(1);
  stack->addLayout(buttons);

  quiet_ = tour::secondary(QString(), this, true);
  quiet_->setObjectName(QStringLiteral("quietSentence"));
  stack->addWidget(quiet_);

  showSettings(model_.settings());
  connect(&model_, &AppModel::settingsChanged, this, &TryPage::showSettings);
}

void TryPage::showSettings(const AppSettings& settings) {
  quiet_->setText(quietSentence(settings.quietHours.startMinutes, settings.quietHours.endMinutes));
}

}  // namespace pimble
