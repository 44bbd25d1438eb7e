#include "settings/focus_settings_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "models/stay_quiet_settings.h"
#include "settings/number_field.h"
#include "settings/settings_form.h"
#include "settings/time_of_day_edit.h"
#include "state/app_model.h"

namespace pimble {

namespace {
QString fullscreenLabel(FullscreenPolicy policy) {
  switch (policy) {
    case FullscreenPolicy::never:
      return QStringLiteral("Never");
    case FullscreenPolicy::mediaApps:
      return QStringLiteral("Video, slides, calls & games");
    case FullscreenPolicy::anyApp:
      return QStringLiteral("Any fullscreen app");
  }
  return {};
}

QSpinBox* stepper(int low, int high, int step, const QString& unit, const char* name,
                  QWidget* parent) {
  auto* spin = new NumberField(parent);
  spin->setObjectName(QString::fromLatin1(name));
  spin->setRange(low, high);
  spin->setSingleStep(step);
  spin->setSuffix(unit);
  spin->setKeyboardTracking(false);
  spin->setAlignment(Qt::AlignRight);
  return spin;
}

}  // namespace

QString FocusSettingsView::pauseStatus(std::optional<Date> pausedUntil, bool pausedIndefinitely) {
  if (pausedUntil) return QStringLiteral("Paused until ") + form::clockText(*pausedUntil);
  if (pausedIndefinitely) return QStringLiteral("Paused until you resume");
  return QStringLiteral("Reminders are running");
}

FocusSettingsView::FocusSettingsView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("focusTab"));
  auto* page = new QVBoxLayout(this);

  // Quiet hours
  QGroupBox* quiet = form::section(QStringLiteral("Quiet hours"), this);
  QVBoxLayout* q = form::sectionLayout(quiet);
  quietHours_ =
      form::toggle(QStringLiteral("Let the glimmet sleep during quiet hours"), "quietHours", quiet);
  q->addWidget(quietHours_);
  QVBoxLayout* times = nullptr;
  quietTimes_ = form::group(quiet, times);
  quietStart_ = new TimeOfDayEdit(quietTimes_);
  quietStart_->setObjectName(QStringLiteral("quietHoursStart"));
  quietEnd_ = new TimeOfDayEdit(quietTimes_);
  quietEnd_->setObjectName(QStringLiteral("quietHoursEnd"));
  times->addLayout(form::labelled(QStringLiteral("From"), quietStart_, quietTimes_));
  times->addLayout(form::labelled(QStringLiteral("Until"), quietEnd_, quietTimes_));
  times->addWidget(form::footnote(
      QStringLiteral("No reminders appear and the glimmet naps. A fresh countdown starts when "
                     "quiet hours end. Individual reminders can opt out."),
      quietTimes_));
  q->addWidget(quietTimes_);
  page->addWidget(quiet);

  form::onToggled(quietHours_, model_,
                  [](AppSettings& s, bool on) { s.quietHours.isEnabled = on; });
  form::onTimePicked(quietStart_, model_,
                     [](AppSettings& s, std::int64_t m) { s.quietHours.startMinutes = m; });
  form::onTimePicked(quietEnd_, model_,
                     [](AppSettings& s, std::int64_t m) { s.quietHours.endMinutes = m; });

  // Pausing
  QGroupBox* pausing = form::section(QStringLiteral("Pausing"), this);
  QVBoxLayout* p = form::sectionLayout(pausing);
  pauseStatus_ = new QLabel(pausing);
  pauseStatus_->setObjectName(QStringLiteral("pauseStatus"));
  resume_ = form::button(QStringLiteral("Resume"), "resume", pausing);
  connect(resume_, &QPushButton::clicked, this, [this] { model_.actions.resume(); });
  p->addLayout(form::row({pauseStatus_, nullptr, resume_}));
  struct PauseChoice {
    const char* title;
    const char* name;
    std::optional<double> seconds;
  };
  const PauseChoice choices[] = {{"15 minutes", "pause15", 900.0},
                                 {"30 minutes", "pause30", 1800.0},
                                 {"1 hour", "pause60", 3600.0},
                                 {"Until I resume", "pauseIndefinitely", std::nullopt}};
  auto* buttons = form::row({});
  for (const PauseChoice& choice : choices) {
    auto* b = form::button(QString::fromUtf8(choice.title), choice.name, pausing);
    const std::optional<double> seconds = choice.seconds;
    connect(b, &QPushButton::clicked, this, [this, seconds] { model_.actions.pause(seconds); });
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  p->addLayout(buttons);
  p->addWidget(form::footnote(
      QStringLiteral("While paused (or while your computer sleeps or is locked) timers stand "
                     "still, so nothing piles up."),
      pausing));
  page->addWidget(pausing);

  // Idle
  QGroupBox* idle = form::section(QStringLiteral("Idle"), this);
  QVBoxLayout* d = form::sectionLayout(idle);
  idleDetection_ =
      form::toggle(QStringLiteral("Wait until I'm back at the keyboard"), "idleDetection", idle);
  d->addWidget(idleDetection_);
  QVBoxLayout* idleLayout = nullptr;
  idleRows_ = form::group(idle, idleLayout);
  idleThreshold_ = stepper(1, 60, 1, QStringLiteral(" min"), "idleThreshold", idleRows_);
  idleLayout->addLayout(
      form::labelled(QStringLiteral("Counts as away after"), idleThreshold_, idleRows_));
  idleLayout->addWidget(form::footnote(
      QStringLiteral("Uses your desktop's standard idle timer, so no extra permissions are "
                     "needed. If you were away for a while, rest-type reminders are treated as "
                     "already done."),
      idleRows_));
  d->addWidget(idleRows_);
  page->addWidget(idle);

  form::onToggled(idleDetection_, model_,
                  [](AppSettings& s, bool on) { s.idleDetectionEnabled = on; });
  connect(idleThreshold_, &QSpinBox::valueChanged, this, [this](int minutes) {
    form::editSettings(model_, [minutes](AppSettings& s) { s.idleThresholdMinutes = minutes; });
  });

  // Stay quiet
  QGroupBox* stay = form::section(QStringLiteral("Stay quiet"), this);
  QVBoxLayout* y = form::sectionLayout(stay);
  fullscreen_ = new QComboBox(stay);
  fullscreen_->setObjectName(QStringLiteral("fullscreenPolicy"));
  for (FullscreenPolicy policy : allCases<FullscreenPolicy>())
    fullscreen_->addItem(fullscreenLabel(policy));
  y->addLayout(form::labelled(QStringLiteral("When an app is fullscreen"), fullscreen_, stay));
  hideInFullscreen_ =
      form::toggle(QStringLiteral("Hide the glimmet too"), "hideGlimmetInFullscreen", stay);
  y->addWidget(hideInFullscreen_);
  duringCalls_ =
      form::toggle(QStringLiteral("While the microphone or camera is in use"), "duringCalls", stay);
  y->addWidget(duringCalls_);
  QLabel* stayNote = form::footnote(
      QStringLiteral("Reminders and check-ins wait (their timers keep running) and appear once "
                     "you're done. Browsers count as video because the system can't tell "
                     "fullscreen video from a fullscreen browser window. Pimble only checks "
                     "<i>whether</i> the mic or camera is in use. It never listens or looks."),
      stay);
  stayNote->setTextFormat(Qt::RichText);
  y->addWidget(stayNote);
  quietStatus_ = new QLabel(stay);
  quietStatus_->setObjectName(QStringLiteral("quietStatus"));
  // It names applications as the desktop does.
  quietStatus_->setTextFormat(Qt::PlainText);
  quietStatus_->setWordWrap(true);
  form::makeSmall(quietStatus_);
  auto* checkNow = form::button(QStringLiteral("Check now"), "checkNow", stay);
  connect(checkNow, &QPushButton::clicked, this, [this] { model_.actions.refreshAwareness(); });
  y->addLayout(form::textRow(quietStatus_, checkNow));
  page->addWidget(stay);

  connect(fullscreen_, &QComboBox::activated, this, [this](int index) {
    if (const auto policy = form::caseAt<FullscreenPolicy>(index))
      form::editSettings(model_,
                         [policy = *policy](AppSettings& s) { s.stayQuiet.fullscreen = policy; });
  });
  form::onToggled(hideInFullscreen_, model_,
                  [](AppSettings& s, bool on) { s.stayQuiet.hideGlimmetInFullscreen = on; });
  form::onToggled(duringCalls_, model_,
                  [](AppSettings& s, bool on) { s.stayQuiet.duringCalls = on; });

  // Delivery
  QGroupBox* delivery = form::section(QStringLiteral("Delivery"), this);
  QVBoxLayout* v = form::sectionLayout(delivery);
  notifyWhenHidden_ = form::toggle(QStringLiteral("Send a notification when the glimmet is hidden"),
                                   "notifyWhenHidden", delivery);
  v->addWidget(notifyWhenHidden_);
  bubbleTimeout_ = stepper(30, 600, 30, QStringLiteral(" sec"), "bubbleTimeout", delivery);
  v->addLayout(
      form::labelled(QStringLiteral("Unanswered bubbles snooze after"), bubbleTimeout_, delivery));
  v->addWidget(form::footnote(
      QStringLiteral("Notifications go through your desktop, so its do-not-disturb setting "
                     "decides whether they show. Calls are recognised by the microphone or camera "
                     "being in use; screen sharing on its own isn't detected."),
      delivery));
  page->addWidget(delivery);
  page->addStretch(1);

  form::onToggled(notifyWhenHidden_, model_,
                  [](AppSettings& s, bool on) { s.notifyWhenHidden = on; });
  connect(bubbleTimeout_, &QSpinBox::valueChanged, this, [this](int seconds) {
    form::editSettings(model_, [seconds](AppSettings& s) { s.bubbleTimeoutSeconds = seconds; });
  });

  showSettings(model_.settings());
  showPause();
  quietStatus_->setText(QString::fromStdString(model_.quietStatus()));
  connect(&model_, &AppModel::settingsChanged, this, &FocusSettingsView::showSettings);
  connect(&model_, &AppModel::pausedUntilChanged, this, &FocusSettingsView::showPause);
  connect(&model_, &AppModel::pausedIndefinitelyChanged, this, &FocusSettingsView::showPause);
  connect(&model_, &AppModel::quietStatusChanged, this,
          [this](const std::string& text) { quietStatus_->setText(QString::fromStdString(text)); });
}

void FocusSettingsView::showSettings(const AppSettings& s) {
  const QSignalBlocker b1(quietHours_), b2(quietStart_), b3(quietEnd_), b4(idleDetection_),
      b5(idleThreshold_), b6(fullscreen_), b7(hideInFullscreen_), b8(duringCalls_),
      b9(notifyWhenHidden_), b10(bubbleTimeout_);
  quietHours_->setChecked(s.quietHours.isEnabled);
  quietTimes_->setVisible(s.quietHours.isEnabled);
  quietStart_->setMinutes(s.quietHours.startMinutes);
  quietEnd_->setMinutes(s.quietHours.endMinutes);
  idleDetection_->setChecked(s.idleDetectionEnabled);
  idleRows_->setVisible(s.idleDetectionEnabled);
  idleThreshold_->setValue(form::spinValue(s.idleThresholdMinutes));
  fullscreen_->setCurrentIndex(form::caseIndex(s.stayQuiet.fullscreen));
  hideInFullscreen_->setChecked(s.stayQuiet.hideGlimmetInFullscreen);
  hideInFullscreen_->setVisible(s.stayQuiet.fullscreen != FullscreenPolicy::never);
  duringCalls_->setChecked(s.stayQuiet.duringCalls);
  notifyWhenHidden_->setChecked(s.notifyWhenHidden);
  bubbleTimeout_->setValue(form::spinValue(s.bubbleTimeoutSeconds));
}

void FocusSettingsView::showPause() {
  pauseStatus_->setText(pauseStatus(model_.pausedUntil(), model_.pausedIndefinitely()));
  resume_->setVisible(model_.isPaused());
}

void FocusSettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  model_.actions.refreshAwareness();
}

}  // namespace pimble
