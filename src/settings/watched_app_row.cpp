#include "settings/watched_app_row.h"

#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "bubbles/bubble_look.h"
#include "bubbles/symbol_image.h"
#include "models/duration_text.h"
#include "settings/app_directory.h"
#include "settings/elided_label.h"
#include "settings/settings_form.h"
#include "settings/threshold_menu.h"

namespace pimble {

namespace {
constexpr int kButtonSymbolPoints = 16;

// The field of a mode's limit, of a mutable or a read-only entry.
template <class App>
auto& limitField(App& app, AwarenessMode mode) {
  switch (mode) {
    case AwarenessMode::relax:
      return app.relaxMinutes;
    case AwarenessMode::night:
      return app.nightMinutes;
    case AwarenessMode::work:
      break;
  }
  return app.workMinutes;
}

// A limit as the menus read it: none stays none, below one minute counts
// as one.
std::optional<std::int64_t> shownLimit(const WatchedApp& app, AwarenessMode mode) {
  const std::optional<std::int64_t>& stored = limitField(app, mode);
  if (!stored) return std::nullopt;
  return std::max<std::int64_t>(*stored, 1);
}
}  // namespace

const std::vector<std::int64_t> WatchedAppRow::limitOptions = {5,  10, 15, 20,  30,
                                                               45, 60, 90, 120, 180};

QString WatchedAppRow::categoryLabel(AppCategory category) {
  switch (category) {
    case AppCategory::work:
      return QStringLiteral("Work");
    case AppCategory::social:
      return QStringLiteral("Social & chat");
    case AppCategory::video:
      return QStringLiteral("Video");
    case AppCategory::game:
      return QStringLiteral("Game");
    case AppCategory::other:
      return QStringLiteral("Other");
  }
  return {};
}

QString WatchedAppRow::todayText(double seconds) {
  const QString duration = seconds < 60 ? QStringLiteral("\u2014")
                                        : QString::fromStdString(DurationText::shortText(seconds));
  return QStringLiteral("\u00B7 today ") + duration;
}

WatchedAppRow::WatchedAppRow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("watchedAppRow"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 2, 0, 2);
  row->setSpacing(10);

  icon_ = new QLabel(this);
  icon_->setFixedSize(AppDirectory::iconPoints, AppDirectory::iconPoints);
  icon_->setAccessibleName(QString());
  icon_->setFocusPolicy(Qt::NoFocus);
  row->addWidget(icon_, 0, Qt::AlignVCenter);

  auto* texts = new QVBoxLayout;
  texts->setSpacing(2);
  name_ = new ElidedLabel(this);
  name_->setObjectName(QStringLiteral("watchedAppName"));
  texts->addWidget(name_);
  auto* details = new QHBoxLayout;
  details->setSpacing(4);
  category_ = new QToolButton(this);
  category_->setObjectName(QStringLiteral("category"));
  category_->setPopupMode(QToolButton::InstantPopup);
  category_->setAutoRaise(true);
  category_->setStyleSheet(
      QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
  category_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  form::makeSmall(category_);
  categories_ = new QMenu(category_);
  for (AppCategory c : allCases<AppCategory>()) {
    QAction* item = categories_->addAction(BubbleLook::literal(categoryLabel(c)));
    connect(item, &QAction::triggered, this, [this, c] {
      if (onCategory) onCategory(c);
    });
  }
  category_->setMenu(categories_);
  details->addWidget(category_);
  today_ = new QLabel(this);
  today_->setObjectName(QStringLiteral("today"));
  today_->setForegroundRole(QPalette::PlaceholderText);
  form::makeSmall(today_);
  details->addWidget(today_);
  details->addStretch(1);
  texts->addLayout(details);
  row->addLayout(texts, 1);

  for (AwarenessMode mode : allCases<AwarenessMode>()) {
    auto* menu = new ThresholdMenu(mode, limitOptions, this);
    menu->onPick = [this, mode](std::optional<std::int64_t> minutes) {
      change([mode, minutes](WatchedApp& app) { limitField(app, mode) = minutes; });
    };
    limits_[static_cast<size_t>(form::caseIndex(mode))] = menu;
    row->addWidget(menu, 0, Qt::AlignVCenter);
  }

  flag_ = new QToolButton(this);
  flag_->setObjectName(QStringLiteral("askIntention"));
  flag_->setCheckable(true);
  flag_->setAutoRaise(true);
  flag_->setIconSize(QSize(kButtonSymbolPoints, kButtonSymbolPoints));
  connect(flag_, &QToolButton::toggled, this,
          [this](bool on) { change([on](WatchedApp& app) { app.askIntention = on; }); });
  row->addWidget(flag_, 0, Qt::AlignVCenter);

  enabled_ = new QCheckBox(this);
  enabled_->setObjectName(QStringLiteral("checkInSwitch"));
  connect(enabled_, &QCheckBox::toggled, this,
          [this](bool on) { change([on](WatchedApp& app) { app.isEnabled = on; }); });
  row->addWidget(enabled_, 0, Qt::AlignVCenter);

  remove_ = new QToolButton(this);
  remove_->setObjectName(QStringLiteral("removeApp"));
  remove_->setAutoRaise(true);
  remove_->setIconSize(QSize(kButtonSymbolPoints, kButtonSymbolPoints));
  connect(remove_, &QToolButton::clicked, this, [this] {
    if (onRemove) onRemove();
  });
  row->addWidget(remove_, 0, Qt::AlignVCenter);

  // Dimmed, not disabled: every control still works.
  dim_ = new QGraphicsOpacityEffect(this);
  dim_->setOpacity(1.0);
  setGraphicsEffect(dim_);
  paintSymbols();
}

ThresholdMenu* WatchedAppRow::limit(AwarenessMode mode) const {
  return limits_[static_cast<size_t>(form::caseIndex(mode))];
}

double WatchedAppRow::opacity() const {
  return dim_->opacity();
}

void WatchedAppRow::paintSymbols() {
  const QColor text = palette().color(QPalette::ButtonText);
  const QColor accent = BubbleLook::accent();
  QIcon flag = SymbolImage::icon("flag", kButtonSymbolPoints, text);
  for (qreal dpr : {1.0, 2.0}) {
    flag.addPixmap(SymbolImage::pixmap("flag.fill", kButtonSymbolPoints, accent, dpr),
                   QIcon::Normal, QIcon::On);
  }
  flag_->setIcon(flag);
  remove_->setIcon(SymbolImage::icon("minus.circle", kButtonSymbolPoints, text));
}

void WatchedAppRow::change(const std::function<void(WatchedApp&)>& edit) {
  if (onChange) onChange(edit);
}

void WatchedAppRow::setApp(const WatchedApp& app, double todaySeconds) {
  const bool newApp = app.bundleID != bundleID_;
  bundleID_ = app.bundleID;
  if (newApp) iconShown_ = false;
  if (newApp && isVisible()) loadIcon();
  const QString name = QString::fromStdString(app.name);
  name_->setFullText(name);
  const QString category = categoryLabel(app.category);
  // The menu's arrow follows the name, where it cannot cover it.
  category_->setText(BubbleLook::literal(category) + QStringLiteral(" \u25BE"));
  category_->setAccessibleName(QStringLiteral("Category: ") + category);
  today_->setText(todayText(todaySeconds));
  for (AwarenessMode mode : allCases<AwarenessMode>())
    limit(mode)->setMinutes(shownLimit(app, mode));
  {
    const QSignalBlocker b1(flag_), b2(enabled_);
    flag_->setChecked(app.askIntention);
    enabled_->setChecked(app.isEnabled);
  }
  flag_->setToolTip(
      BubbleLook::plainToolTip(QStringLiteral("Ask what you're here for when you switch to ") +
                               name + QStringLiteral(" (Work mode)")));
  flag_->setAccessibleName(QStringLiteral("Ask what I'm here for in ") + name);
  enabled_->setAccessibleName(QStringLiteral("Check in on ") + name);
  remove_->setAccessibleName(QStringLiteral("Remove ") + name);
  remove_->setToolTip(BubbleLook::plainToolTip(remove_->accessibleName()));
  dim_->setOpacity(app.isEnabled ? 1.0 : dimmedOpacity);
}

void WatchedAppRow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  loadIcon();
}

void WatchedAppRow::loadIcon() {
  // Icons come from the desktop's icon theme: looked up once the row is
  // actually on screen, not for every row when the list is built.
  if (iconShown_ || bundleID_.empty() || !iconFor) return;
  iconShown_ = true;
  const QIcon icon = iconFor(bundleID_);
  icon_->setPixmap(
      icon.pixmap(QSize(AppDirectory::iconPoints, AppDirectory::iconPoints), devicePixelRatioF()));
}

}  // namespace pimble
