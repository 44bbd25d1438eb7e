// Construction, start-up, the engines' environments and the wiring of
// callbacks to the controller's handlers.
#include "app/app_controller.h"
#include "app/menu_actions.h"
#include "app/status_item.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QMenu>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_panel_controller.h"
#include "bubbles/companion_window_anchor.h"
#include "bubbles/greeting_bubble_controller.h"
#include "companion/close_request.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/cursor_follower.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "models/activity_data.h"
#include "models/calendar.h"
#include "models/schedule_snapshot.h"
#include "services/app_catalog.h"
#include "settings/onboarding_window_controller.h"
#include "settings/settings_window_controller.h"

namespace pimble {

std::string AppController::shortTime(Date date) {
  const auto ms = static_cast<qint64>(secondsSince1970(clampDate(date)) * 1000.0);
  const QTime time = QDateTime::fromMSecsSinceEpoch(ms).time();
  return QLocale().toString(time, QLocale::ShortFormat).toStdString();
}

AppController::AppController(Persisting& store, TimeSource& time, QObject* parent)
    : AppController(store, time, DesktopServices::live(time), parent) {}

AppController::AppController(Persisting& store, TimeSource& time, DesktopServices desktop,
                             QObject* parent)
    : QObject(parent),
      store_(store),
      time_(time),
      desktop_(std::move(desktop)),
      quietGuard_(InterruptionGuard::Probes{
          [this](std::int32_t pid) {
            return desktop_.probes && desktop_.probes->hasFullscreenWindow(pid);
          },
          [this] {
            return desktop_.probes ? desktop_.probes->appsUsingMicrophone()
                                   : std::vector<std::string>{};
          },
          [this] { return desktop_.probes && desktop_.probes->cameraInUse(); },
          [this](const std::vector<std::string>& names) {
            return desktop_.probes ? desktop_.probes->listText(names)
                                   : InterruptionGuard::englishList(names);
          }}),
      cursorFollower_(std::make_unique<CursorFollower>()),
      model_(std::make_unique<AppModel>(store, time)),
      engineTimer_(time, WakeTimer::reminderLimits),
      awarenessTimer_(time, WakeTimer::awarenessLimits) {
  // The catalogue's quiet kinds, suggested categories, running
  // applications and session browser come from the workspace.
  if (desktop_.workspace) AppCatalog::install(desktop_.workspace->catalogPlatform());
  greetingDraw = [this] { return std::generate_canonical<double, 53>(greetingRng_); };
  engineTimer_.onFire = [this] { engine_.evaluate(); };
  awarenessTimer_.onFire = [this] { awareness_.evaluate(); };
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

AppController::~AppController() {
  AppCatalog::install({});
  time_.onClockChanged = nullptr;
  // Nothing the desktop reports may reach a controller half gone.
  if (desktop_.workspace) {
    desktop_.workspace->onActivate = nullptr;
    desktop_.workspace->onTerminate = nullptr;
    desktop_.workspace->onSpaceChange = nullptr;
  }
  if (desktop_.events) {
    desktop_.events->onAwayChange = nullptr;
    desktop_.events->onScreenParametersChanged = nullptr;
  }
  if (desktop_.notifier) {
    desktop_.notifier->onAction = nullptr;
    desktop_.notifier->onCheckInAction = nullptr;
  }
  if (desktop_.motion) desktop_.motion->onChanged = nullptr;
  if (desktop_.shortcut) desktop_.shortcut->unregisterKey();
  if (companion_) {
    companion_->onMoved = nullptr;
    companion_->onGeometryChanged = nullptr;
  }
  cursorFollower_->stop();
}

void AppController::start() {
  if (started_) return;
  started_ = true;
  installEnvironments();
  frontmost_ = desktop_.workspace ? desktop_.workspace->frontmost() : std::nullopt;

  companion_ = std::make_unique<CompanionWindowController>();
  auto anchor = std::make_shared<CompanionWindowAnchor>(*companion_);
  bubble_ = std::make_unique<BubblePanelController>(anchor);
  greeting_ = std::make_unique<GreetingBubbleController>(anchor, time_);
  auto reduceMotion = [this] { return desktop_.motion && desktop_.motion->reduceMotion(); };
  bubble_->reduceMotion = reduceMotion;
  greeting_->reduceMotion = reduceMotion;

  greeter_.memory =
      store_.load<GreetingDirector::Memory>("greetings").value_or(GreetingDirector::Memory{});
  // A speech bubble never shows beside a greeting.
  bubble_->willShow = [this] { greeting_->hide(true); };
  startStatusItem();

  wireCompanion();
  wireBubble();
  wireEngine();
  wireModel();
  wireSystem();
  if (desktop_.notifier) {
    desktop_.notifier->onCheckInAction = [this](const Uuid& id, const CheckInResponse& response) {
      checkInNotificationAction(id, response);
    };
    desktop_.notifier->start();
  }
  fillActions();

  // The mode's effects (the kinds held back, the sounds, the motion, the
  // night) are in force before the reminder engine first evaluates: a
  // reminder overdue at launch obeys the mode like any later one. The
  // awareness engine still announces the mode as it starts, below.
  takeLaunchMode();
  applySettings(model_->settings(), true);
  engine_.start(model_->reminders(), store_.load<ScheduleSnapshot>("schedule"));
  syncPauseState();
  statusItem_->setPaused(engine_.presence() == ReminderEngine::Presence::paused);
  awareness_.tracker().data = store_.load<ActivityData>("activity").value_or(ActivityData{});
  // Takes the mode, installs the settings, reports the application in
  // front, prunes old history, announces the mode (modeChanged runs once at
  // every start) and evaluates.
  const AppSettings& settings = model_->settings();
  awareness_.start(settings.awareness, settings.modes, frontmost_);
  refreshQuietState();
  publishAwareness();

  const bool firstRun = !settings.onboardingCompleted;
  launchStep_ = time_.callAfter(Seconds(firstRun ? tourDelay : launchGreetingDelay), Seconds(0.1),
                                [this, firstRun] {
                                  launchStep_.reset();
                                  launchStep(firstRun);
                                });
  startHeartbeat(addSeconds(time_.now(), heartbeatInterval));
}

void AppController::launchStep(bool firstRun) {
  // The tour opens through the same command as the settings' tour button;
  // the launch greeting is the greetings' own step.
  if (firstRun)
    model_->actions.startOnboarding();
  else
    maybeGreet(GreetingMoment::launch());
}

void AppController::reopen() {
  AppSettings settings = model_->settings();
  settings.showCompanion = true;
  model_->setSettings(std::move(settings));
  openSettings();
}

void AppController::installEnvironments() {
  ReminderEngine::Environment reminders;
  reminders.now = [this] { return time_.now(); };
  reminders.idleSeconds = [this] { return idleSeconds(); };
  reminders.calendar = Calendar::current();
  reminders.arm = [this](std::optional<Date> date) { arm(date); };
  reminders.deliveryBlocked = [this] { return deliveryBlocked(); };
  engine_.environment = std::move(reminders);

  AwarenessEngine::Environment awareness;
  awareness.now = [this] { return time_.now(); };
  awareness.idleSeconds = [this] { return idleSeconds(); };
  awareness.isPlayingMedia = [this](const AppIdentity& app) {
    return desktop_.probes && desktop_.probes->keepsDisplayAwake(app);
  };
  awareness.calendar = Calendar::current();
  awareness.arm = [this](std::optional<Date> date) { armAwareness(date); };
  awareness.blockers = [this] { return checkInBlockers(); };
  awareness.clockString = &AppController::shortTime;
  // Time in use is measured on the clock that setting the wall clock leaves alone.
  awareness.steadyNow = [this] { return time_.steadyNow().count(); };
  awareness_.setEnvironment(std::move(awareness));
}

double AppController::idleSeconds() const {
  return desktop_.idleSeconds ? desktop_.idleSeconds() : 0.0;
}

bool AppController::deliveryBlocked() const {
  if (awareness_.active() || presentationHeld_ > 0) return true;
  if (previewingCheckIn() || showingIntentionForm()) return true;
  return !quietGuard_.blockers(frontmost_).empty();
}

std::set<AwarenessEngine::Blocker> AppController::checkInBlockers() const {
  std::set<AwarenessEngine::Blocker> blockers = quietGuard_.blockers(frontmost_);
  const bool otherBubble = bubble_ && bubble_->isShown() && !awareness_.active();
  if (engine_.active() || previewingCheckIn() || showingIntentionForm() || otherBubble ||
      presentationHeld_ > 0)
    blockers.insert(AwarenessEngine::Blocker::busy);
  if (engine_.pausedIndefinitely() || engine_.pausedUntil())
    blockers.insert(AwarenessEngine::Blocker::paused);
  return blockers;
}

void AppController::wireCompanion() {
  companion_->onMoved = [this](const CompanionPosition& position) {
    AppSettings settings = model_->settings();
    settings.position = position;
    model_->setSettings(std::move(settings));
    lastInteractionAt_ = time_.now();
  };
  companion_->onGeometryChanged = [this] {
    if (greeting_->isShown()) greeting_->relayout();
    if (bubble_->isShown()) bubble_->layoutNearCompanion();
  };
  if (GlimmetAnimator* animator = companion_->animator()) {
    animator->userIdleSeconds = [this] { return idleSeconds(); };
    animator->focusing = [this] { return awareness_.intention().has_value(); };
  }
  GlimmetHostView& view = companion_->hostView();
  view.onClick = [this] { glimmetClicked(); };
  view.onDoubleClick = [this] { showQuickActions(); };
  view.onRightClick = [this](QPoint at) { showContextMenu(at); };
  // Closed by the window manager, the character is switched off as the
  // menu's "Hide companion" does: summoning it brings it back.
  redirectCloseRequests(companion_->panel(), [this] {
    if (model_->settings().showCompanion) toggleCompanion();
  });
  // Petting is installed with the settings, only while it is on.
  cursorFollower_->eyeScreenPoint = [this] { return eyeScreenPoint(); };
  cursorFollower_->onLook = [this](std::optional<QPointF> offset) { look(offset); };
}

void AppController::wireBubble() {
  BubbleModel& model = bubble_->model();
  model.onDone = [this] { finishReminder(Resolution::done()); };
  // The reminder's own snooze length.
  model.onSnooze = [this] { finishReminder(Resolution::snooze()); };
  model.onSkip = [this] { finishReminder(Resolution::skip()); };
  // The close control only hides the bubble; whatever it showed stays
  // active until it is answered or times out. The intention form closed
  // this way ends as its Cancel would.
  model.onClose = [this] {
    if (showingIntentionForm())
      closeIntentionForm();
    else
      hideBubble();
  };
  model.onCheckIn = [this](CheckInResponse response) { respondToCheckIn(response); };
  model.onIntentionStart = [this](const ReturnTarget& target, std::int64_t minutes,
                                  const std::string& purpose,
                                  const std::optional<ReturnTarget>& returnTo) {
    startIntention(target, minutes, purpose, returnTo);
  };
  model.onIntentionCancel = [this] { closeIntentionForm(); };
  model.onSessionStart = [this](const SessionPreset& preset) { startSession(preset); };
  model.onQuickAction = [this](QuickAction action) { quickAction(action); };
}

void AppController::wireEngine() {
  engine_.onDeliver = [this](const Reminder& reminder) { present(reminder); };
  engine_.onResolved = [this](const Reminder& reminder, const Resolution& resolution, Date at) {
    reminderResolved(reminder, resolution, at);
  };
  engine_.onPresenceChange = [this](ReminderEngine::Presence p) { presenceChanged(p); };
  // Every request is written at once: the schedule on disk is never behind
  // an answer.
  engine_.onNeedsPersist = [this] { saveSchedule(); };
  engine_.onActiveCleared = [this](const Reminder& reminder) { reminderWithdrawn(reminder); };
  awareness_.onCheckIn = [this](const CheckIn& checkIn) { presentCheckIn(checkIn); };
  awareness_.onModeChange = [this](AwarenessMode mode) { modeChanged(mode); };
  awareness_.onNeedsPersist = [this] { scheduleActivitySave(); };
  awareness_.onIntentionEnded = [this](const Intention& intention, Intention::Status status) {
    intentionEnded(intention, status);
  };
  awareness_.onAskIntention = [this](const AppIdentity& app,
                                     const std::optional<ReturnTarget>& returnTo) {
    askIntention(app, returnTo);
  };
}

void AppController::wireModel() {
  // The model stores a value before it signals it: both apply at once.
  connect(model_.get(), &AppModel::settingsChanged, this,
          [this](const AppSettings& settings) { applySettings(settings, false); });
  connect(model_.get(), &AppModel::remindersChanged, this,
          [this](const std::vector<Reminder>& reminders) {
            engine_.setReminders(reminders);
            saveSchedule();
          });
}

void AppController::wireSystem() {
  time_.onClockChanged = [this] { clockChanged(); };
  if (desktop_.events) {
    desktop_.events->onAwayChange = [this](AwayReason reason, bool away) {
      awayChange(reason, away);
    };
    desktop_.events->onScreenParametersChanged = [this] { displaysChanged(); };
    desktop_.events->start();
  }
  if (desktop_.workspace) {
    desktop_.workspace->onActivate = [this](const std::optional<AppIdentity>& app) {
      applicationActivated(app);
    };
    desktop_.workspace->onTerminate = [this](const AppIdentity& app) {
      applicationTerminated(app);
    };
    desktop_.workspace->onSpaceChange = [this] { refreshQuietState(); };
  }
  if (desktop_.notifier) {
    desktop_.notifier->onAction = [this](const Uuid& id, NotificationService::Action action) {
      notificationAction(id, action);
    };
  }
  if (desktop_.motion) {
    desktop_.motion->onChanged = [this] {
      if (!companion_) return;
      companion_->setIntensity(effectiveIntensity(model_->settings().animationIntensity));
      updateCursorFollowing();
    };
  }
}

void AppController::fillActions() {
  AppActions& actions = model_->actions;
  actions.moveToCorner = [this](CompanionCorner corner) { companion_->move(corner); };
  actions.resetPosition = [this] { companion_->resetPosition(); };
  actions.clearActivity = [this] {
    awareness_.tracker().clearHistory();
    saveActivity();
  };
  actions.refreshAwareness = [this] { publishAwareness(); };
  actions.preview = [this](GlimmetState state) { preview(state); };
  actions.remindNow = [this](const Reminder& reminder) { remindNow(reminder); };
  actions.pause = [this](std::optional<double> seconds) { pause(seconds); };
  actions.resume = [this] { resume(); };
  actions.previewGreeting = [this] { previewGreeting(); };
  actions.showProgressBubble = [this] { showProgress(); };
  actions.previewBehavior = [this](IdleBehavior behavior) { previewBehavior(behavior); };
  actions.setMode = [this](AwarenessMode mode) { setMode(mode); };
  actions.previewCheckIn = [this] { previewCheckIn(); };
  actions.openIntentionForm = [this] { openIntentionForm(); };
  actions.startOnboarding = [this] { startOnboarding(); };
}

}  // namespace pimble
