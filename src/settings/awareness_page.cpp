#include "settings/awareness_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "settings/add_app_menu.h"
#include "settings/flow_buttons.h"
#include "settings/settings_form.h"
#include "settings/tour_look.h"
#include "state/app_model.h"

namespace pimble {

std::vector<ReturnTarget> AwarenessPage::candidates(const AppSettings& settings) {
  std::vector<ReturnTarget> offer = AddAppMenu::candidates(settings.awareness);
  if (offer.size() > offered) offer.resize(offered);
  return offer;
}

AwarenessPage::AwarenessPage(AppModel& model, int rowWidth, QWidget* parent)
    : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("awarenessPage"));
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(8);
  stack->addWidget(tour::sentence(
      QStringLiteral("Add the apps you'd like a gentle check-in for. Pimble then counts how long "
                     "you actively use them (only those apps) and checks in when you pass the "
                     "time you set."),
      this));
  QWidget* never = tour::symbolLabel(
      "lock.fill",
      QStringLiteral("Never: keystrokes, window titles, websites, screen, mic or camera contents."),
      this, true);
  form::makeSmall(never);
  stack->addWidget(never);
  stack->addWidget(tour::secondary(QStringLiteral("Pimble sees apps, not websites. For Netflix or "
                                                  "YouTube, start a session timer from the menu."),
                                   this, true));
  enabled_ = form::toggle(QStringLiteral("Turn on Pimble Awareness"), "awarenessEnabled", this);
  stack->addWidget(enabled_);
  form::onToggled(enabled_, model_, [](AppSettings& s, bool on) { s.awareness.isEnabled = on; });

  watching_ = tour::sentence(QString(), this);
  watching_->setObjectName(QStringLiteral("watching"));
  form::makeSmall(watching_);
  stack->addWidget(watching_);
  addLabel_ = tour::secondary(QStringLiteral("Add an open app:"), this, true);
  addLabel_->setObjectName(QStringLiteral("addOpenApp"));
  stack->addWidget(addLabel_);
  buttons_ = new FlowButtons(rowWidth, this);
  buttons_->setObjectName(QStringLiteral("openApps"));
  buttons_->tap = [this](const ReturnTarget& app) { model_.watch(app); };
  stack->addWidget(buttons_);

  showSettings(model_.settings());
  connect(&model_, &AppModel::settingsChanged, this, &AwarenessPage::showSettings);
}

void AwarenessPage::showSettings(const AppSettings& settings) {
  {
    const QSignalBlocker quiet(enabled_);
    enabled_->setChecked(settings.awareness.isEnabled);
  }
  const bool on = settings.awareness.isEnabled;
  QStringList names;
  for (const WatchedApp& app : settings.awareness.apps) names << form::text(app.name);
  watching_->setText(QStringLiteral("Watching: ") + names.join(QStringLiteral(", ")));
  watching_->setVisible(on && !names.isEmpty());
  std::vector<ReturnTarget> offer = on ? candidates(settings) : std::vector<ReturnTarget>{};
  addLabel_->setVisible(!offer.empty());
  buttons_->setVisible(!offer.empty());
  buttons_->setItems(std::move(offer));
}

}  // namespace pimble
