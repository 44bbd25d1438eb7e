#pragma once

// The hub of the program: one AppController, created by main with the
// document store, a time source and the desktop's services, owns every
// engine, service and window for the life of the process, installs the
// engines' environments, wires every callback to its own handlers, applies
// the settings, keeps the timers and decides when each document is saved.
//
// The class is one, its body is split by road, one source file each:
//   app_controller.cpp          construction, start(), environments, wiring
//   controller_timers.cpp       wake-ups, heartbeat, activity saves, shutdown
//   controller_settings.cpp     applying settings, the mode's effects
//   controller_visibility.cpp   the character on screen, the quiet full
//                               screen, what the speech bubble shows
//   controller_reminders.cpp    delivery and answers of reminders,
//                               presence, pause, commands, the summary
//   controller_events.cpp       sleep, screens, lock, displays, the
//                               application in front
//   controller_greetings.cpp    greetings, information bubbles and their
//                               one pending close, previews
//   controller_windows.cpp      the settings window and the first-run tour
//   controller_checkins.cpp     check-ins shown, answered, withdrawn; the
//                               preview
//   controller_intentions.cpp   the mode, intention prompts and endings, the
//                               intention form, session timers
//   controller_gestures.cpp     clicks, petting, the quick actions, the
//                               eyes following the pointer
//   controller_menus.cpp        the tray icon and the context menu
//
// Rules every road keeps:
// - Every delay goes through the TimeSource (`time_`): wake-ups through the
//   two WakeTimers, everything else as a ScheduledCall held in a field, so
//   that a test steps fake time and a real run survives suspend.
// - The engines own their state. The controller keeps no copy of the active
//   reminder or check-in; it compares what it presents with the engine's by id.
// - What the speech bubble shows is one value, `bubbleUse_` with the id it
//   shows, set only by showBubble() and hideBubble(); "a check-in preview is
//   open" and "the intention form is open" are read from it, never stored
//   apart.
// - Settings reach the controller one way: the model's settingsChanged
//   signal, applied against the last applied value (applySettings).

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/desktop_services.h"
#include "bubbles/bubble_content.h"
#include "bubbles/intention_form.h"
#include "bubbles/quick_action.h"
#include "companion/idle_behavior.h"
#include "models/animation_intensity.h"
#include "models/app_identity.h"
#include "models/app_settings.h"
#include "models/awareness_mode.h"
#include "models/check_in.h"
#include "models/date.h"
#include "models/glimmet_state.h"
#include "models/greeting_director.h"
#include "models/intention.h"
#include "models/persisting.h"
#include "models/reminder.h"
#include "models/return_target.h"
#include "models/session_preset.h"
#include "models/uuid.h"
#include "services/awareness_engine.h"
#include "services/away_reason.h"
#include "services/interruption_guard.h"
#include "services/reminder_engine.h"
#include "settings/settings_tab.h"
#include "state/app_model.h"
#include "system/notification_service.h"
#include "system/time_source.h"
#include "system/wake_timer.h"

class QMenu;

namespace pimble {

class BubblePanelController;
class MenuActions;
class StatusItem;
class CompanionWindowController;
class CursorFollower;
class GreetingBubbleController;
class OnboardingWindowController;
class SettingsWindowController;

// What the speech bubble is showing.
enum class BubbleUse {
  none,            // hidden
  reminder,        // the reminder engine's active reminder
  checkIn,         // the awareness engine's active check-in
  checkInPreview,  // a sample check-in from the settings
  intentionForm,   // the intention form
  info,            // a message, today's progress or the quick actions
};

class AppController : public QObject {
  Q_OBJECT

 public:
  // Timing of the controller's own timers, in seconds.
  static constexpr double heartbeatInterval = 600;
  static constexpr double heartbeatTolerance = 60;
  static constexpr double activitySaveDelay = 5;
  static constexpr double fullscreenRecheckInterval = 5;
  static constexpr double fullscreenRecheckTolerance = 2;
  static constexpr double tourDelay = 0.6;
  static constexpr double launchGreetingDelay = 5;

  // Creates the engines, the services and the model (which loads
  // "settings", "reminders" and "progress"); starts nothing. The store and
  // the time source outlive the controller.
  AppController(Persisting& store, TimeSource& time, DesktopServices desktop,
                QObject* parent = nullptr);
  // The same on the real desktop.
  AppController(Persisting& store, TimeSource& time, QObject* parent = nullptr);
  ~AppController() override;
  AppController(const AppController&) = delete;
  AppController& operator=(const AppController&) = delete;

  // Creates the windows, wires everything, applies the settings, loads
  // "greetings", "schedule" and "activity", starts both engines and the
  // heartbeat. Once.
  void start();
  // The final save: "schedule", "activity", then "settings", "reminders"
  // and "progress" at once, with the settings field being edited committed
  // first; an open tour ends without counting as done. Later calls write
  // only the saves still waiting (changes made since). Runs too when anyone
  // asks the application to quit, and as its event loop ends.
  void shutdown();
  // The same writes without ending anything.
  void saveAll();
  // shutdown(), then ends the event loop (Ctrl+Q, the quit menu items).
  void quit();
  // The program was launched again while running: the character comes
  // back on and the settings window opens on its current tab.
  void reopen();

  // Brings up the settings window, made on the first call and kept for the
  // life of the process, on `tab` when given, else on the tab it last showed.
  void openSettings(std::optional<SettingsTab> tab = std::nullopt);
  // The settings window once opened, else nullptr.
  SettingsWindowController* settingsWindow() const { return settingsWindow_.get(); }

  // ---- The first-run tour (controller_windows.cpp) ----
  // Opens the tour, or brings the open one to the front: there is never a
  // second. 0.6 s after a first start, and from the settings' tour button.
  void startOnboarding();
  // The open tour, else nullptr.
  OnboardingWindowController* onboarding() const { return onboarding_.get(); }

  // The character: shown when switched on and no quiet full screen hides it.
  void updateCompanionVisibility();
  void showCompanion();
  void hideCompanion();
  // Switches a visible character off, or summons a hidden one.
  void toggleCompanion();
  // Shows the character if needed and plays its arrival.
  void summonCompanion();
  // Follows the pointer when asked to, while motion is on and the
  // character is visible.
  void updateCursorFollowing();
  // `normal` is lowered to `reduced` while the desktop asks for less motion
  // or the awareness mode is night.
  AnimationIntensity effectiveIntensity(AnimationIntensity intensity) const;
  // The base state when nothing is shown: sleeping in quiet hours or a
  // pause, idle otherwise.
  GlimmetState restState() const;
  // The base state for a shown reminder of that kind.
  static GlimmetState baseState(ReminderKind kind);

  // Whether the application in front is quietly in full screen, hiding the
  // character when the settings ask for it; keeps the 5-second re-check.
  void refreshQuietState();
  // Copies the reminder engine's pause into the model.
  void syncPauseState();
  // Copies the mode, today's activity and the quiet status into the model.
  void publishAwareness();

  // The only way the speech bubble is shown or hidden.
  void showBubble(BubbleUse use, BubbleContent content, std::optional<Uuid> subject = {});
  void hideBubble();
  BubbleUse bubbleUse() const { return bubbleUse_; }
  // The reminder's or check-in's id the bubble shows, if any.
  const std::optional<Uuid>& bubbleSubject() const { return bubbleSubject_; }
  bool previewingCheckIn() const { return bubbleUse_ == BubbleUse::checkInPreview; }
  bool showingIntentionForm() const { return bubbleUse_ == BubbleUse::intentionForm; }

  // The two blocking rules between reminders and check-ins. A due reminder
  // waits while a check-in is active, a check-in preview or the intention
  // form is open, or a call or quiet full screen holds the application in
  // front. A due check-in waits for a call or a full screen, as `busy`
  // while a reminder, a preview, the form or any bubble without an active
  // check-in is shown, and as `paused` while reminders are paused.
  bool deliveryBlocked() const;
  std::set<AwarenessEngine::Blocker> checkInBlockers() const;

  // ---- The reminder road (controller_reminders.cpp) ----
  // Shortest time a reminder or check-in waits for its answer, in seconds.
  static constexpr double minimumAnswerTimeout = 15;
  static constexpr double answerTimeoutTolerance = 5;
  // The greeting after a completed reminder, and after the presence leaves
  // `away`, in seconds.
  static constexpr double doneGreetingDelay = 2.6;
  static constexpr double presenceGreetingDelay = 1.5;
  // A previewed state returns to rest after this; a preview waiting for
  // the character to come on screen is tried this often, this long.
  static constexpr double previewRestDelay = 6;
  static constexpr double previewRetryInterval = 0.3;
  static constexpr double previewRetryLimit = 3;

  // Shows a reminder the engine has just made active: its sound, the
  // character's state and the speech bubble, or a notification while the
  // character is hidden; then arms the time-out.
  void present(const Reminder& reminder);
  // Ends the active reminder with an answer; nothing without one.
  void finishReminder(const Resolution& resolution);
  // An answer on a reminder notification; one for a reminder that is not
  // the active one changes nothing.
  void notificationAction(const Uuid& id, NotificationService::Action action);
  // The engine resolved a reminder: progress, sound, reaction, summary.
  void reminderResolved(const Reminder& reminder, const Resolution& resolution, Date at);
  // The engine dropped the shown reminder (disabled, edited away or
  // deleted): its bubble, notification and state go.
  void reminderWithdrawn(const Reminder& reminder);
  // The engine's presence changed, or a pause or resume restated it.
  void presenceChanged(ReminderEngine::Presence presence);

  // The enabled reminders in list order.
  std::vector<Reminder> enabledReminders() const;
  // "Next: Water in 5 min", "Reminders paused", … for the menus.
  std::string nextReminderSummary() const;
  // Shows that reminder now, past quiet hours and pauses; while a reminder
  // or check-in is shown the character only reacts.
  void remindNow(const Reminder& reminder);
  // Ends what is shown and pauses reminders for that many seconds, or
  // until resumed.
  void pause(std::optional<double> seconds);
  // Ends any pause (the menus' and the settings' resume).
  void resume();
  // Shows the character in a state for a moment, or plays a reaction;
  // brings a hidden character on first.
  void preview(GlimmetState state);

  // The time of day in the user's short format ("14:05", "2:05 PM").
  static std::string shortTime(Date date);

  // ---- System and workspace events (controller_events.cpp) ----
  static constexpr double welcomeBackDelay = 3;

  // An away reason began or ended.
  void awayChange(AwayReason reason, bool away);
  // The wall clock was set, or the machine resumed: both engines look again
  // at once and the heartbeat waits no longer than its interval.
  void clockChanged();
  // Displays were added, removed or changed.
  void displaysChanged();
  // Another application came to the front (none: no application).
  void applicationActivated(const std::optional<AppIdentity>& app);
  void applicationTerminated(const AppIdentity& app);

  // ---- Greetings (controller_greetings.cpp) ----
  static constexpr double greetingSeconds = 3.2;
  static constexpr double recentInteraction = 120;
  static constexpr double greetingPreviewDelay = 0.3;
  static constexpr double summonGreetingDelay = 2.5;

  // Offers a greeting for the moment; the director decides whether a line
  // is said, and its memory is saved as "greetings" when one is.
  void maybeGreet(const GreetingMoment& moment);
  // The same some seconds later.
  void scheduleGreeting(double seconds, const GreetingMoment& moment);
  // A sample line for the time of day, shown whatever the rules say.
  void previewGreeting();
  // A click, petting or a move of the character.
  void noteInteraction();
  // The greetings' draw in [0, 1); the system generator by default.
  GreetingDirector::Uniform greetingDraw;

  // ---- Information bubbles (controller_greetings.cpp) ----
  // Close delays of the information bubbles, in seconds.
  static constexpr double messageCloseDelay = 8;
  static constexpr double quickActionsCloseDelay = 12;
  static constexpr double progressCloseDelay = 15;

  // A message in the speech bubble, closed 8 s later; dropped while the
  // character is hidden or a reminder or check-in is on screen.
  void showInfo(const std::string& title, const std::string& body);
  // Today's progress in the speech bubble for 15 s; with the character
  // hidden, the settings' Progress tab instead.
  void showProgress();
  // Plays an idle behaviour on the resting character (the Appearance
  // settings' previews).
  void previewBehavior(IdleBehavior behavior);
  // The one pending close of a short-lived bubble: a new one replaces the
  // old. The information close hides the bubble unless a reminder or
  // check-in is on screen by then; `replacePendingClose` runs `work`
  // instead (the check-in preview's own end).
  void scheduleInfoBubbleClose(double seconds);
  void replacePendingClose(double seconds, std::function<void()> work);
  // Presenting a reminder or check-in, previewing a check-in or opening the
  // intention form cancels the pending close.
  void cancelPendingClose();
  std::optional<Date> pendingCloseDue() const { return dueDateOf(pendingClose_); }

  // Applies one settings value field by field against the last applied one.
  void applySettings(const AppSettings& settings, bool initial);
  // The awareness engine's mode changed (also once at every start).
  void modeChanged(AwarenessMode mode);

  // The activity data written now; a pending delayed save is dropped.
  void saveActivity();
  // The activity data written 5 s after the first of a burst of changes.
  void scheduleActivitySave();
  // The reminder engine's schedule written now.
  void saveSchedule();

  // ---- Gestures on the character and the menus (controller_gestures.cpp,
  // controller_menus.cpp) ----
  // A click: the click sound, the greeting gone, a happy (or waking)
  // reaction; a check-in whose bubble was closed shows again.
  void glimmetClicked();
  // Rubbing the character's head, when petting is on.
  void petted();
  // A double click: the quick actions in the speech bubble.
  void showQuickActions();
  // One of the quick actions chosen.
  void quickAction(QuickAction action);
  // The point between the eyes in y-up screen points; none while hidden.
  std::optional<QPointF> eyeScreenPoint() const;
  // Turns the eyes by the follower's offset (none: straight ahead), unless
  // they are closed.
  void look(std::optional<QPointF> offset);
  // The character's context menu, built anew, popped up at `at` (Qt's
  // global coordinates).
  void showContextMenu(QPoint at);
  // The context menu last popped up, if any.
  QMenu* contextMenu() const { return contextMenu_.get(); }
  // What the menus read and call: this controller.
  MenuActions& menuActions();
  // The tray icon with the status menu, from start() on.
  StatusItem& statusItem() { return *statusItem_; }

  AppModel& model() { return *model_; }
  ReminderEngine& engine() { return engine_; }
  AwarenessEngine& awareness() { return awareness_; }
  InterruptionGuard& quietGuard() { return quietGuard_; }
  GreetingDirector& greeter() { return greeter_; }
  DesktopServices& desktop() { return desktop_; }
  TimeSource& time() { return time_; }
  // The windows exist from start() on.
  CompanionWindowController& companion() { return *companion_; }
  BubblePanelController& bubble() { return *bubble_; }
  GreetingBubbleController& greeting() { return *greeting_; }
  CursorFollower& cursorFollower() { return *cursorFollower_; }
  const std::optional<AppIdentity>& frontmost() const { return frontmost_; }
  bool fullscreenQuiet() const { return fullscreenQuiet_; }
  bool isStarted() const { return started_; }
  bool isShutDown() const { return shutDown_; }
  const std::optional<AppSettings>& appliedSettings() const { return appliedSettings_; }

  // ---- The awareness road: check-ins, the mode, intentions, sessions
  // (controller_checkins.cpp, controller_intentions.cpp).
  static constexpr double previewCloseDelay = 20;
  static constexpr double promptedFormCloseDelay = 30;

  // The one road of every answer to a check-in (its bubble, its
  // notification, the time-out, a pause) and of the preview's.
  void respondToCheckIn(const CheckInResponse& response);
  // "Try a check-in": a real one for the watched application in front, or a
  // sample that never reaches the engine.
  void previewCheckIn();
  // The check-in the controller presents (bubble, character or
  // notification), if any.
  const std::optional<Uuid>& presentedCheckIn() const { return presentedCheckIn_; }
  std::optional<Date> checkInTimeoutDue() const { return dueDateOf(checkInTimeout_); }
  // The user's choice of mode; it holds until the schedule next changes mode.
  void setMode(AwarenessMode mode);
  // The intention form, empty or with an application (a prompt when the
  // program offers it on its own).
  void openIntentionForm(std::optional<ReturnTarget> target = std::nullopt,
                         std::optional<ReturnTarget> returnTo = std::nullopt, bool prompt = false);
  // Closes the form as its Cancel does; nothing when it is not open.
  void closeIntentionForm();
  // What the form offers now.
  IntentionForm makeIntentionForm(bool prompt, const std::optional<ReturnTarget>& target,
                                  const std::optional<ReturnTarget>& returnTo) const;
  // A session timer on the browser.
  void startSession(const SessionPreset& preset);
  // The menus' endings of the running intention or session.
  void endIntention(Intention::Status status);
  void extendIntention(std::int64_t minutes);
  // "YouTube session · 3 of 30 min"; none without a running intention.
  std::optional<std::string> intentionStatus() const;

  // Pending timers, for the curious and for tests.
  const WakeTimer& engineTimer() const { return engineTimer_; }
  const WakeTimer& awarenessTimer() const { return awarenessTimer_; }
  std::optional<Date> heartbeatDue() const { return dueDateOf(heartbeat_); }
  std::optional<Date> launchStepDue() const { return dueDateOf(launchStep_); }
  std::optional<Date> activitySaveDue() const { return dueDateOf(activitySaveWork_); }
  bool fullscreenRecheckRunning() const { return fullscreenRecheck_ != nullptr; }
  std::optional<Date> bubbleTimeoutDue() const { return dueDateOf(bubbleTimeout_); }
  std::optional<Date> previewRestDue() const { return dueDateOf(previewRest_); }
  bool previewWaiting() const { return previewRetry_ != nullptr; }
  // Greeting attempts waiting for their time, earliest first.
  std::vector<std::pair<Date, GreetingMoment>> pendingGreetings() const;
  const std::optional<Date>& awaySince() const { return awaySince_; }
  const std::optional<Date>& idleAwaySince() const { return idleAwaySince_; }
  const std::optional<Date>& lastInteractionAt() const { return lastInteractionAt_; }

 private:
  // app_controller.cpp
  void installEnvironments();
  double idleSeconds() const;
  void wireCompanion();
  void wireBubble();
  void wireEngine();
  void wireModel();
  void wireSystem();
  void fillActions();
  void launchStep(bool firstRun);
  // Writes the delayed saves still waiting, at once.
  void savePending();
  // controller_menus.cpp
  void startStatusItem();

  // controller_timers.cpp
  // Sees the application's quit before it closes the windows.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void arm(std::optional<Date> date);
  void armAwareness(std::optional<Date> date);
  void startHeartbeat(Date due);
  void heartbeat();

  // controller_settings.cpp
  // The sound switch, the motion and the night look for the current mode.
  void applyModeEffects(const AppSettings& settings);
  // At launch, before anything is applied or started: the mode the stored
  // settings give now, with the reminder kinds it holds back.
  void takeLaunchMode();
  void applyIntentionShortcut(bool on);

  // controller_visibility.cpp
  void scheduleFullscreenRecheck(Date due);

  // controller_reminders.cpp
  void previewAttempt(GlimmetState state, Date giveUpAt);
  // The enabled reminder due first (on equal dates the earlier one in the
  // list) and its date; none without a countdown.
  std::optional<std::pair<Reminder, Date>> nextDue() const;
  // An interface sound, while the sound effects are on.
  void playEffect(SoundService::Effect effect);

  // controller_events.cpp
  void awayChanged(bool away);

  // controller_greetings.cpp
  bool reminderOrCheckInShown() const;
  bool greetingBlocked() const;
  std::optional<GreetingDirector::NextBreak> nextBreak() const;

  // controller_checkins.cpp
  // Holds presentation for the scope of a road that is still carrying out
  // what it started; the road then evaluates once (settle()).
  class PresentationHold {
   public:
    explicit PresentationHold(AppController& c) : depth_(c.presentationHeld_) { ++depth_; }
    ~PresentationHold() { --depth_; }
    PresentationHold(const PresentationHold&) = delete;
    PresentationHold& operator=(const PresentationHold&) = delete;

   private:
    int& depth_;
  };
  void presentCheckIn(const CheckIn& checkIn);
  void checkInNotificationAction(const Uuid& id, const CheckInResponse& response);
  void checkInGone(const Uuid& id);
  // Withdraws what still shows a check-in the engine no longer has.
  void withdrawStaleCheckIn();
  void carryOut(const AwarenessEngine::Effect& effect);
  // The bubble stopped showing a sample or the form (replaced or hidden).
  void bubbleUseEnded(BubbleUse ended, BubbleUse next);
  // Both engines look again once a road has finished what it started.
  void settle();

  // controller_windows.cpp
  // The tour ended (skipped: "Skip tour" or the window closed): the
  // open-at-login wish of a finished tour is applied, the tour counts as
  // done, everything is saved now and the character celebrates.
  void finishOnboarding(bool skipped);

  // controller_intentions.cpp
  void askIntention(const AppIdentity& app, const std::optional<ReturnTarget>& returnTo);
  void intentionEnded(const Intention& intention, Intention::Status status);
  void startIntention(const ReturnTarget& target, std::int64_t minutes, const std::string& purpose,
                      const std::optional<ReturnTarget>& returnTo);

  Persisting& store_;
  TimeSource& time_;
  DesktopServices desktop_;

  // Engines and services.
  InterruptionGuard quietGuard_;
  GreetingDirector greeter_;
  std::unique_ptr<CursorFollower> cursorFollower_;
  std::unique_ptr<AppModel> model_;
  AwarenessEngine awareness_;
  ReminderEngine engine_;
  WakeTimer engineTimer_;
  WakeTimer awarenessTimer_;

  // Windows, created by start(); declared after what their callbacks use,
  // so they go first.
  std::unique_ptr<CompanionWindowController> companion_;
  std::unique_ptr<BubblePanelController> bubble_;
  std::unique_ptr<GreetingBubbleController> greeting_;
  std::unique_ptr<SettingsWindowController> settingsWindow_;
  // The menus; what they call first, as their items hold it.
  std::unique_ptr<MenuActions> menuActions_;
  std::unique_ptr<StatusItem> statusItem_;
  std::unique_ptr<QMenu> contextMenu_;
  // The first-run tour: the open one, dropped when it ends.
  std::unique_ptr<OnboardingWindowController> onboarding_;

  // Timers and delayed steps.
  std::unique_ptr<ScheduledCall> heartbeat_;
  std::unique_ptr<ScheduledCall> activitySaveWork_;
  std::unique_ptr<ScheduledCall> fullscreenRecheck_;
  std::unique_ptr<ScheduledCall> launchStep_;
  std::unique_ptr<ScheduledCall> bubbleTimeout_;
  std::unique_ptr<ScheduledCall> previewRest_;
  std::unique_ptr<ScheduledCall> previewRetry_;
  std::unique_ptr<ScheduledCall> greetingPreview_;
  struct PendingGreeting {
    GreetingMoment moment;
    std::unique_ptr<ScheduledCall> call;
  };
  std::map<std::uint64_t, PendingGreeting> pendingGreetings_;
  std::uint64_t nextGreetingId_ = 0;
  // The pending close of a short-lived bubble (information, quick actions,
  // the check-in preview): at most one.
  std::unique_ptr<ScheduledCall> pendingClose_;

  // The awareness road.
  std::unique_ptr<ScheduledCall> checkInTimeout_;
  std::optional<Uuid> presentedCheckIn_;
  // While an answer is carried out nothing new is presented; the answer
  // evaluates once at its end.
  int presentationHeld_ = 0;

  // Situation.
  std::optional<AppIdentity> frontmost_;
  bool fullscreenQuiet_ = false;
  BubbleUse bubbleUse_ = BubbleUse::none;
  std::optional<Uuid> bubbleSubject_;
  std::optional<Date> lastInteractionAt_;
  // The start of the current absence as the system events tell it, and as
  // the reminder engine's presence tells it.
  std::optional<Date> awaySince_;
  std::optional<Date> idleAwaySince_;
  std::mt19937_64 greetingRng_{std::random_device{}()};
  std::optional<AppSettings> appliedSettings_;
  bool summonOnShow_ = false;
  bool started_ = false;
  bool shutDown_ = false;
};

}  // namespace pimble
