#include "settings/onboarding_window_controller.h"

#include <QCloseEvent>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QVBoxLayout>

#include "settings/onboarding_poses.h"
#include "settings/onboarding_view.h"
#include "settings/settings_form.h"
#include "settings/tour_look.h"
#include "settings/wheel_guard.h"
#include "state/app_model.h"

namespace pimble {

namespace {
// The tour's window: closing it is reported before it hides.
class TourWindow : public QWidget {
 public:
  TourWindow()
      // Only a close button: the window neither minimizes nor resizes.
      : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {}
  std::function<void()> onClose;

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    if (onClose) onClose();
  }
};
}  // namespace

OnboardingWindowController::OnboardingWindowController(
    AppModel& model, OnboardingActions actions, std::function<LaunchAtLogin::Status()> loginStatus,
    QObject* parent)
    : QObject(parent) {
  // The pages reach the end of the tour through this controller, and only
  // while it lives.
  QPointer<OnboardingWindowController> self(this);
  actions.finish = [self](bool skipped) {
    if (self) self->finish(skipped);
  };

  auto window = std::make_unique<TourWindow>();
  window->setObjectName(QStringLiteral("tourWindow"));
  window->setWindowTitle(QStringLiteral("Welcome to Pimble Glimmet"));
  window->setAttribute(Qt::WA_QuitOnClose, false);
  tour::useAccent(window.get());
  window->onClose = [self] {
    if (self) self->finish(true);
  };

  state_.setWantsAwareness(model.settings().awareness.isEnabled);
  state_.setOpenAtLogin(!model.settings().onboardingCompleted ||
                        (loginStatus && loginStatus() == LaunchAtLogin::Status::enabled));

  view_ = new OnboardingView(model, state_, std::move(actions), OnboardingPoses::render(),
                             window.get());
  auto* layout = new QVBoxLayout(window.get());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  // The view's own size, which it keeps fixed.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  auto* close = new QShortcut(QKeySequence(QStringLiteral("Ctrl+W")), window.get());
  connect(close, &QShortcut::activated, window.get(), &QWidget::close);
  auto* quit = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Q")), window.get());
  connect(quit, &QShortcut::activated, this, [this] {
    if (onQuit) onQuit();
  });

  WheelGuard::install(window.get());
  window_ = std::move(window);
  form::centreOnScreen(window_.get());
}

OnboardingWindowController::~OnboardingWindowController() = default;

void OnboardingWindowController::show() {
  if (window_->isMinimized())
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void OnboardingWindowController::finish(bool skipped) {
  if (finished_) return;
  finished_ = true;
  window_->hide();
  if (onFinish) onFinish(skipped);
}

}  // namespace pimble
