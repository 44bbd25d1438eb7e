#include "settings/progress_settings_view.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "bubbles/bubble_look.h"
#include "bubbles/symbol_image.h"
#include "models/progress_tracker.h"
#include "settings/settings_form.h"
#include "settings/week_chart.h"
#include "state/app_model.h"

namespace pimble {

namespace {
constexpr int kSymbolPoints = 22;
}  // namespace

ProgressSettingsView::ProgressSettingsView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("progressTab"));
  auto* page = new QVBoxLayout(this);

  // Today
  QGroupBox* today = form::section(QStringLiteral("Today"), this);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(12);
  QFont countFont = font();
  countFont.setPointSizeF(countFont.pointSizeF() * 1.7);
  countFont.setBold(true);
  for (size_t i = 0; i < tiles.size(); ++i) {
    const Tile& t = tiles[i];
    auto* tile = new QWidget(today);
    tile->setObjectName(QStringLiteral("tile-") + form::text(enumName(t.kind)));
    auto* stack = new QVBoxLayout(tile);
    stack->setContentsMargins(0, 4, 0, 4);
    stack->setSpacing(4);
    symbols_[i] = new QLabel(tile);
    symbols_[i]->setAlignment(Qt::AlignHCenter);
    counts_[i] = new QLabel(tile);
    counts_[i]->setObjectName(QStringLiteral("count"));
    counts_[i]->setFont(countFont);
    counts_[i]->setAlignment(Qt::AlignHCenter);
    auto* title = new QLabel(QString::fromUtf8(t.title), tile);
    title->setAlignment(Qt::AlignHCenter);
    title->setForegroundRole(QPalette::PlaceholderText);
    form::makeSmall(title);
    stack->addWidget(symbols_[i]);
    stack->addWidget(counts_[i]);
    stack->addWidget(title);
    const int index = static_cast<int>(i);
    grid->addWidget(tile, index / 3, index % 3);
  }
  for (int c = 0; c < 3; ++c) grid->setColumnStretch(c, 1);
  form::sectionLayout(today)->addLayout(grid);
  personalRow_ = new QWidget(today);
  personalCount_ = new QLabel(personalRow_);
  personalCount_->setObjectName(QStringLiteral("personalCount"));
  auto* personal = form::row(
      {new QLabel(QStringLiteral("Personal reminders"), personalRow_), nullptr, personalCount_});
  personalRow_->setLayout(personal);
  personalRow_->setObjectName(QStringLiteral("personalReminders"));
  form::sectionLayout(today)->addWidget(personalRow_);
  page->addWidget(today);
  paintSymbols();

  // This week
  QGroupBox* weekBox = form::section(QStringLiteral("This week"), this);
  week_ = new QStackedWidget(weekBox);
  placeholder_ = new QLabel(QStringLiteral("Completed reminders will show up here."), week_);
  placeholder_->setObjectName(QStringLiteral("weekPlaceholder"));
  placeholder_->setForegroundRole(QPalette::PlaceholderText);
  placeholder_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  chart_ = new WeekChart(week_);
  week_->addWidget(placeholder_);
  week_->addWidget(chart_);
  week_->setFixedHeight(WeekChart::chartHeight);
  form::sectionLayout(weekBox)->addWidget(week_);
  page->addWidget(weekBox);

  // Clearing
  auto* clear = form::button(QStringLiteral("Clear history…"), "clearHistory", this);
  connect(clear, &QPushButton::clicked, this, &ProgressSettingsView::askToClear);
  page->addLayout(form::row({nullptr, clear}));
  page->addStretch(1);

  showProgress();
  connect(&model_, &AppModel::progressChanged, this, &ProgressSettingsView::showProgress);
}

void ProgressSettingsView::paintSymbols() {
  const qreal dpr = devicePixelRatioF();
  for (size_t i = 0; i < tiles.size(); ++i)
    symbols_[i]->setPixmap(
        SymbolImage::pixmap(tiles[i].symbol, kSymbolPoints, BubbleLook::accent(), dpr));
}

void ProgressSettingsView::showProgress() {
  const ProgressTracker& progress = model_.progress();
  const Date now = model_.now();
  const DaySummary today = progress.summary(now);
  const QLocale locale;
  for (size_t i = 0; i < tiles.size(); ++i) {
    const auto count = static_cast<qlonglong>(today.done(tiles[i].kind));
    counts_[i]->setText(locale.toString(count));
    counts_[i]->parentWidget()->setAccessibleName(QString::fromUtf8(tiles[i].title) +
                                                  QStringLiteral(": ") + locale.toString(count) +
                                                  QStringLiteral(" today"));
  }
  const std::int64_t personal = today.done(ReminderKind::custom);
  personalRow_->setVisible(personal > 0);
  personalCount_->setText(QString::number(personal));

  std::vector<DaySummary> week = progress.lastDays(7, now);
  bool any = false;
  for (const DaySummary& d : week) any = any || d.record.totalDone() > 0;
  chart_->setDays(std::move(week), progress.calendar);
  week_->setCurrentWidget(any ? static_cast<QWidget*>(chart_) : placeholder_);
}

void ProgressSettingsView::askToClear() {
  if (confirmation_ != nullptr) {
    confirmation_->raise();
    return;
  }
  confirmation_ = form::confirm(this, QStringLiteral("Clear all progress history?"), QString(),
                                QStringLiteral("Clear history"), "confirmClear", [this] {
                                  model_.setProgress(ProgressTracker{});
                                  model_.scheduleSave();
                                });
  confirmation_->setObjectName(QStringLiteral("clearConfirmation"));
  connect(confirmation_, &QObject::destroyed, this, [this] { confirmation_ = nullptr; });
}

void ProgressSettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A day may have begun since the tab was last on screen, and the window
  // may have moved to a screen of another pixel density.
  paintSymbols();
  showProgress();
}

}  // namespace pimble
