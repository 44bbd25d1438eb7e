#pragma once

// An AppController on an in-memory store that counts reads and writes, a
// fake clock and fake desktop services, with the real character and bubble
// windows: tests need the headless desktop's X server (tests/desktop-env.sh)
// and skip without it.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "app/fake_desktop.h"
#include "models/memory_persistence.h"
#include "models/reminders_file.h"
#include "models/schedule_snapshot.h"
#include "support/desktop_peers.h"
#include "system/fake_time_source.h"

namespace pimble::testing {

// Documents in memory; every read and write is noted by name, in order.
class CountingStore : public MemoryPersistence {
 public:
  mutable std::vector<std::string> reads;
  std::vector<std::string> writes;

  int writeCount(const std::string& name) const {
    return int(std::count(writes.begin(), writes.end(), name));
  }
  void forget() {
    reads.clear();
    writes.clear();
  }

 protected:
  void readCandidates(std::string_view name, const Accepts& accept) const override {
    reads.emplace_back(name);
    MemoryPersistence::readCandidates(name, accept);
  }
  void write(std::string_view name, const Json* document, const Accepts& decodes) override {
    writes.emplace_back(name);
    MemoryPersistence::write(name, document, decodes);
  }
};

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingX()) GTEST_SKIP() << *why;
  }
  void TearDown() override { controller.reset(); }

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

  CountingStore store;
  FakeTimeSource time;
  FakeDesktop desktop;
  std::unique_ptr<AppController> controller;
};

}  // namespace pimble::testing
