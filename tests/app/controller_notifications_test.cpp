// Reminders of a hidden character through the real notification service
// and the standard mock notification server (dbusmock), which records every
// call and sends answers on demand: the posted notification carries Done,
// Snooze and Skip, and each answer resolves the reminder its way.
#include "app/controller_harness.h"
#include "support/notification_mock.h"

namespace pimble::testing {
namespace {

using namespace notification_mock;

class ReminderNotifications : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    if (IsSkipped()) return;
    if (auto why = missingSessionBus()) GTEST_SKIP() << *why;
    if (auto why = missingProgram("/usr/bin/python3")) GTEST_SKIP() << *why;
    if (auto why = missingProgram("gdbus")) GTEST_SKIP() << *why;
    ASSERT_FALSE(serverRunning()) << "a notification server is already on the test bus";
    mock_ = notification_mock::start();
    if (!mock_->started() || !waitUntil(serverRunning))
      GTEST_SKIP() << "python3-dbusmock did not start";
  }
  void TearDown() override {
    ControllerTest::TearDown();
    if (mock_) mock_->stop();
    waitUntil([] { return !serverRunning(); });
  }

  // The controller with the real notifications and every other service fake.
  AppController& startWithRealNotifications() {
    DesktopServices services = desktop.services();
    auto notifier = DesktopServices::liveNotifier();
    notifications_ = &notifier->service;
    services.notifier = std::move(notifier);
    desktop.notifier = nullptr;
    controller = std::make_unique<AppController>(store, time, std::move(services));
    controller->start();
    return *controller;
  }

  void answer(uint serverId, const QString& action) {
    emitSignal("ActionInvoked", "us", {serverId, action});
  }

  std::int64_t counted(const std::map<std::string, std::int64_t>& table, ReminderKind kind) {
    auto it = table.find(std::string(enumName(kind)));
    return it == table.end() ? 0 : it->second;
  }
  DayRecord today() { return controller->model().progress().summary(time.now()).record; }

  // Whether the program knows the server's id of the reminder's
  // notification, which an answer names: once it does, an answer reaches
  // the reminder however late or early the bus hands it over.
  bool shown(const Reminder& reminder) const { return notifications_->isShown(reminder.id); }

  std::unique_ptr<ScopedProcess> mock_;
  NotificationService* notifications_ = nullptr;
};

TEST_F(ReminderNotifications, EachActionAndTheBodyClickAnswerTheReminderTheirWay) {
  AppSettings s;
  s.showCompanion = false;
  // Due at once: delivered in the first turn after start, before the
  // notification server has said what it can do.
  std::vector<Reminder> list = seedDue({{ReminderKind::water, 0},
                                        {ReminderKind::stretch, 3000},
                                        {ReminderKind::eyeRest, 3000},
                                        {ReminderKind::walk, 3000}},
                                       s);
  AppController& c = startWithRealNotifications();
  ASSERT_TRUE(c.engine().active());
  EXPECT_EQ(c.engine().active()->kind, ReminderKind::water);

  ASSERT_TRUE(waitUntil([&] { return shown(*c.engine().active()); }));
  const QString recorded = calls();
  EXPECT_EQ(count("Notify"), 1) << recorded.toStdString();
  for (const char* part : {"'Drink water'", "'Hey! Time for some water.'", "'pimble.done'",
                           "'Done'", "'pimble.snooze'", "'Snooze'", "'pimble.skip'", "'Skip'"})
    EXPECT_TRUE(recorded.contains(part)) << part << " missing from " << recorded.toStdString();

  // The mock numbers notifications from 1; the first answer is a Skip.
  answer(1, "pimble.skip");
  ASSERT_TRUE(waitUntil([&] { return !c.engine().active(); }));
  EXPECT_EQ(counted(today().skipped, ReminderKind::water), 1);
  ASSERT_TRUE(waitUntil([] { return count("CloseNotification") == 1; }));

  struct Case {
    ReminderKind kind;
    const char* action;
    ReminderAction counted;
  };
  const Case cases[] = {{ReminderKind::stretch, "pimble.snooze", ReminderAction::snoozed},
                        {ReminderKind::eyeRest, "pimble.done", ReminderAction::done},
                        {ReminderKind::walk, "default", ReminderAction::done}};
  uint serverId = 1;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.action);
    ++serverId;
    const Reminder& r = *std::find_if(c.model().reminders().begin(), c.model().reminders().end(),
                                      [&](const Reminder& x) { return x.kind == k.kind; });
    c.remindNow(r);
    ASSERT_TRUE(waitUntil([&] { return shown(r); }));
    EXPECT_EQ(count("Notify"), int(serverId));
    // An answer on another program's notification is none of ours.
    answer(77, k.action);
    answer(serverId, k.action);
    ASSERT_TRUE(waitUntil([&] { return !c.engine().active(); }));
    const DayRecord record = today();
    const auto& table = k.counted == ReminderAction::done ? record.done : record.snoozed;
    EXPECT_EQ(counted(table, k.kind), 1);
  }
  EXPECT_EQ(counted(today().done, ReminderKind::eyeRest), 1);
  EXPECT_EQ(counted(today().done, ReminderKind::walk), 1);
}

}  // namespace
}  // namespace pimble::testing
