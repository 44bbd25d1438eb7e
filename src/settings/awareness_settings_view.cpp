#include "settings/awareness_settings_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "bubbles/symbol_image.h"
#include "models/duration_text.h"
#include "settings/add_app_menu.h"
#include "settings/app_directory.h"
#include "settings/check_in_style_section.h"
#include "settings/mode_section.h"
#include "settings/settings_form.h"
#include "settings/watched_app_row.h"
#include "state/app_model.h"
#include "system/time_source.h"

namespace pimble {

namespace {

constexpr int kNoteSymbolPoints = 14;

// What the awareness engine looks at, and what it never does.
struct Observation {
  const char* symbol;
  const char* text;
};
constexpr Observation observations[] = {
    {"app", "Which app is in front, and for how long. Only apps you add below are counted."},
    {"keyboard", "Whether you're at the keyboard (your desktop's standard idle timer)."},
    {"play.rectangle",
     "Whether the app in front is keeping your display awake, so watching a video still counts."},
    {"lock.fill",
     "Never: keystrokes, window titles, web pages, screen contents, audio or your camera. Nothing "
     "leaves your computer."},
};

QString retentionLabel(std::int64_t days) {
  return QString::number(days) + QStringLiteral(" days");
}

QLabel* value(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

}  // namespace

QString AwarenessSettingsView::activeTimeText(double seconds) {
  if (!(seconds >= 60)) return QStringLiteral("\u2014");
  return QString::fromStdString(DurationText::shortText(seconds));
}

QString AwarenessSettingsView::intentionsText(std::int64_t set, std::int64_t kept) {
  if (set == 0) return QStringLiteral("\u2014");
  return QString::number(set) + QStringLiteral(" set \u00B7 ") + QString::number(kept) +
         QStringLiteral(" kept");
}

QString AwarenessSettingsView::appsFootnote(std::int64_t sessionGapMinutes) {
  return QStringLiteral(
             "Check-in times count active use: time you're actually in the app. Short trips "
             "elsewhere don't reset it; %1 minutes away does. Pimble sees apps, not websites: a "
             "browser counts as a whole. For Netflix, YouTube and other sites, start a session "
             "timer from the menu.")
      .arg(sessionGapMinutes);
}

AwarenessSettingsView::AwarenessSettingsView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), apps_(std::make_unique<AppDirectory>()) {
  setObjectName(QStringLiteral("awarenessTab"));
  auto* page = new QVBoxLayout(this);
  const QColor secondary = palette().color(QPalette::PlaceholderText);

  // On or off, and what Pimble looks at.
  QGroupBox* intro = form::section(QString(), this);
  QVBoxLayout* i = form::sectionLayout(intro);
  enabled_ = form::toggle(QStringLiteral("Turn on Pimble Awareness"), "awarenessEnabled", intro);
  QFont headline = enabled_->font();
  headline.setBold(true);
  enabled_->setFont(headline);
  i->addWidget(enabled_);
  i->addWidget(form::footnote(QStringLiteral("Pimble notices when you've spent longer than you "
                                             "meant to in an app, and checks in without blocking "
                                             "anything."),
                              intro));
  disclosure_ = new QToolButton(intro);
  disclosure_->setObjectName(QStringLiteral("whatPimbleLooksAt"));
  disclosure_->setText(QStringLiteral("What Pimble looks at"));
  disclosure_->setCheckable(true);
  disclosure_->setAutoRaise(true);
  disclosure_->setArrowType(Qt::RightArrow);
  disclosure_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  i->addWidget(disclosure_);
  QVBoxLayout* o = nullptr;
  observed_ = form::group(intro, o);
  o->setSpacing(6);
  o->setContentsMargins(4, 4, 0, 0);
  for (const Observation& seen : observations) {
    auto* symbol = new QLabel(observed_);
    symbol->setPixmap(SymbolImage::pixmap(seen.symbol, kNoteSymbolPoints, secondary,
                                          qGuiApp->devicePixelRatio()));
    symbol->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    symbol->setFixedWidth(kNoteSymbolPoints + 4);
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    line->addWidget(symbol, 0, Qt::AlignTop);
    line->addWidget(form::footnote(QString::fromUtf8(seen.text), observed_), 1);
    o->addLayout(line);
  }
  observed_->setVisible(false);
  i->addWidget(observed_);
  page->addWidget(intro);
  connect(disclosure_, &QToolButton::toggled, this, [this](bool open) {
    disclosure_->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    observed_->setVisible(open);
  });
  form::onToggled(enabled_, model_, [](AppSettings& s, bool on) { s.awareness.isEnabled = on; });

  // Mode
  mode_ = new ModeSection(model_, this);
  page->addWidget(mode_);

  // The watched applications.
  QGroupBox* watched = form::section(QStringLiteral("Apps Pimble checks in on"), this);
  QVBoxLayout* w = form::sectionLayout(watched);
  emptyApps_ = form::footnote(
      QStringLiteral("Add the apps you'd like a gentle time check for, like a video player, a "
                     "chat app or a game. Pimble only counts time in apps on this list."),
      watched);
  emptyApps_->setObjectName(QStringLiteral("noWatchedApps"));
  w->addWidget(emptyApps_);
  rowsLayout_ = new QVBoxLayout;
  rowsLayout_->setSpacing(4);
  w->addLayout(rowsLayout_);
  addApp_ = new AddAppMenu(model_, *apps_, watched);
  auto* tryCheckIn = form::button(QStringLiteral("Try a check-in"), "tryCheckIn", watched);
  tryCheckIn->setToolTip(
      QStringLiteral("Shows a check-in for the app in front, if it's on the list."));
  connect(tryCheckIn, &QPushButton::clicked, this, [this] { model_.actions.previewCheckIn(); });
  w->addLayout(form::row({addApp_, nullptr, tryCheckIn}));
  appsFootnote_ = form::footnote(QString(), watched);
  appsFootnote_->setObjectName(QStringLiteral("watchedAppsFootnote"));
  w->addWidget(appsFootnote_);
  page->addWidget(watched);

  // Intentions
  QGroupBox* intentions = form::section(QStringLiteral("Intentions"), this);
  QVBoxLayout* n = form::sectionLayout(intentions);
  n->addWidget(form::footnote(
      QStringLiteral("Tell Pimble what you're opening an app for (\u201CYouTube, 15 minutes, a "
                     "Python tutorial\u201D) and it checks in when the time's up, with a way back "
                     "to what you were doing. Works even with Awareness off."),
      intentions));
  shortcut_ = form::toggle(
      QStringLiteral("Ctrl+Alt+I") + QStringLiteral(" sets an intention from anywhere"),
      "intentionShortcut", intentions);
  n->addWidget(shortcut_);
  QLabel* flagNote = form::footnote(
      QStringLiteral("Use the ") + form::inlineSymbol("flag", 12, secondary) +
          QStringLiteral(" next to an app above to be asked each time you switch to it (Work "
                         "mode only, at most every 30 minutes)."),
      intentions);
  flagNote->setTextFormat(Qt::RichText);
  auto* setIntention =
      form::button(QStringLiteral("Set an intention…"), "setIntention", intentions);
  connect(setIntention, &QPushButton::clicked, this,
          [this] { model_.actions.openIntentionForm(); });
  n->addLayout(form::textRow(flagNote, setIntention));
  page->addWidget(intentions);
  form::onToggled(shortcut_, model_,
                  [](AppSettings& s, bool on) { s.awareness.intentionShortcut = on; });

  // Check-ins
  checkIns_ = new CheckInStyleSection(model_, this);
  page->addWidget(checkIns_);

  // Today
  QGroupBox* today = form::section(QStringLiteral("Today"), this);
  QVBoxLayout* t = form::sectionLayout(today);
  activeTime_ = value("activeTime", today);
  t->addLayout(form::labelled(QStringLiteral("Active computer time"), activeTime_, today));
  checkInCount_ = value("checkInCount", today);
  t->addLayout(form::labelled(QStringLiteral("Check-ins"), checkInCount_, today));
  intentions_ = value("intentionsToday", today);
  t->addLayout(form::labelled(QStringLiteral("Intentions"), intentions_, today));
  retention_ = new QComboBox(today);
  retention_->setObjectName(QStringLiteral("retentionDays"));
  for (std::int64_t days : retentionChoices) retention_->addItem(retentionLabel(days));
  t->addLayout(form::labelled(QStringLiteral("Keep history for"), retention_, today));
  auto* deleteHistory =
      form::button(QStringLiteral("Delete activity history…"), "deleteHistory", today);
  connect(deleteHistory, &QPushButton::clicked, this, &AwarenessSettingsView::askToDelete);
  t->addLayout(form::textRow(form::footnote(QStringLiteral("Stored only on this computer."), today),
                             deleteHistory));
  page->addWidget(today);
  page->addStretch(1);
  connect(retention_, &QComboBox::activated, this, [this](int index) {
    if (index < 0 || index >= static_cast<int>(std::size(retentionChoices))) return;
    const std::int64_t days = retentionChoices[index];
    form::editSettings(model_, [days](AppSettings& s) { s.awareness.retentionDays = days; });
  });

  showSettings(model_.settings());
  showToday();
  connect(&model_, &AppModel::settingsChanged, this, &AwarenessSettingsView::showSettings);
  connect(&model_, &AppModel::activityTodayChanged, this, &AwarenessSettingsView::showToday);
}

AwarenessSettingsView::~AwarenessSettingsView() = default;

void AwarenessSettingsView::showSettings(const AppSettings& settings) {
  const AwarenessSettings& a = settings.awareness;
  const QSignalBlocker b1(enabled_), b2(shortcut_), b3(retention_);
  enabled_->setChecked(a.isEnabled);
  shortcut_->setChecked(a.intentionShortcut);
  const auto* chosen =
      std::find(std::begin(retentionChoices), std::end(retentionChoices), a.retentionDays);
  // A length the menu does not offer (from an edited file) selects nothing.
  retention_->setCurrentIndex(chosen == std::end(retentionChoices)
                                  ? -1
                                  : static_cast<int>(chosen - std::begin(retentionChoices)));
  appsFootnote_->setText(appsFootnote(a.sessionGapMinutes));
  showRows();
}

void AwarenessSettingsView::showRows() {
  const std::vector<WatchedApp>& apps = model_.settings().awareness.apps;
  emptyApps_->setVisible(apps.empty());
  const bool same = apps.size() == rows_.size() &&
                    std::equal(apps.begin(), apps.end(), rows_.begin(),
                               [](const WatchedApp& app, const WatchedAppRow* row) {
                                 return app.bundleID == row->bundleID();
                               });
  if (!same) {
    // A row may be the sender of the change that got us here (its remove
    // button): rows go once the event is over.
    for (WatchedAppRow* row : rows_) {
      row->hide();
      row->deleteLater();
    }
    rows_.clear();
    for (size_t index = 0; index < apps.size(); ++index) {
      auto* row = new WatchedAppRow(this);
      const std::string id = apps[index].bundleID;
      row->iconFor = [this](const std::string& bundleID) { return apps_->icon(bundleID); };
      row->onChange = [this, index, id](const std::function<void(WatchedApp&)>& edit) {
        form::editSettings(model_, [&](AppSettings& s) {
          auto& list = s.awareness.apps;
          // The row's own entry; should the list have moved, the first
          // entry with its identifier.
          auto it = index < list.size() && list[index].bundleID == id
                        ? list.begin() + static_cast<std::ptrdiff_t>(index)
                        : std::find_if(list.begin(), list.end(),
                                       [&](const WatchedApp& a) { return a.bundleID == id; });
          if (it != list.end()) edit(*it);
        });
      };
      row->onCategory = [this, id](AppCategory category) { model_.setCategory(category, id); };
      row->onRemove = [this, id] { model_.unwatch(id); };
      rowsLayout_->addWidget(row);
      rows_.push_back(row);
    }
    // New rows stand above the add-app button: the keyboard reaches them
    // there too, not after the last control of the tab.
    QWidget* previous = addApp_->previousInFocusChain();
    for (WatchedAppRow* row : rows_) previous = form::placeFocusAfter(previous, row);
  }
  const DayUsage& usage = model_.activityToday();
  for (size_t index = 0; index < apps.size(); ++index) {
    const auto seconds = usage.apps.find(apps[index].bundleID);
    rows_[index]->setApp(apps[index], seconds == usage.apps.end() ? 0.0 : seconds->second);
  }
}

void AwarenessSettingsView::showToday() {
  const DayUsage& usage = model_.activityToday();
  const QLocale locale;
  activeTime_->setText(activeTimeText(usage.activeSeconds));
  checkInCount_->setText(locale.toString(static_cast<qlonglong>(usage.checkIns)));
  intentions_->setText(intentionsText(usage.intentionsSet, usage.intentionsKept));
  showRows();
}

QMessageBox* AwarenessSettingsView::confirmation() const {
  return confirmation_.data();
}

void AwarenessSettingsView::askToDelete() {
  if (confirmation_) {
    confirmation_->raise();
    return;
  }
  confirmation_ =
      form::confirm(this, QStringLiteral("Delete all recorded app time and check-in history?"),
                    QStringLiteral("Your apps and settings stay. This can't be undone."),
                    QStringLiteral("Delete history"), "confirmDelete",
                    [this] { model_.actions.clearActivity(); });
  confirmation_->setObjectName(QStringLiteral("deleteConfirmation"));
}

void AwarenessSettingsView::refresh() {
  model_.actions.refreshAwareness();
  nextRefresh_ = model_.timeSource().callAfter(Seconds(refreshInterval), Seconds(refreshTolerance),
                                               [this] { refresh(); });
}

void AwarenessSettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The window's own (spontaneous) show after ours is the same coming on
  // screen.
  if (!nextRefresh_) refresh();
}

void AwarenessSettingsView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  nextRefresh_.reset();
}

}  // namespace pimble
