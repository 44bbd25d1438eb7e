#pragma once

// The controller fixture with what the check-in, intention and session tests
// share: a few applications, watched entries and a way to bring an
// application to the front of the awareness engine's tracker.

#include "app/controller_harness.h"
#include "bubbles/bubble_model.h"

namespace pimble::testing {

inline const AppIdentity chat{"org.example.Chat", "Chat", 4343};
inline const AppIdentity editor{"org.example.Editor", "Editor", 4444};
inline const AppIdentity notes{"org.example.Notes", "Notes", 4646};
// Known to the app catalogue by their ids: a player and a browser.
inline const AppIdentity player{"io.mpv", "mpv", 4242};
inline const AppIdentity firefox{"firefox", "Firefox", 4545};

inline ReturnTarget targetOf(const AppIdentity& app) {
  return ReturnTarget{app.bundleID, app.name};
}

inline WatchedApp watched(const AppIdentity& app, AppCategory category, std::int64_t minutes = 30) {
  WatchedApp w;
  w.bundleID = app.bundleID;
  w.name = app.name;
  w.category = category;
  w.workMinutes = w.relaxMinutes = w.nightMinutes = minutes;
  return w;
}

class AwarenessTest : public ControllerTest {
 protected:
  // A user who watches Chat (social, 30 minutes), with `front` in front at
  // start.
  AppController& startWatching(std::optional<AppIdentity> front = chat,
                               const std::function<void(AppSettings&)>& edit = {}) {
    AppSettings s;
    s.awareness.isEnabled = true;
    s.awareness.apps = {watched(chat, AppCategory::social)};
    if (edit) edit(s);
    seedQuietUser(s);
    controller.reset();
    make();
    desktop.workspace->front = front;
    return started();
  }
  // A quiet user's controller on the fakes, with some real adapters put in
  // by `real`.
  AppController& startWithReal(const std::function<void(DesktopServices&)>& real) {
    seedQuietUser();
    DesktopServices services = desktop.services();
    real(services);
    controller = std::make_unique<AppController>(store, time, std::move(services));
    return started();
  }
  // The tracker sees the application come to the front.
  void bringToFront(const AppIdentity& app) { controller->awareness().tracker().appActivated(app); }
  // A check-in for Chat, delivered through the engine's own road.
  CheckIn forceCheckIn() {
    EXPECT_TRUE(controller->awareness().forceCheckIn());
    return controller->awareness().active().value_or(CheckIn{});
  }
  const BubbleContent& content() { return controller->bubble().model().content(); }
  // The title of the message bubble shown, or empty.
  std::string messageTitle() {
    const auto* m = content().get<BubbleContent::Message>();
    return controller->bubble().isShown() && m ? m->title : std::string();
  }
  // Whether the notification of that check-in was withdrawn.
  bool cleared(const Uuid& id) {
    const auto& all = desktop.notifier->cleared;
    return std::find(all.begin(), all.end(), id) != all.end();
  }
  // A reminder due `minutes` from now, the only one switched on.
  void enableReminder(ReminderKind kind, std::int64_t minutes) {
    std::vector<Reminder> list = controller->model().reminders();
    for (Reminder& r : list) {
      r.isEnabled = r.kind == kind;
      if (r.isEnabled) r.intervalMinutes = minutes;
    }
    controller->model().setReminders(list);
  }
};

}  // namespace pimble::testing
