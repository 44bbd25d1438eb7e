#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <map>

#include "models/glimmet_state.h"
#include "settings/onboarding_actions.h"
#include "settings/onboarding_step.h"

class QGraphicsOpacityEffect;
class QLabel;
class QPushButton;
class QVariantAnimation;
class QVBoxLayout;

namespace pimble {

class AppModel;
class OnboardingState;
class ProgressDots;

// The tour's frame around its pages: the progress dots and "Skip tour" on
// top, the character's still pose beside the page's title and body, and
// "Back" and the orange primary button below. It moves between the steps,
// leaving out the awareness page unless the user asked for it; the page
// body is built afresh for each step.
class OnboardingView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int width = 580;
  static constexpr int height = 440;
  static constexpr int poseWidth = 128;
  static constexpr int poseHeight = 180;
  static constexpr int sideMargin = 22;
  static constexpr int columnSpacing = 18;
  // The width every page is laid out in.
  static constexpr int pageWidth = width - 2 * sideMargin - poseWidth - columnSpacing;
  static constexpr int stepAnimationMs = 200;

  OnboardingView(AppModel& model, OnboardingState& state, OnboardingActions actions,
                 std::map<GlimmetState, QImage> poses, QWidget* parent = nullptr);

  // Another step: +1 forward, -1 back; the awareness page is passed by
  // unless wanted, and nothing happens past either end.
  void go(int delta);

  static QString title(OnboardingStep step);
  static GlimmetState pose(OnboardingStep step);

  QWidget* page() const { return page_; }
  QPushButton* primaryButton() const { return primary_; }
  QPushButton* backButton() const { return back_; }
  QPushButton* skipButton() const { return skip_; }
  ProgressDots* dots() const { return dots_; }
  // The state the pose image shows; none while it shows no picture.
  std::optional<GlimmetState> shownPose() const { return shownPose_; }

 private:
  void showStep(OnboardingStep step, bool animated);
  QWidget* makePage(OnboardingStep step, QWidget* parent);

  AppModel& model_;
  OnboardingState& state_;
  OnboardingActions actions_;
  const std::map<GlimmetState, QImage> poses_;

  ProgressDots* dots_;
  QPushButton* skip_;
  QWidget* content_;
  QLabel* poseImage_;
  std::optional<GlimmetState> shownPose_;
  QWidget* column_;
  QLabel* title_;
  QVBoxLayout* pageSlot_;
  QWidget* page_ = nullptr;
  QPushButton* back_;
  QPushButton* primary_;
  QGraphicsOpacityEffect* fade_ = nullptr;
  QVariantAnimation* fadeIn_;
};

}  // namespace pimble
