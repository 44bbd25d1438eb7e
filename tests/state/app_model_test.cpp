#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "models/file_persistence.h"
#include "models/progress_data.h"
#include "models/reminders_file.h"
#include "services/reminder_engine.h"
#include "state/app_model.h"
#include "support/counting_store.h"
#include "system/fake_time_source.h"

namespace pimble {
namespace {

Reminder custom(const std::string& title) {
  Reminder r;
  r.kind = ReminderKind::custom;
  r.title = title;
  return r;
}

std::vector<ReminderKind> kinds(const std::vector<Reminder>& list) {
  std::vector<ReminderKind> out;
  for (const auto& r : list) out.push_back(r.kind);
  return out;
}

const std::vector<ReminderKind> builtInKinds = {ReminderKind::water,   ReminderKind::stretch,
                                                ReminderKind::eyeRest, ReminderKind::posture,
                                                ReminderKind::walk,    ReminderKind::takeBreak};

class AppModelTest : public ::testing::Test {
 protected:
  testing::CountingStore store;
  FakeTimeSource time;
};

// ---- loading ----

TEST_F(AppModelTest, AFirstRunHasTheDefaultsAndWritesNothing) {
  {
    AppModel model(store, time);
    EXPECT_EQ(model.settings(), AppSettings{});
    EXPECT_EQ(kinds(model.reminders()), builtInKinds);
    EXPECT_TRUE(model.progress().data.days.empty());
    EXPECT_FALSE(model.isPaused());
    // The commands before the controller fills them in do nothing, safely.
    model.actions.resume();
    model.actions.pause(30.0);
    model.actions.previewBehavior(IdleBehavior::wink);
    time.advance(Seconds(5));
  }
  EXPECT_EQ(int(store.writes.size()), 0);
}

TEST_F(AppModelTest, StoredDocumentsAreLoaded) {
  AppSettings settings;
  settings.companionSize = CompanionSize::large;
  settings.onboardingCompleted = true;
  store.save(settings, "settings");
  // Exactly as stored: no merge with the defaults, no reordering.
  RemindersFile file{{custom("Plants"), Reminder::defaults()[3]}};
  store.save(file, "reminders");
  ProgressTracker tracker;
  tracker.record(ReminderAction::done, ReminderKind::water, time.now());
  store.save(tracker.data, "progress");

  AppModel model(store, time);
  EXPECT_EQ(model.settings(), settings);
  EXPECT_EQ(model.reminders(), file.reminders);
  EXPECT_EQ(model.progress().data, tracker.data);
}

TEST_F(AppModelTest, UnreadableOrEmptyDocumentsGiveTheDefaults) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::filesystem::path root = dir.path().toStdString();
  std::ofstream(root / "settings.json") << "{\"showCompanion\": ";
  std::ofstream(root / "reminders.json") << "{\"reminders\": 7}";
  std::ofstream(root / "progress.json") << "[1, 2, 3]";
  FilePersistence files(root);

  AppModel model(files, time);
  EXPECT_EQ(model.settings(), AppSettings{});
  EXPECT_EQ(kinds(model.reminders()), builtInKinds);
  EXPECT_TRUE(model.progress().data.days.empty());
  // An empty list is no list either.
  testing::CountingStore empty;
  empty.save(RemindersFile{}, "reminders");
  EXPECT_EQ(kinds(AppModel(empty, time).reminders()), builtInKinds);

  // The next save writes documents that load again.
  model.saveNow();
  EXPECT_EQ(files.load<AppSettings>("settings"), AppSettings{});
  ASSERT_TRUE(files.load<RemindersFile>("reminders"));
  EXPECT_EQ(files.load<RemindersFile>("reminders")->reminders, model.reminders());
  EXPECT_TRUE(files.load<ProgressData>("progress"));
}

TEST_F(AppModelTest, HistoryOlderThan120DaysIsPrunedAndTheNextSaveWritesIt) {
  ProgressTracker tracker;
  const Date now = time.now();
  const auto daysAgo = [&](int n) { return addSeconds(now, -86400.0 * n); };
  tracker.record(ReminderAction::done, ReminderKind::water, daysAgo(121));
  tracker.record(ReminderAction::done, ReminderKind::water, daysAgo(120));
  tracker.record(ReminderAction::done, ReminderKind::water, daysAgo(3));
  const auto oldKey = tracker.dayKey(daysAgo(121));
  const auto edgeKey = tracker.dayKey(daysAgo(120));
  store.save(tracker.data, "progress");
  store.forget();

  AppModel model(store, time);
  EXPECT_FALSE(model.progress().data.days.contains(oldKey));
  EXPECT_TRUE(model.progress().data.days.contains(edgeKey));
  EXPECT_EQ(model.progress().data.days.size(), 2u);
  EXPECT_EQ(int(store.writes.size()), 0);  // nothing written at creation

  model.saveNow();
  const auto saved = store.load<ProgressData>("progress");
  ASSERT_TRUE(saved);
  EXPECT_FALSE(saved->days.contains(oldKey));
  EXPECT_EQ(saved->days.size(), 2u);
}

// ---- observation and saving ----

TEST_F(AppModelTest, EverySetterEmitsAfterStoringEvenWhenUnchanged) {
  AppModel model(store, time);
  std::vector<bool> seen;
  QObject::connect(&model, &AppModel::settingsChanged, &model, [&](const AppSettings& s) {
    seen.push_back(model.settings().showCompanion == s.showCompanion);
  });
  QSignalSpy modeSpy(&model, &AppModel::modeChanged);
  QSignalSpy pausedSpy(&model, &AppModel::pausedUntilChanged);

  auto s = model.settings();
  s.showCompanion = false;
  model.setSettings(s);
  model.setSettings(s);  // equal: still published
  model.setMode(AwarenessMode::night);
  model.setMode(AwarenessMode::night);
  model.setPausedUntil(addSeconds(time.now(), -60));

  EXPECT_EQ(seen, (std::vector<bool>{true, true}));
  EXPECT_FALSE(model.settings().showCompanion);
  EXPECT_EQ(modeSpy.count(), 2);
  EXPECT_EQ(model.mode(), AwarenessMode::night);
  EXPECT_EQ(pausedSpy.count(), 1);
  // A pause whose end has passed counts until it is cleared.
  EXPECT_TRUE(model.isPaused());
  model.setPausedUntil(std::nullopt);
  EXPECT_FALSE(model.isPaused());
  model.setPausedIndefinitely(true);
  EXPECT_TRUE(model.isPaused());
}

TEST_F(AppModelTest, ABurstOfChangesIsSavedOnce04SecondsAfterTheLast) {
  AppModel model(store, time);
  for (int i = 0; i < 10; ++i) {
    auto s = model.settings();
    s.idleThresholdMinutes = 5 + i;
    model.setSettings(s);
    time.advance(Seconds(0.3));
  }
  EXPECT_EQ(int(store.writes.size()), 0);
  time.advance(Seconds(0.09));
  EXPECT_EQ(int(store.writes.size()), 0);
  time.advance(Seconds(0.02));
  EXPECT_EQ(store.writeCount("settings"), 1);
  EXPECT_EQ(store.writeCount("reminders"), 1);
  EXPECT_EQ(store.writeCount("progress"), 1);
  EXPECT_EQ(store.load<AppSettings>("settings")->idleThresholdMinutes, 14);
  EXPECT_FALSE(model.savePending());

  time.advance(Seconds(10));
  EXPECT_EQ(int(store.writes.size()), 3);

  // Reminder edits go through the same deferred save.
  model.addCustomReminder();
  time.advance(Seconds(0.5));
  EXPECT_EQ(store.writeCount("reminders"), 2);
  EXPECT_EQ(store.load<RemindersFile>("reminders")->reminders, model.reminders());
}

TEST_F(AppModelTest, SaveNowWritesAtOnceAndDropsThePendingSave) {
  AppModel model(store, time);
  model.scheduleSave();
  time.advance(Seconds(0.2));
  model.saveNow();
  EXPECT_EQ(int(store.writes.size()), 3);
  EXPECT_FALSE(model.savePending());
  time.advance(Seconds(5));
  EXPECT_EQ(int(store.writes.size()), 3);
  EXPECT_EQ(time.pendingCount(), 0u);
}

TEST_F(AppModelTest, APendingSaveDiesWithTheModel) {
  {
    AppModel model(store, time);
    model.scheduleSave();
  }
  time.advance(Seconds(5));
  EXPECT_EQ(int(store.writes.size()), 0);
}

TEST_F(AppModelTest, RecordingCountsOnTheDayAndSaves) {
  AppModel model(store, time);
  QSignalSpy spy(&model, &AppModel::progressChanged);
  model.record(ReminderAction::done, ReminderKind::water);
  model.record(ReminderAction::skipped, ReminderKind::stretch);
  const Date yesterday = addSeconds(time.now(), -86400);
  model.record(ReminderAction::snoozed, ReminderKind::eyeRest, yesterday);
  EXPECT_EQ(spy.count(), 3);

  const auto today = model.progress().summary(time.now()).record;
  EXPECT_EQ(today.done.at("water"), 1);
  EXPECT_EQ(today.skipped.at("stretch"), 1);
  EXPECT_TRUE(today.snoozed.empty());
  EXPECT_EQ(model.progress().summary(yesterday).record.snoozed.at("eyeRest"), 1);

  time.advance(Seconds(0.5));
  ASSERT_TRUE(store.load<ProgressData>("progress"));
  EXPECT_EQ(*store.load<ProgressData>("progress"), model.progress().data);
  EXPECT_EQ(store.writeCount("progress"), 1);
}

// ---- the reminder list ----

TEST_F(AppModelTest, EditingTheReminderList) {
  AppModel model(store, time);
  QSignalSpy spy(&model, &AppModel::remindersChanged);

  const Reminder added = model.addCustomReminder();
  EXPECT_EQ(added.kind, ReminderKind::custom);
  EXPECT_EQ(added.title, "New reminder");
  ASSERT_EQ(model.reminders().size(), 7u);
  EXPECT_EQ(model.reminders().back(), added);
  const Reminder second = model.addCustomReminder();
  EXPECT_NE(second.id, added.id);

  // A built-in reminder is never deleted, whatever its identifier.
  const auto before = model.reminders();
  model.deleteReminder(before.front().id);
  model.deleteReminder(Uuid::generate());
  EXPECT_EQ(model.reminders(), before);
  EXPECT_EQ(spy.count(), 2);

  // Restoring: fresh built-ins (edits lost), then the personal ones in order.
  auto edited = model.reminders();
  edited[0].title = "Hydrate!";
  model.setReminders(edited);
  model.restoreDefaultReminders();
  const auto& restored = model.reminders();
  ASSERT_EQ(restored.size(), 8u);
  const auto restoredKinds = kinds(restored);
  EXPECT_EQ(std::vector<ReminderKind>(restoredKinds.begin(), restoredKinds.begin() + 6),
            builtInKinds);
  EXPECT_EQ(restored[0].title, Reminder::defaults()[0].title);
  EXPECT_NE(restored[0].id, before[0].id);
  EXPECT_EQ(restored[6], added);
  EXPECT_EQ(restored[7], second);

  model.deleteReminder(added.id);
  ASSERT_EQ(model.reminders().size(), 7u);
  EXPECT_EQ(model.reminders().back(), second);
}

// A hand-edited file with one identifier twice: the model and the engine
// must settle on the same identifiers, or the duplicate's countdown would
// restart at every change and every launch.
TEST_F(AppModelTest, DuplicateIdentifiersGetFreshOnesThatTheEngineKeeps) {
  auto list = Reminder::defaults();
  list[2].id = list[0].id;
  list[4].id = list[0].id;
  store.save(RemindersFile{list}, "reminders");

  AppModel model(store, time);
  std::set<Uuid> ids;
  for (const auto& r : model.reminders()) ids.insert(r.id);
  EXPECT_EQ(ids.size(), 6u);
  EXPECT_EQ(model.reminders()[0].id, list[0].id);  // the first keeps it
  EXPECT_EQ(kinds(model.reminders()), builtInKinds);

  ReminderEngine engine;
  engine.environment.now = [this] { return time.now(); };
  engine.start(model.reminders(), std::nullopt);
  EXPECT_EQ(engine.reminders(), model.reminders());
  const auto& runtime = engine.scheduler().runtime;
  ASSERT_TRUE(runtime.contains(model.reminders()[2].id));
  const Date dueBefore = runtime.at(model.reminders()[2].id).nextDue;

  // An edit elsewhere keeps the duplicate's countdown.
  time.advance(Seconds(600));
  auto edited = model.reminders();
  edited[1].title = "Stretch a bit";
  model.setReminders(edited);
  engine.setReminders(model.reminders());
  EXPECT_EQ(engine.reminders(), model.reminders());
  EXPECT_EQ(runtime.at(model.reminders()[2].id).nextDue, dueBefore);

  // The saved list holds the fresh identifiers, so the next launch agrees.
  model.saveNow();
  EXPECT_EQ(store.load<RemindersFile>("reminders")->reminders, model.reminders());

  // A list set with a duplicate is made unique too.
  auto twice = model.reminders();
  twice.push_back(twice[3]);
  twice.back().kind = ReminderKind::custom;
  model.setReminders(twice);
  EXPECT_NE(model.reminders().back().id, model.reminders()[3].id);
}

// ---- watched applications ----

TEST_F(AppModelTest, WatchingAnApplicationUsesItsSuggestedCategory) {
  AppModel model(store, time);
  QSignalSpy spy(&model, &AppModel::settingsChanged);

  model.watch({"com.tinyspeck.slackmacgap", "Slack"});
  model.watch({"org.example.Notes", "Notes"});
  const auto& apps = model.settings().awareness.apps;
  ASSERT_EQ(apps.size(), 2u);
  WatchedApp slack{"com.tinyspeck.slackmacgap", "Slack", {}, true, false, {}, {}, {}};
  slack.resetToCategory(AppCategory::social);
  EXPECT_EQ(apps[0], slack);
  EXPECT_EQ(apps[1].category, AppCategory::other);

  // Already watched, even switched off: nothing changes.
  auto s = model.settings();
  s.awareness.apps[0].isEnabled = false;
  model.setSettings(s);
  spy.clear();
  model.watch({"com.tinyspeck.slackmacgap", "Slack again"});
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(model.settings(), s);

  time.advance(Seconds(0.5));
  EXPECT_EQ(store.load<AppSettings>("settings")->awareness.apps, model.settings().awareness.apps);
}

TEST_F(AppModelTest, ChoosingACategoryResetsTheLimitsAndTheIntentionQuestion) {
  AppModel model(store, time);
  model.watch({"org.example.Game", "Game"});
  auto s = model.settings();
  s.awareness.apps[0].askIntention = true;
  s.awareness.apps[0].isEnabled = false;
  s.awareness.apps[0].workMinutes = 5;
  model.setSettings(s);

  for (AppCategory category : {AppCategory::game, AppCategory::work, AppCategory::video}) {
    model.setCategory(category, "org.example.Game");
    // The switch is kept.
    WatchedApp expected{"org.example.Game", "Game", category, false, false, {}, {}, {}};
    expected.resetToCategory(category);
    EXPECT_EQ(model.settings().awareness.apps[0], expected) << enumName(category);
  }

  QSignalSpy spy(&model, &AppModel::settingsChanged);
  model.setCategory(AppCategory::social, "org.example.Missing");
  EXPECT_EQ(spy.count(), 0);
}

TEST_F(AppModelTest, UnwatchRemovesEveryEntryOfThatApplication) {
  AppSettings s;
  WatchedApp a;
  a.bundleID = "org.example.A";
  WatchedApp b;
  b.bundleID = "org.example.B";
  s.awareness.apps = {a, b, a};  // a hand-edited file may hold it twice
  store.save(s, "settings");
  AppModel model(store, time);
  QSignalSpy spy(&model, &AppModel::settingsChanged);

  model.unwatch("org.example.a");  // exact match only
  EXPECT_EQ(spy.count(), 0);
  model.unwatch("org.example.A");
  ASSERT_EQ(model.settings().awareness.apps.size(), 1u);
  EXPECT_EQ(model.settings().awareness.apps[0], b);
  EXPECT_EQ(spy.count(), 1);

  time.advance(Seconds(0.5));
  EXPECT_EQ(store.load<AppSettings>("settings")->awareness.apps, std::vector<WatchedApp>{b});
}

}  // namespace
}  // namespace pimble
