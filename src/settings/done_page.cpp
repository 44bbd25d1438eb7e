#include "settings/done_page.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "settings/onboarding_state.h"
#include "settings/settings_form.h"
#include "settings/tour_look.h"

namespace pimble {

DonePage::DonePage(OnboardingState& state, QWidget* parent) : QWidget(parent), state_(state) {
  setObjectName(QStringLiteral("donePage"));
  form::makeSmall(this);
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(8);
  QLabel* ready = tour::sentence(QStringLiteral("Pimble is ready to look after you."), this);
  ready->setFont(tour::rounded(tour::title3Size));
  stack->addWidget(ready);
  stack->addWidget(tour::symbolLabel(
      "hand.tap", QStringLiteral("Click Pimble to say hi, double-click for quick actions."), this));
  stack->addWidget(
      tour::symbolLabel("wind", QStringLiteral("Drag Pimble anywhere. It flies!"), this));
  stack->addWidget(tour::symbolLabel(
      "flag.checkered", QStringLiteral("Ctrl+Alt+I sets an intention: “YouTube, 15 minutes”."),
      this));
  stack->addWidget(tour::symbolLabel(
      "menubar.rectangle", QStringLiteral("Everything else lives in the tray icon."), this));
  stack->addSpacing(4);
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  stack->addWidget(rule);
  stack->addSpacing(4);
  QLabel* question =
      tour::sentence(QStringLiteral("See Pimble every time you start your computer?"), this);
  QFont headline = question->font();
  headline.setWeight(QFont::DemiBold);
  question->setFont(headline);
  stack->addWidget(question);
  openAtLogin_ =
      form::toggle(QStringLiteral("Open Pimble automatically when I log in"), "openAtLogin", this);
  openAtLogin_->setChecked(state_.openAtLogin());
  connect(openAtLogin_, &QCheckBox::toggled, &state_, &OnboardingState::setOpenAtLogin);
  connect(&state_, &OnboardingState::openAtLoginChanged, this, [this](bool open) {
    const QSignalBlocker quiet(openAtLogin_);
    openAtLogin_->setChecked(open);
  });
  stack->addWidget(openAtLogin_);
  stack->addWidget(
      tour::secondary(QStringLiteral("You can change this any time in Settings ▸ General."), this));
}

}  // namespace pimble
