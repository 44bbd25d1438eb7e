#include "settings/onboarding_view.h"

#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>

#include "settings/awareness_page.h"
#include "settings/day_page.h"
#include "settings/done_page.h"
#include "settings/goals_page.h"
#include "settings/onboarding_state.h"
#include "settings/personality_page.h"
#include "settings/progress_dots.h"
#include "settings/settings_form.h"
#include "settings/tour_look.h"
#include "settings/try_page.h"
#include "settings/welcome_page.h"
#include "state/app_model.h"

namespace pimble {

QString OnboardingView::title(OnboardingStep step) {
  switch (step) {
    case OnboardingStep::welcome:
      return QStringLiteral("Meet Pimble");
    case OnboardingStep::goals:
      return QStringLiteral("What should Pimble help with?");
    case OnboardingStep::personality:
      return QStringLiteral("How should Pimble talk?");
    case OnboardingStep::awareness:
      return QStringLiteral("Time awareness");
    case OnboardingStep::day:
      return QStringLiteral("Your day");
    case OnboardingStep::tryIt:
      return QStringLiteral("Try a reminder");
    case OnboardingStep::done:
      return QStringLiteral("All set");
  }
  return {};
}

GlimmetState OnboardingView::pose(OnboardingStep step) {
  switch (step) {
    case OnboardingStep::welcome:
      return GlimmetState::happy;
    case OnboardingStep::goals:
      return GlimmetState::water;
    case OnboardingStep::personality:
    case OnboardingStep::awareness:
      return GlimmetState::checkIn;
    case OnboardingStep::day:
      return GlimmetState::stretch;
    case OnboardingStep::tryIt:
      return GlimmetState::idle;
    case OnboardingStep::done:
      return GlimmetState::celebration;
  }
  return GlimmetState::idle;
}

OnboardingView::OnboardingView(AppModel& model, OnboardingState& state, OnboardingActions actions,
                               std::map<GlimmetState, QImage> poses, QWidget* parent)
    : QWidget(parent),
      model_(model),
      state_(state),
      actions_(std::move(actions)),
      poses_(std::move(poses)),
      fadeIn_(new QVariantAnimation(this)) {
  setObjectName(QStringLiteral("onboardingView"));
  setFixedSize(width, height);
  auto* frame = new QVBoxLayout(this);
  frame->setContentsMargins(0, 0, 0, 0);
  frame->setSpacing(0);

  // Header: the dots and "Skip tour".
  auto* header = new QHBoxLayout;
  header->setContentsMargins(sideMargin, 16, sideMargin, 0);
  dots_ = new ProgressDots(onboardingStepCount, this);
  header->addWidget(dots_, 0, Qt::AlignVCenter);
  header->addStretch(1);
  // First in the header, but never where the keyboard starts: a Space or
  // a letter typed into the tour must not end it unseen.
  skip_ = tour::quietButton(QStringLiteral("Skip tour"), this);
  skip_->setObjectName(QStringLiteral("skipTour"));
  skip_->setCursor(Qt::PointingHandCursor);
  skip_->setForegroundRole(QPalette::PlaceholderText);
  {
    // On the last page the button goes, the header keeps its height.
    QSizePolicy keep = skip_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    skip_->setSizePolicy(keep);
  }
  connect(skip_, &QPushButton::clicked, this, [this] { actions_.finish(true); });
  header->addWidget(skip_, 0, Qt::AlignVCenter);
  frame->addLayout(header);

  // Content: the pose beside the title and the page.
  content_ = new QWidget(this);
  content_->setObjectName(QStringLiteral("tourContent"));
  auto* row = new QHBoxLayout(content_);
  row->setContentsMargins(sideMargin, 12, sideMargin, 12);
  row->setSpacing(columnSpacing);
  poseImage_ = new QLabel(content_);
  poseImage_->setObjectName(QStringLiteral("pose"));
  poseImage_->setFixedSize(poseWidth, poseHeight);
  poseImage_->setAlignment(Qt::AlignCenter);
  poseImage_->setAccessibleName(QString());
  poseImage_->setAccessibleDescription(QString());
  row->addWidget(poseImage_, 0, Qt::AlignVCenter);
  column_ = new QWidget(content_);
  column_->setFixedWidth(pageWidth);
  auto* columnStack = new QVBoxLayout(column_);
  columnStack->setContentsMargins(0, 0, 0, 0);
  columnStack->setSpacing(12);
  title_ = new QLabel(column_);
  title_->setObjectName(QStringLiteral("tourTitle"));
  title_->setTextFormat(Qt::PlainText);
  title_->setWordWrap(true);
  title_->setFont(tour::rounded(tour::title2Size, QFont::Bold));
  columnStack->addWidget(title_);
  pageSlot_ = new QVBoxLayout;
  pageSlot_->setContentsMargins(0, 0, 0, 0);
  columnStack->addLayout(pageSlot_);
  row->addWidget(column_, 1, Qt::AlignVCenter);
  frame->addWidget(content_, 1);

  auto* divider = new QFrame(this);
  divider->setFrameShape(QFrame::HLine);
  divider->setFrameShadow(QFrame::Sunken);
  frame->addWidget(divider);

  // Footer: "Back" and the primary button.
  auto* footer = new QHBoxLayout;
  footer->setContentsMargins(16, 16, 16, 16);
  back_ = new QPushButton(QStringLiteral("Back"), this);
  back_->setObjectName(QStringLiteral("back"));
  back_->setAutoDefault(false);
  connect(back_, &QPushButton::clicked, this, [this] { go(-1); });
  footer->addWidget(back_);
  footer->addStretch(1);
  primary_ = tour::prominentButton(QStringLiteral("Continue"), this);
  primary_->setObjectName(QStringLiteral("primary"));
  primary_->setAutoDefault(false);
  connect(primary_, &QPushButton::clicked, this, [this] {
    if (state_.step() == OnboardingStep::done)
      actions_.finish(false);
    else
      go(+1);
  });
  footer->addWidget(primary_);
  frame->addLayout(footer);
  {
    QSizePolicy keep = back_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    back_->setSizePolicy(keep);
  }

  // Return presses the primary button on every page.
  for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* enter = new QShortcut(QKeySequence(key), this);
    enter->setContext(Qt::WindowShortcut);
    connect(enter, &QShortcut::activated, primary_, &QPushButton::click);
  }

  fadeIn_->setDuration(stepAnimationMs);
  fadeIn_->setStartValue(0.0);
  fadeIn_->setEndValue(1.0);
  fadeIn_->setEasingCurve(QEasingCurve::InOutQuad);
  connect(fadeIn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    if (fade_ != nullptr) fade_->setOpacity(v.toDouble());
  });
  connect(fadeIn_, &QVariantAnimation::finished, this, [this] {
    // The effect redraws the content offscreen: gone once the step shows.
    fade_ = nullptr;
    content_->setGraphicsEffect(nullptr);
  });

  showStep(state_.step(), false);
  connect(&state_, &OnboardingState::stepChanged, this,
          [this](OnboardingStep step) { showStep(step, true); });
}

void OnboardingView::go(int delta) {
  int n = rawValue(state_.step()) + delta;
  if (n == rawValue(OnboardingStep::awareness) && !state_.wantsAwareness()) n += delta;
  if (const auto step = onboardingStep(n)) state_.setStep(*step);
}

QWidget* OnboardingView::makePage(OnboardingStep step, QWidget* parent) {
  switch (step) {
    case OnboardingStep::welcome:
      return new WelcomePage(actions_.flyIn, parent);
    case OnboardingStep::goals:
      return new GoalsPage(model_, state_, parent);
    case OnboardingStep::personality:
      return new PersonalityPage(model_, parent);
    case OnboardingStep::awareness:
      return new AwarenessPage(model_, pageWidth, parent);
    case OnboardingStep::day:
      return new DayPage(model_, state_, actions_.moveToCorner, parent);
    case OnboardingStep::tryIt:
      return new TryPage(model_, actions_.tryReminder, parent);
    case OnboardingStep::done:
      return new DonePage(state_, parent);
  }
  return new QWidget(parent);
}

void OnboardingView::showStep(OnboardingStep step, bool animated) {
  dots_->setCurrent(rawValue(step));
  skip_->setVisible(step != OnboardingStep::done);
  back_->setVisible(step != OnboardingStep::welcome && step != OnboardingStep::done);
  primary_->setText(step == OnboardingStep::done ? QStringLiteral("Start using Pimble")
                                                 : QStringLiteral("Continue"));
  title_->setText(title(step));

  const GlimmetState state = pose(step);
  if (shownPose_ != state) {
    const auto it = poses_.find(state);
    if (it == poses_.end()) {
      poseImage_->clear();
      shownPose_.reset();
    } else {
      const qreal dpr = devicePixelRatioF();
      QImage fitted = it->second.scaled(QSize(poseWidth, poseHeight) * dpr, Qt::KeepAspectRatio,
                                        Qt::SmoothTransformation);
      fitted.setDevicePixelRatio(dpr);
      poseImage_->setPixmap(QPixmap::fromImage(fitted));
      shownPose_ = state;
    }
  }

  // The page of the step, built afresh; the old one goes once the signal
  // that led here has returned (it may come from one of its buttons).
  if (page_ != nullptr) {
    pageSlot_->removeWidget(page_);
    page_->hide();
    page_->deleteLater();
  }
  page_ = makePage(step, column_);
  // A large desktop font can need more room than the tour's own for a page
  // (a line that cannot wrap, more lines): the tour grows rather than cut
  // its texts, and keeps that size for the pages after.
  const int widthNeeded = std::max(column_->width(), page_->minimumSizeHint().width());
  column_->setFixedWidth(widthNeeded);
  page_->setFixedWidth(widthNeeded);
  pageSlot_->addWidget(page_);
  page_->show();
  const int fullWidth = width + widthNeeded - pageWidth;
  const int heightNeeded = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(fullWidth)
                                                         : layout()->totalMinimumSize().height();
  setFixedSize(fullWidth, std::max(maximumHeight(), heightNeeded));
  // A page made after the header and footer would come last on the
  // keyboard's way: it goes between them, as it stands.
  QWidget::setTabOrder(form::placeFocusAfter(skip_, page_), back_);
  QWidget::setTabOrder(back_, primary_);
  // Every page starts with the keyboard on the way forward (also before
  // the window first shows: it is given the focus when it opens).
  primary_->setFocus(Qt::OtherFocusReason);

  if (animated && isVisible()) {
    fadeIn_->stop();
    fade_ = new QGraphicsOpacityEffect(content_);
    fade_->setOpacity(0);
    content_->setGraphicsEffect(fade_);
    fadeIn_->start();
  }
}

}  // namespace pimble
