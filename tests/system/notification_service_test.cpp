// Notifications against the standard mock notification server (dbusmock),
// which records every call and emits answers on demand.
#include <gtest/gtest.h>

#include <signal.h>

#include <QDBusConnectionInterface>
#include <QDBusReply>

#include "support/desktop_peers.h"
#include "support/notification_mock.h"
#include "system/notification_service.h"

namespace pimble {
namespace {

using namespace pimble::testing;
using namespace pimble::testing::notification_mock;
using Action = NotificationService::Action;
using Availability = NotificationService::Availability;
using Answer = std::pair<Uuid, CheckInResponse>;

// The mock notification server, with or without the "actions" capability;
// `slow` owns the name half a second before it serves requests.
std::unique_ptr<ScopedProcess> startMock(bool actions = true, bool slow = false) {
  return notification_mock::start(actions, slow ? PIMBLE_SOURCE_DIR
                                               "/tests/system/slow_notification_daemon.py"
                                                : "notification_daemon");
}

class NotificationMock : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingSessionBus()) GTEST_SKIP() << *why;
    if (auto why = missingProgram("/usr/bin/python3")) GTEST_SKIP() << *why;
    ASSERT_FALSE(serverRunning()) << "a notification server is already on the test bus";
    mock_ = startMock();
    if (!mock_->started() || !waitUntil(serverRunning))
      GTEST_SKIP() << "python3-dbusmock did not start";
    service_.onAction = [this](const Uuid& id, Action a) { actions_.emplace_back(id, a); };
    service_.onCheckInAction = [this](const Uuid& id, CheckInResponse r) {
      checkIns_.emplace_back(id, r);
    };
    service_.start();
    ASSERT_TRUE(waitUntil([this] { return service_.isAvailable(); }));
  }
  void TearDown() override {
    if (mock_) mock_->stop();
    waitUntil([] { return !serverRunning(); });
  }

  std::unique_ptr<ScopedProcess> mock_;
  NotificationService service_;
  std::vector<std::pair<Uuid, Action>> actions_;
  std::vector<Answer> checkIns_;
};

TEST_F(NotificationMock, ReminderActionsComeBackWithTheReminderId) {
  Reminder water{.title = "Sip some water",
                 .message = "A glass now keeps the fog away.",
                 .soundEnabled = true};
  const Uuid id = water.id;
  service_.post(water);
  ASSERT_TRUE(waitUntil([this] { return count("Notify") == 1; }));
  ASSERT_TRUE(waitUntil([&] { return service_.isShown(id); }));
  const QString recorded = calls();
  for (const char* part :
       {"'Pimble Glimmet'", "'Sip some water'", "'default'", "'pimble.done'", "'Done'",
        "'pimble.snooze'", "'Snooze'", "'pimble.skip'", "'Skip'", "'message-new-instant'"})
    EXPECT_TRUE(recorded.contains(part)) << part << " missing from " << recorded.toStdString();
  EXPECT_TRUE(recorded.contains(QString::fromStdString(id.string())));
  // A server that draws the body's action as a button too shows each once.
  EXPECT_EQ(recorded.count("'Done'"), 1) << recorded.toStdString();

  // The mock numbers notifications from 1.
  for (const char* key : {"pimble.snooze", "pimble.skip", "pimble.done", "default"})
    emitSignal("ActionInvoked", "us", {1u, QString(key)});
  // Another program's notification is none of ours.
  emitSignal("ActionInvoked", "us", {77u, QString("pimble.skip")});
  ASSERT_TRUE(waitUntil([this] { return actions_.size() == 4; }));
  waitUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_EQ(actions_,
            (std::vector<std::pair<Uuid, Action>>{
                {id, Action::snooze}, {id, Action::skip}, {id, Action::done}, {id, Action::done}}));
}

TEST_F(NotificationMock, RepostReplacesAndClearWithdraws) {
  const Uuid id = Uuid::generate();
  // Two posts in a row, the second before the server answered the first.
  service_.postReminder(id, "Stretch", "Reach for the ceiling.", false);
  service_.postReminder(id, "Stretch", "Reach for the ceiling, again.", false);
  ASSERT_TRUE(waitUntil([this] { return count("Notify") == 2; }));
  const QString recorded = calls();
  EXPECT_TRUE(recorded.contains("'suppress-sound'"));
  EXPECT_FALSE(recorded.contains("'sound-name'"));
  // The second Notify carries the first one's id as replaces_id.
  EXPECT_TRUE(recorded.contains("<'Pimble Glimmet'>, <uint32 1>")) << recorded.toStdString();

  service_.clear(id);
  ASSERT_TRUE(waitUntil([this] { return count("CloseNotification") == 1; }));
  EXPECT_TRUE(calls().contains("[<1>]"));
  // Clearing again, or an unknown id, sends nothing; answers to it are stale.
  service_.clear(id);
  service_.clear(Uuid::generate());
  emitSignal("ActionInvoked", "us", {1u, QString("pimble.done")});
  waitUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(count("CloseNotification"), 1);
  EXPECT_TRUE(actions_.empty());

  // Cleared before the server answered: withdrawn as soon as the id is known.
  const Uuid quick = Uuid::generate();
  service_.postReminder(quick, "Walk", "Around the block.", true);
  service_.clear(quick);
  ASSERT_TRUE(waitUntil([this] { return count("CloseNotification") == 2; }));
}

TEST_F(NotificationMock, CheckInButtonsAnswerAsTheirResponsesAndTheBodyClickAnswersNothing) {
  CheckIn card;
  card.title = "Still scrolling?";
  card.message = "That's 30 minutes here.";
  const Uuid id = card.id;
  service_.post(card);
  ASSERT_TRUE(waitUntil([this] { return count("Notify") == 1; }));
  ASSERT_TRUE(waitUntil([&] { return service_.isShown(id); }));
  EXPECT_TRUE(calls().contains("'Remind me in 20 min'"));
  EXPECT_FALSE(calls().contains("'default'"));
  for (const char* key : {"default", "pimble.checkin.later", "pimble.done", "pimble.checkin.finish",
                          "pimble.checkin.keep"})
    emitSignal("ActionInvoked", "us", {1u, QString(key)});
  ASSERT_TRUE(waitUntil([this] { return checkIns_.size() == 3; }));
  EXPECT_EQ(checkIns_, (std::vector<Answer>{{id, CheckInResponse::remindIn(20)},
                                            {id, CheckInResponse::Case::finish},
                                            {id, CheckInResponse::Case::keepGoing}}));
  EXPECT_TRUE(actions_.empty());

  // A dismissal answers nothing, and the next post is a fresh notification.
  emitSignal("NotificationClosed", "uu", {1u, 2u});
  waitUntil([] { return false; }, std::chrono::milliseconds(100));
  service_.postCheckIn(id, "Still scrolling?", "That's 40 minutes here.");
  ASSERT_TRUE(waitUntil([this] { return count("Notify") == 2; }));
  EXPECT_FALSE(calls().contains("<'Pimble Glimmet'>, <uint32 1>"));
  EXPECT_EQ(checkIns_.size(), 3u);
}

// The bus connection may hand over a server's answer before its reply to
// the post: the answer waits for the post's id, and a post withdrawn
// meanwhile, or another program's notification, still answers nothing.
TEST(NotificationService, AnAnswerThatComesBeforeThePostsIdIsNotLost) {
  if (auto why = missingSessionBus()) GTEST_SKIP() << *why;
  if (auto why = missingProgram("/usr/bin/python3")) GTEST_SKIP() << *why;
  ASSERT_FALSE(serverRunning());
  auto mock = notification_mock::start(
      true, PIMBLE_SOURCE_DIR "/tests/system/early_answer_notification_daemon.py");
  if (!mock->started() || !waitUntil(serverRunning))
    GTEST_SKIP() << "python3-dbusmock did not start";
  NotificationService service;
  std::vector<std::pair<Uuid, Action>> actions;
  std::vector<Answer> checkIns;
  service.onAction = [&](const Uuid& id, Action a) { actions.emplace_back(id, a); };
  service.onCheckInAction = [&](const Uuid& id, CheckInResponse r) {
    checkIns.emplace_back(id, r);
  };
  service.start();
  ASSERT_TRUE(waitUntil([&] { return service.isAvailable(); }));

  Reminder water{.title = "Sip some water", .message = "A glass now."};
  service.post(water);
  ASSERT_TRUE(waitUntil([&] { return !actions.empty(); }));
  CheckIn card;
  card.title = "Still scrolling?";
  service.post(card);
  ASSERT_TRUE(waitUntil([&] { return !checkIns.empty(); }));
  const Uuid withdrawn = Uuid::generate();
  service.postReminder(withdrawn, "Stretch", "Reach up.", false);
  service.clear(withdrawn);
  ASSERT_TRUE(waitUntil([] { return count("CloseNotification") == 1; }));
  waitUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_EQ(actions, (std::vector<std::pair<Uuid, Action>>{{water.id, Action::done}}));
  EXPECT_EQ(checkIns, (std::vector<Answer>{{card.id, CheckInResponse::Case::keepGoing}}));
  mock->stop();
  waitUntil([] { return !serverRunning(); });
}

TEST(NotificationService, UnavailableWithoutAServerOrWithoutActions) {
  if (auto why = missingSessionBus()) GTEST_SKIP() << *why;
  ASSERT_FALSE(serverRunning());
  NotificationService service;
  service.start();
  waitUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_FALSE(service.isAvailable());
  // Posting and clearing return at once and do nothing.
  service.postReminder(Uuid::generate(), "Water", "Sip.", true);
  service.clear(Uuid::generate());
  // A server without the "actions" capability cannot take answers.
  auto plain = startMock(false);
  ASSERT_TRUE(waitUntil(serverRunning));
  EXPECT_TRUE(waitUntil([&] { return service.availability() == Availability::unavailable; }));
  // Known to lack actions: posting drops at once rather than waiting.
  service.postReminder(Uuid::generate(), "Water", "Sip.", true);
  waitUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(count("Notify"), 0);
}

// The body is the user's text: escaped for a server that reads markup in it,
// as typed for one that does not; the title is plain text to both.
TEST(NotificationService, BodiesAreEscapedForAServerThatReadsMarkupOnly) {
  if (auto why = missingSessionBus()) GTEST_SKIP() << *why;
  if (auto why = missingProgram("/usr/bin/python3")) GTEST_SKIP() << *why;
  for (const bool markup : {true, false}) {
    ASSERT_FALSE(serverRunning());
    auto mock = notification_mock::start(true, "notification_daemon", markup);
    if (!mock->started() || !waitUntil(serverRunning))
      GTEST_SKIP() << "python3-dbusmock did not start";
    NotificationService service;
    service.start();
    Reminder tea{.title = "Break & tea", .message = "Tea & biscuits <b>now</b>, then a < b"};
    service.post(tea);  // before the server said what it reads
    ASSERT_TRUE(waitUntil([&] { return service.isShown(tea.id); }));
    const QString recorded = calls();
    EXPECT_TRUE(recorded.contains("'Break & tea'")) << recorded.toStdString();
    EXPECT_TRUE(recorded.contains(markup
                                      ? "'Tea &amp; biscuits &lt;b&gt;now&lt;/b&gt;, then a &lt; b'"
                                      : "'Tea & biscuits <b>now</b>, then a < b'"))
        << recorded.toStdString();
    mock->stop();
    ASSERT_TRUE(waitUntil([] { return !serverRunning(); }));
  }
}

// At launch a reminder may come due before the server has said what it can
// do; it must not be lost, nor may one posted while the server restarts.
TEST(NotificationService, PostsBeforeTheServerAnswersAreHeldUntilItDoes) {
  if (auto why = missingSessionBus()) GTEST_SKIP() << *why;
  if (auto why = missingProgram("/usr/bin/python3")) GTEST_SKIP() << *why;
  ASSERT_FALSE(serverRunning());
  auto mock = startMock();
  if (!mock->started() || !waitUntil(serverRunning))
    GTEST_SKIP() << "python3-dbusmock did not start";

  NotificationService service;
  Reminder water{.title = "Sip some water", .message = "A glass now."};
  const Uuid withdrawn = Uuid::generate();
  service.start();
  service.post(water);  // in the same turn as start()
  service.postCheckIn(withdrawn, "Withdrawn", "Cleared before the server answered.");
  service.postReminder(water.id, "Sip some water", "A glass now, please.", false);
  service.clear(withdrawn);
  EXPECT_EQ(service.availability(), Availability::unknown);
  ASSERT_TRUE(waitUntil([&] { return service.isShown(water.id); }));
  waitUntil([] { return false; }, std::chrono::milliseconds(100));
  const QString recorded = calls();
  EXPECT_EQ(count("Notify"), 1) << recorded.toStdString();
  EXPECT_TRUE(recorded.contains("'A glass now, please.'")) << recorded.toStdString();
  EXPECT_FALSE(recorded.contains("Withdrawn"));

  // Gone: known absent, so a post is dropped rather than held.
  mock->stop();
  ASSERT_TRUE(waitUntil([&] { return service.availability() == Availability::unavailable; }));
  service.postReminder(Uuid::generate(), "Dropped", "Nobody to show it.", false);

  // Back, but still starting up: posts wait for its answer.
  auto slow = startMock(true, true);
  ASSERT_TRUE(waitUntil([&] { return service.availability() == Availability::unknown; }));
  Reminder stretch{.title = "Stretch", .message = "Reach up."};
  service.post(stretch);
  ASSERT_TRUE(waitUntil([&] { return service.isShown(stretch.id); }));
  const QString after = calls();
  EXPECT_EQ(after.count("'Notify'"), 1) << after.toStdString();
  EXPECT_TRUE(after.contains("'Stretch'"));
  EXPECT_FALSE(after.contains("Dropped"));
  slow->stop();
  waitUntil([] { return !serverRunning(); });
}

// Many desktops' servers (MATE's among them) are started by the session bus
// on the first notification and leave when idle. Here the mock server, on a
// bus of the test's own that starts it on demand.
TEST(NotificationService, AServerTheBusStartsOnDemandIsStartedByEachPost) {
  if (auto why = missingProgram("dbus-daemon")) GTEST_SKIP() << *why;
  if (auto why = missingProgram("/usr/bin/python3")) GTEST_SKIP() << *why;
  OwnSessionBus own({{service,
                      "/usr/bin/python3 -m dbusmock --session -t notification_daemon -p "
                      "'{\"capabilities\": \"actions body\"}'"}});
  if (own.address.isEmpty()) GTEST_SKIP() << "dbus-daemon did not start";
  QDBusConnection bus = own.connection();
  auto running = [&] { return bus.interface()->isServiceRegistered(service).value(); };

  NotificationService notifications(bus);
  std::vector<bool> changes;
  QObject::connect(&notifications, &NotificationService::availabilityChanged,
                   [&](bool available) { changes.push_back(available); });
  std::vector<std::pair<Uuid, Action>> answers;
  notifications.onAction = [&](const Uuid& id, Action a) { answers.emplace_back(id, a); };
  notifications.start();
  // Counted as there, and not started for that.
  ASSERT_TRUE(waitUntil([&] { return notifications.isAvailable(); }));
  EXPECT_FALSE(running());
  // The first post starts it; once it has left, the next one starts it
  // again, and the answer comes from the server of the moment.
  for (const char* title : {"Sip some water", "Stretch"}) {
    SCOPED_TRACE(title);
    Reminder reminder{.title = title, .message = "Now, please."};
    notifications.post(reminder);
    ASSERT_TRUE(waitUntil([&] { return notifications.isShown(reminder.id); }));
    emitSignal("ActionInvoked", "us", {1u, QString("pimble.done")}, bus);
    ASSERT_TRUE(waitUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, (std::vector<std::pair<Uuid, Action>>{{reminder.id, Action::done}}));
    answers.clear();
    // Idle: it leaves.
    ::kill(pid_t(bus.interface()->servicePid(service).value()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return !running(); }));
  }
  waitUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_TRUE(notifications.isAvailable());
  EXPECT_EQ(changes, std::vector<bool>{true});
}

}  // namespace
}  // namespace pimble
