#include "settings/goals_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "bubbles/bubble_look.h"
#include "bubbles/symbol_image.h"
#include "settings/onboarding_state.h"
#include "settings/tour_look.h"
#include "state/app_model.h"

namespace pimble {

namespace {
QCheckBox* goalBox(const QString& title, std::string_view symbol, const char* name,
                   QWidget* parent) {
  auto* box = new QCheckBox(BubbleLook::literal(title), parent);
  box->setAccessibleName(title);
  box->setObjectName(QString::fromLatin1(name));
  box->setIcon(SymbolImage::icon(symbol, 16, tour::accent()));
  return box;
}
}  // namespace

bool GoalsPage::anyEnabled(const std::vector<Reminder>& reminders,
                           const std::set<ReminderKind>& kinds) {
  for (const Reminder& r : reminders)
    if (r.isEnabled && kinds.contains(r.kind)) return true;
  return false;
}

std::vector<Reminder> GoalsPage::switched(std::vector<Reminder> reminders,
                                          const std::set<ReminderKind>& kinds, bool on) {
  for (Reminder& r : reminders)
    if (kinds.contains(r.kind)) r.isEnabled = on;
  return reminders;
}

GoalsPage::GoalsPage(AppModel& model, OnboardingState& state, QWidget* parent)
    : QWidget(parent), model_(model), state_(state) {
  setObjectName(QStringLiteral("goalsPage"));
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(8);

  const auto add = [&](const QString& title, std::string_view symbol, const char* name,
                       std::set<ReminderKind> kinds) {
    QCheckBox* box = goalBox(title, symbol, name, this);
    stack->addWidget(box);
    connect(box, &QCheckBox::toggled, this, [this, kinds](bool on) {
      model_.setReminders(switched(model_.reminders(), kinds, on));
    });
    goals_.push_back({std::move(kinds), box});
  };
  add(QStringLiteral("Drink water"), "drop.fill", "goalWater", {ReminderKind::water});
  add(QStringLiteral("Stretch"), "figure.flexibility", "goalStretch", {ReminderKind::stretch});
  add(QStringLiteral("Rest my eyes"), "eye", "goalEyes", {ReminderKind::eyeRest});
  add(QStringLiteral("Posture, walks & proper breaks"), "figure.walk", "goalBreaks",
      {ReminderKind::posture, ReminderKind::walk, ReminderKind::takeBreak});

  awareness_ = goalBox(QStringLiteral("Notice when I lose track of time in apps"), "hourglass",
                       "goalAwareness", this);
  stack->addWidget(awareness_);
  awareness_->setChecked(state_.wantsAwareness());
  connect(awareness_, &QCheckBox::toggled, &state_, &OnboardingState::setWantsAwareness);
  connect(&state_, &OnboardingState::wantsAwarenessChanged, this, [this](bool wants) {
    const QSignalBlocker quiet(awareness_);
    awareness_->setChecked(wants);
  });

  stack->addWidget(
      tour::secondary(QStringLiteral("Change any of this later in Settings."), this, true));

  showReminders(model_.reminders());
  connect(&model_, &AppModel::remindersChanged, this, &GoalsPage::showReminders);
}

void GoalsPage::showReminders(const std::vector<Reminder>& reminders) {
  for (const Goal& goal : goals_) {
    const QSignalBlocker quiet(goal.box);
    goal.box->setChecked(anyEnabled(reminders, goal.kinds));
  }
}

}  // namespace pimble
