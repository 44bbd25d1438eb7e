#pragma once

// An AppController on an in-memory store that counts reads and writes, a
// fake clock and fake desktop services, with the real character and bubble
// windows: tests need the headless desktop's X server (tests/desktop-env.sh)
// and skip without it.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "app/fake_desktop.h"
#include "bubbles/bubble_panel_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"
#include "models/memory_persistence.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"
#include "support/counting_store.h"
#include "support/desktop_peers.h"
#include "system/fake_time_source.h"
#include "system/probe_test_support.h"

namespace pimble::testing {

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingX()) GTEST_SKIP() << *why;
    // The settings window reads the autostart entry: keep it off the user's.
    ASSERT_TRUE(config_.isValid());
    configHome_.emplace("XDG_CONFIG_HOME", config_.path());
    // The fake clock starts at 08:00 UTC and its tests mean the morning, an
    // awake character: so wherever they run, not only in the test desktop.
    zone_.emplace("TZ", "UTC");
    tzset();
  }
  void TearDown() override {
    controller.reset();
    configHome_.reset();
    zone_.reset();
    tzset();
  }

  // Settings of a user who has done the tour, with every reminder off so
  // that nothing is delivered unless a test asks for it.
  void seedQuietUser(AppSettings settings = {}) {
    settings.onboardingCompleted = true;
    store.save(settings, "settings");
    std::vector<Reminder> reminders = Reminder::defaults();
    for (Reminder& r : reminders) r.isEnabled = false;
    store.save(RemindersFile{reminders}, "reminders");
    store.forget();
  }

  // A user who has done the tour, without quiet hours, whose reminders are
  // all off except the kinds given, each due that many seconds from now.
  std::vector<Reminder> seedDue(const std::vector<std::pair<ReminderKind, double>>& due,
                                AppSettings settings = {}) {
    settings.onboardingCompleted = true;
    settings.quietHours.isEnabled = false;
    store.save(settings, "settings");
    std::vector<Reminder> reminders = Reminder::defaults();
    ScheduleSnapshot snapshot;
    snapshot.savedAt = time.now();
    for (Reminder& r : reminders) {
      r.isEnabled = false;
      for (const auto& [kind, seconds] : due) {
        if (r.kind != kind) continue;
        r.isEnabled = true;
        snapshot.runtime[r.id.string()] = ReminderRuntime{addSeconds(time.now(), seconds)};
      }
    }
    store.save(RemindersFile{reminders}, "reminders");
    store.save(snapshot, "schedule");
    store.forget();
    return reminders;
  }

  AppController& make() {
    controller = std::make_unique<AppController>(store, time, desktop.services());
    return *controller;
  }
  AppController& started() {
    if (!controller) make();
    controller->start();
    return *controller;
  }
  AppSettings settings() const { return controller->model().settings(); }
  void change(const std::function<void(AppSettings&)>& edit) {
    AppSettings s = controller->model().settings();
    edit(s);
    controller->model().setSettings(s);
  }
  double secondsUntil(std::optional<Date> due) const {
    return due ? (*due - time.now()).count() : -1;
  }

  GlimmetAnimator& animator() { return *controller->companion().animator(); }
  GlimmetRig& rig() { return *controller->companion().hostView().figure().rig(); }
  // What the character shows: a reaction over its resting state, or that.
  GlimmetState shownState() { return rig().state(); }
  bool characterVisible() { return controller->companion().panel().isVisible(); }
  const Reminder& reminder(ReminderKind kind) {
    for (const Reminder& r : controller->model().reminders())
      if (r.kind == kind) return r;
    throw std::logic_error("no such reminder");
  }
  // A point of the character's canvas (y down) on the screen, where
  // xdotool aims: the body's middle, the head.
  static constexpr QPointF bodyCentre{110, 150};
  static constexpr QPointF head{110, 110};
  QPoint onScreen(QPointF canvas) {
    GlimmetHostView& view = controller->companion().hostView();
    const double scale = GlimmetHostView::viewScale(view.size());
    return view.mapToGlobal(
        QPointF(GlimmetHostView::canvasLeft(view.size()) + canvas.x() * scale, canvas.y() * scale)
            .toPoint());
  }
  static QStringList at(QPoint p) { return {QString::number(p.x()), QString::number(p.y())}; }
  // Whether the window manager shows the character's window where the
  // program put it (shownPlace), and a press on its body or its head
  // reaches it (pointerReaches). Only then does onScreen() tell where the
  // pointer finds the character: Qt's geometry is what the program asked
  // for, a window manager first takes a new window into a frame of its own
  // that stands elsewhere until it moves and maps it, and that frame takes
  // on the window's cut and input region a moment later still.
  bool characterShown() {
    const QString window = QString::number(controller->companion().panel().winId());
    return shownPlace(window) && pointerReaches(window, onScreen(bodyCentre)) &&
           pointerReaches(window, onScreen(head));
  }
  // Runs xdotool while this process goes on handling its events, so that
  // the moves arrive spaced as they were made and menus can open.
  static void xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    ASSERT_TRUE(p.waitForStarted(5000));
    ASSERT_TRUE(
        waitUntil([&] { return p.state() == QProcess::NotRunning; }, std::chrono::seconds(10)));
    ASSERT_EQ(p.exitCode(), 0) << args.join(' ').toStdString();
  }

  std::vector<SoundService::Effect>& played() { return desktop.sounds->played; }
  int played(SoundService::Effect effect) const {
    return int(std::count(desktop.sounds->played.begin(), desktop.sounds->played.end(), effect));
  }

  QTemporaryDir config_;
  std::optional<ScopedEnv> configHome_;
  std::optional<ScopedEnv> zone_;
  CountingStore store;
  FakeTimeSource time;
  FakeDesktop desktop;
  std::unique_ptr<AppController> controller;
};

}  // namespace pimble::testing
