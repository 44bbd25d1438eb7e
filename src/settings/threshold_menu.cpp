#include "settings/threshold_menu.h"

#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "models/duration_text.h"
#include "settings/settings_form.h"

namespace pimble {

QString ThresholdMenu::title(const std::optional<std::int64_t>& minutes) {
  if (!minutes) return QStringLiteral("Off");
  return QString::fromStdString(DurationText::compact(*minutes));
}

ThresholdMenu::ThresholdMenu(AwarenessMode mode, std::vector<std::int64_t> options, QWidget* parent)
    : QWidget(parent), mode_(mode) {
  setObjectName(QStringLiteral("limit-") + form::text(enumName(mode)));
  setMinimumWidth(40);
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(1);
  auto* label = new QLabel(form::modeLabel(mode), this);
  label->setAlignment(Qt::AlignCenter);
  label->setForegroundRole(QPalette::PlaceholderText);
  QFont small = label->font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  label->setFont(small);
  stack->addWidget(label);

  button_ = new QToolButton(this);
  button_->setObjectName(QStringLiteral("limitButton"));
  button_->setPopupMode(QToolButton::InstantPopup);
  button_->setAutoRaise(true);
  button_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
  button_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  form::makeSmall(button_);
  menu_ = new QMenu(button_);
  QAction* none = menu_->addAction(QStringLiteral("No check-ins"));
  connect(none, &QAction::triggered, this, [this] { pick(std::nullopt); });
  menu_->addSeparator();
  for (std::int64_t option : options) {
    QAction* item = menu_->addAction(
        QString::fromStdString(DurationText::shortText(static_cast<double>(option) * 60)));
    connect(item, &QAction::triggered, this, [this, option] { pick(option); });
  }
  button_->setMenu(menu_);
  stack->addWidget(button_, 0, Qt::AlignHCenter);

  setToolTip(form::modeLabel(mode) + QStringLiteral(" mode: check in after this much active use"));
  setMinutes(std::nullopt);
}

void ThresholdMenu::setMinutes(const std::optional<std::int64_t>& minutes) {
  button_->setText(title(minutes));
  const QString value =
      minutes ? QString::number(*minutes) + QStringLiteral(" minutes") : QStringLiteral("off");
  const QString name = form::modeLabel(mode_) + QStringLiteral(" check-in: ") + value;
  setAccessibleName(name);
  button_->setAccessibleName(name);
}

void ThresholdMenu::pick(std::optional<std::int64_t> minutes) {
  if (onPick) onPick(minutes);
}

}  // namespace pimble
