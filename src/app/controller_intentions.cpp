// The awareness mode chosen by hand; intentions: the engine's prompt, their
// endings, the intention form and what it preselects, its Start; session
// timers on the browser; the status line the menus show.
#include <QCollator>
#include <QString>
#include <algorithm>
#include <cmath>

#include "app/app_controller.h"
#include "bubbles/bubble_panel_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/panel_keyboard.h"
#include "services/app_catalog.h"

namespace pimble {
namespace {

ReturnTarget targetOf(const AppIdentity& app) {
  return ReturnTarget{app.bundleID, app.name};
}

bool contains(const std::vector<ReturnTarget>& list, const ReturnTarget& target) {
  return std::find(list.begin(), list.end(), target) != list.end();
}

bool containsBundle(const std::vector<ReturnTarget>& list, const std::string& bundleID) {
  return std::any_of(list.begin(), list.end(),
                     [&](const ReturnTarget& t) { return t.bundleID == bundleID; });
}

void sortByName(std::vector<ReturnTarget>& list) {
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::stable_sort(list.begin(), list.end(), [&](const ReturnTarget& a, const ReturnTarget& b) {
    return collator.compare(QString::fromStdString(a.name), QString::fromStdString(b.name)) < 0;
  });
}

}  // namespace

// ---------------------------------------------------------------- mode

void AppController::setMode(AwarenessMode mode) {
  AppSettings s = model_->settings();
  s.modes.manualMode = mode;
  // With the schedule on, the choice holds until the schedule next changes
  // mode; with it off, until the user picks another.
  s.modes.overrideUntil = AwarenessEngine::overrideEnd(s.modes.schedule, time_.now(),
                                                       awareness_.environment().calendar);
  // Applying the settings hands the mode to the engine, which reports a
  // change through modeChanged().
  model_->setSettings(std::move(s));
}

// ---------------------------------------------------------------- prompts and endings

void AppController::askIntention(const AppIdentity& app,
                                 const std::optional<ReturnTarget>& returnTo) {
  // Only when the user would see the form now and nothing else claims the
  // character; a question dropped here is not asked again before the
  // engine's cooldown.
  if (!companion_->panel().isVisible()) return;
  if (bubble_->isShown()) return;
  if (engine_.active() || awareness_.active()) return;
  if (!quietGuard_.blockers(frontmost_).empty()) return;
  if (engine_.pausedIndefinitely() || engine_.pausedUntil()) return;
  openIntentionForm(targetOf(app), returnTo, true);
}

void AppController::intentionEnded(const Intention&, Intention::Status status) {
  // Its time-up check-in goes with it, wherever it shows: bubble, the
  // character alone or a notification.
  withdrawStaleCheckIn();
  const bool kept = status == Intention::Status::returned || status == Intention::Status::finished;
  if (kept && companion_->panel().isVisible() && !bubble_->isShown()) {
    if (GlimmetAnimator* animator = companion_->animator())
      animator->react(GlimmetState::celebration);
  }
  publishAwareness();
}

void AppController::endIntention(Intention::Status status) {
  awareness_.endIntention(status);
  awareness_.evaluate();
}

void AppController::extendIntention(std::int64_t minutes) {
  awareness_.extendIntention(minutes);
}

std::optional<std::string> AppController::intentionStatus() const {
  const auto intention = awareness_.intention();
  if (!intention) return std::nullopt;
  const double seconds = awareness_.tracker().intentionSeconds();
  const auto used = std::max<std::int64_t>(
      0, std::isfinite(seconds) ? static_cast<std::int64_t>(std::trunc(seconds / 60.0)) : 0);
  const std::string label = intention->isSession && !intention->purpose.empty()
                                ? intention->purpose + " session"
                                : intention->appName;
  return label + " \xC2\xB7 " + std::to_string(used) + " of " + std::to_string(intention->minutes) +
         " min";
}

// ---------------------------------------------------------------- the form

void AppController::openIntentionForm(std::optional<ReturnTarget> target,
                                      std::optional<ReturnTarget> returnTo, bool prompt) {
  GlimmetAnimator* animator = companion_->animator();
  // A reminder or check-in on screen keeps the bubble; the character's
  // nod is the only sign.
  if (engine_.active() || awareness_.active()) {
    if (animator) animator->react(GlimmetState::happy);
    return;
  }
  if (!model_->settings().showCompanion) {
    AppSettings s = model_->settings();
    s.showCompanion = true;
    model_->setSettings(std::move(s));
  }
  if (!companion_->panel().isVisible()) showCompanion();
  // No pending close of an earlier bubble or prompt may take this form away.
  cancelPendingClose();
  if (animator) animator->setBase(GlimmetState::checkIn);
  const IntentionForm form = makeIntentionForm(prompt, target, returnTo);
  const Uuid id = form.id;
  showBubble(BubbleUse::intentionForm, BubbleContent::intentionForm(form), id);
  if (!prompt) {
    // The user asked for it, perhaps from another program (the shortcut,
    // the tray's menu): the form takes the keyboard itself where a window
    // manager keeps it there.
    bubble_->takeKeyboard();
    return;
  }
  // A form the program offered on its own goes away by itself.
  replacePendingClose(promptedFormCloseDelay, [this, id] {
    if (showingIntentionForm() && bubbleSubject_ == id) closeIntentionForm();
  });
}

IntentionForm AppController::makeIntentionForm(bool prompt,
                                               const std::optional<ReturnTarget>& target,
                                               const std::optional<ReturnTarget>& returnTo) const {
  WorkspaceService* workspace = desktop_.workspace.get();
  const std::vector<ReturnTarget> running = AppCatalog::runningApps();
  const AwarenessSettings& awareness = model_->settings().awareness;

  // Running applications, and every watched one that is installed.
  std::vector<ReturnTarget> apps = running;
  for (const WatchedApp& w : awareness.apps) {
    if (containsBundle(apps, w.bundleID)) continue;
    if (!workspace || !workspace->isInstalled(w.bundleID)) continue;
    apps.push_back(ReturnTarget{w.bundleID, w.name});
  }
  sortByName(apps);

  std::optional<ReturnTarget> t;
  std::optional<ReturnTarget> r;
  const auto& lastCandidate = awareness_.tracker().lastReturnCandidate();
  if (target) {
    t = target;
    r = returnTo;
  } else if (returnTo) {
    r = returnTo;
  } else if (!frontmost_ || frontmost_->bundleID == AppCatalog::ownBundleID()) {
    r = lastCandidate;
  } else {
    const AppIdentity& front = *frontmost_;
    const auto watched = awareness.app(front.bundleID);
    const auto kind = AppCatalog::quietKind(front.bundleID);
    const bool distraction = (watched && watched->category != AppCategory::work) ||
                             kind == AppCatalog::QuietKind::video ||
                             kind == AppCatalog::QuietKind::game ||
                             kind == AppCatalog::QuietKind::browser;
    if (distraction) {
      // The user is where they might lose time: that is the intention.
      t = targetOf(front);
      r = lastCandidate;
    } else {
      // The user is at work: the likely distraction is a running watched
      // one, else a running browser.
      r = targetOf(front);
      for (const WatchedApp& w : awareness.apps) {
        if (w.category != AppCategory::work && containsBundle(running, w.bundleID)) {
          t = ReturnTarget{w.bundleID, w.name};
          break;
        }
      }
      if (!t) {
        for (const ReturnTarget& app : running) {
          if (AppCatalog::quietKind(app.bundleID) == AppCatalog::QuietKind::browser) {
            t = app;
            break;
          }
        }
      }
    }
  }

  if (t && !contains(apps, *t)) apps.insert(apps.begin(), *t);
  std::vector<ReturnTarget> returnChoices = running;
  if (r && !contains(returnChoices, *r)) returnChoices.insert(returnChoices.begin(), *r);

  IntentionForm form;
  form.title = prompt ? "What are you here for?" : "Set an intention";
  form.apps = std::move(apps);
  form.target = t;
  form.returnChoices = std::move(returnChoices);
  form.returnTo = r;
  form.minutes = 15;
  form.isPrompt = prompt;
  return form;
}

void AppController::closeIntentionForm() {
  if (!showingIntentionForm()) return;
  // Hiding ends the form: the character rests and no reminder follows
  // within the minimum gap (bubbleUseEnded).
  hideBubble();
  if (presentationHeld_ == 0) awareness_.evaluate();
  updateCompanionVisibility();
}

void AppController::startIntention(const ReturnTarget& target, std::int64_t minutes,
                                   const std::string& purpose,
                                   const std::optional<ReturnTarget>& returnTo) {
  {
    // The form's end and the new intention are one step: what waited for
    // the form comes after both.
    PresentationHold hold(*this);
    // The application the user is going to gets the keyboard, not first
    // the one they were in.
    PanelKeyboard::Answer keyboard;
    closeIntentionForm();
    awareness_.startIntention(target, minutes, purpose, returnTo, false);
    if (!frontmost_ || frontmost_->bundleID != target.bundleID) {
      if (desktop_.workspace) {
        desktop_.workspace->open(target);
        PanelKeyboard::instance().sentOn();
      }
    }
    if (GlimmetAnimator* animator = companion_->animator()) animator->react(GlimmetState::happy);
    playEffect(SoundService::Effect::click);
  }
  settle();
  publishAwareness();
}

// ---------------------------------------------------------------- sessions

void AppController::startSession(const SessionPreset& preset) {
  const bool formWasOpen = showingIntentionForm();
  std::optional<ReturnTarget> browser;
  {
    PresentationHold hold(*this);
    PanelKeyboard::Answer keyboard;
    closeIntentionForm();
    browser = AppCatalog::browserForSession(frontmost_);
    if (browser) {
      std::optional<ReturnTarget> candidate;
      if (frontmost_ && frontmost_->bundleID != AppCatalog::ownBundleID() &&
          frontmost_->bundleID != browser->bundleID)
        candidate = targetOf(*frontmost_);
      else
        candidate = awareness_.tracker().lastReturnCandidate();
      awareness_.startIntention(*browser, preset.minutes, preset.label, candidate, true);
      if ((!frontmost_ || frontmost_->bundleID != browser->bundleID) && desktop_.workspace) {
        desktop_.workspace->open(*browser);
        PanelKeyboard::instance().sentOn();
      }
      if (GlimmetAnimator* animator = companion_->animator()) animator->react(GlimmetState::happy);
      playEffect(SoundService::Effect::click);
    }
  }
  if (formWasOpen) {
    settle();
  } else if (browser) {
    awareness_.evaluate();
  }
  if (!browser) {
    // The active intention, if any, stays.
    showInfo("No browser found", "Set an intention for any app instead.");
    return;
  }
  publishAwareness();
}

}  // namespace pimble
