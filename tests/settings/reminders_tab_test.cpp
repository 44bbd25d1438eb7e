// The Reminders tab on the real model: the two sections, the row switches
// and the editor writing the one reminder they show, adding, removing and
// putting the built-in set back with the selection that follows, the
// interval stepper, and the edits reaching the running program's reminder
// engine.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "app/controller_harness.h"
#include "settings/elided_label.h"
#include "settings/reminder_editor.h"
#include "settings/reminders_settings_view.h"
#include "settings/settings_fixture.h"
#include "settings/settings_window_controller.h"

namespace pimble {
namespace {

using testing::click;

// The tab's list: section headers, hints and reminder rows.
struct ReminderList {
  QListWidget* list;

  QListWidgetItem* item(const Uuid& id) const {
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->data(Qt::UserRole).toString().toStdString() == id.string())
        return list->item(i);
    return nullptr;
  }
  QWidget* row(const Uuid& id) const {
    QListWidgetItem* it = item(id);
    return it != nullptr ? list->itemWidget(it) : nullptr;
  }
  QCheckBox* rowSwitch(const Uuid& id) const {
    QWidget* r = row(id);
    return r != nullptr ? r->findChild<QCheckBox*>("reminderSwitch") : nullptr;
  }
  QString every(const Uuid& id) const {
    return row(id)->findChild<QLabel*>("reminderRowEvery")->text();
  }
  // Headers, hints and the rows' full titles, top to bottom.
  QStringList texts() const {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
      if (QWidget* r = list->itemWidget(list->item(i)))
        out << r->findChild<ElidedLabel*>("reminderRowTitle")->fullText();
      else
        out << list->item(i)->text();
    }
    return out;
  }
};

// A list of reminders with one edit made to the reminder `id`.
std::vector<Reminder> withEdit(std::vector<Reminder> list, const Uuid& id,
                               const std::function<void(Reminder&)>& edit) {
  for (Reminder& r : list)
    if (r.id == id) edit(r);
  return list;
}

class RemindersTabTest : public testing::ViewFixture<RemindersSettingsView> {
 protected:
  ReminderList list() { return {view().list()}; }
  const Reminder& reminder(ReminderKind kind) {
    for (const Reminder& r : model().reminders())
      if (r.kind == kind) return r;
    throw std::runtime_error("no reminder of that kind");
  }
  void select(const Uuid& id) { view().list()->setCurrentItem(list().item(id)); }
  template <class T>
  T* editorField(const char* name) {
    T* w = view().editor()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QPushButton* button(const char* name) { return find<QPushButton>(name); }
};

TEST_F(RemindersTabTest, TwoSectionsTheFirstReminderSelectedAndThePlaceholderWhenEmpty) {
  const std::vector<Reminder> reminders = model().reminders();
  EXPECT_EQ(list().texts(),
            (QStringList{"Wellness", "Drink water", "Stretch", "Rest your eyes", "Fix your posture",
                         "Walk around", "Take a break", "Personal", "Add your own below"}));
  EXPECT_EQ(view().selection(), reminders.front().id);
  EXPECT_EQ(view().detail(), view().editor());
  EXPECT_EQ(editorField<QLineEdit>("reminderTitle")->text(), "Drink water");
  EXPECT_EQ(list().every(reminders[0].id), "Every 45 min");
  EXPECT_EQ(list().every(reminders[1].id), "Every hour");
  EXPECT_EQ(list().every(reminders[5].id), "Every 2 hours");

  model().setReminders({});
  EXPECT_EQ(list().texts(), (QStringList{"Wellness", "Personal", "Add your own below"}));
  EXPECT_NE(view().detail(), view().editor());
  EXPECT_FALSE(button("removeReminder")->isEnabled());
}

TEST_F(RemindersTabTest, TheRowSwitchAndTheEditorWriteTheirReminderOnly) {
  view();
  const Uuid water = reminder(ReminderKind::water).id;
  const Uuid stretch = reminder(ReminderKind::stretch).id;
  std::vector<Reminder> expected = model().reminders();

  click(list().rowSwitch(stretch));
  expected = withEdit(expected, stretch, [](Reminder& r) { r.isEnabled = false; });
  EXPECT_EQ(model().reminders(), expected);

  // The editor shows the first reminder, water; each control writes it.
  QSignalSpy writes(&model(), &AppModel::remindersChanged);
  auto* title = editorField<QLineEdit>("reminderTitle");
  title->setFocus();
  title->end(false);
  QTest::keyClicks(title, "!");
  auto* message = editorField<QPlainTextEdit>("reminderMessage");
  message->selectAll();
  QTest::keyClicks(message, "Sip");
  editorField<IntervalStepper>("reminderInterval")->stepBy(1);
  editorField<QSpinBox>("reminderSnooze")->stepBy(1);
  click(editorField<QCheckBox>("reminderRespectsQuietHours"));
  click(editorField<QCheckBox>("reminderSound"));
  click(editorField<QCheckBox>("reminderEnabled"));
  expected = withEdit(expected, water, [](Reminder& r) {
    r.title = "Drink water!";
    r.message = "Sip";
    r.intervalMinutes = 50;
    r.snoozeMinutes = 15;
    r.respectsQuietHours = false;
    r.soundEnabled = true;
    r.isEnabled = false;
  });
  EXPECT_EQ(model().reminders(), expected);
  EXPECT_GE(writes.count(), 7) << "each keystroke and each control writes at once";
  // The row follows the editor, and the editor kept what was typed.
  EXPECT_EQ(list().every(water), "Every 50 min");
  EXPECT_FALSE(list().rowSwitch(water)->isChecked());
  EXPECT_EQ(title->cursorPosition(), title->text().size());

  // "Show it now" hands over the reminder as edited, switched off or not.
  click(editorField<QPushButton>("reminderShowNow"));
  EXPECT_EQ(remindedNow, std::vector{model().reminders()[0]});

  // Changes from elsewhere show and are not written back.
  writes.clear();
  model().setReminders(withEdit(model().reminders(), water, [](Reminder& r) {
    r.title = "Hydrate";
    r.intervalMinutes = 120;
    r.isEnabled = true;
  }));
  EXPECT_EQ(title->text(), "Hydrate");
  EXPECT_EQ(editorField<IntervalStepper>("reminderInterval")->text(), "2 hours");
  EXPECT_TRUE(editorField<QCheckBox>("reminderEnabled")->isChecked());
  EXPECT_TRUE(list().rowSwitch(water)->isChecked());
  EXPECT_EQ(list().every(water), "Every 2 hours");
  EXPECT_EQ(writes.count(), 1);
}

TEST_F(RemindersTabTest, AddingSelectsTheNewReminderAndOnlyAPersonalOneCanBeRemoved) {
  view();
  EXPECT_FALSE(button("removeReminder")->isEnabled()) << "a built-in reminder stays";
  const std::vector<Reminder> builtIn = model().reminders();
  click(button("addReminder"));
  click(button("addReminder"));
  const std::vector<Reminder>& reminders = model().reminders();
  ASSERT_EQ(reminders.size(), 8u);
  for (size_t i : {6u, 7u}) {
    EXPECT_EQ(reminders[i].kind, ReminderKind::custom);
    EXPECT_EQ(reminders[i].title, "New reminder");
  }
  EXPECT_EQ(view().selection(), reminders.back().id);
  EXPECT_EQ(view().list()->currentItem(), list().item(reminders.back().id));
  EXPECT_EQ(editorField<QLineEdit>("reminderTitle")->text(), "New reminder");
  EXPECT_EQ(list().texts().mid(7), (QStringList{"Personal", "New reminder", "New reminder"}));

  select(reminder(ReminderKind::stretch).id);
  EXPECT_FALSE(button("removeReminder")->isEnabled());
  select(reminders[6].id);
  click(button("removeReminder"));
  select(model().reminders().back().id);
  click(button("removeReminder"));
  EXPECT_EQ(model().reminders(), builtIn);
  EXPECT_FALSE(view().selection().has_value());
  EXPECT_NE(view().detail(), view().editor()) << "the placeholder takes the editor's place";
  EXPECT_FALSE(button("removeReminder")->isEnabled());
}

TEST_F(RemindersTabTest, DefaultsKeepPersonalRemindersInOrderAndDropABuiltInSelection) {
  view();
  model().addCustomReminder();
  const Reminder second = model().addCustomReminder();
  std::vector<Reminder> edited = model().reminders();
  edited[6].title = "Plants";
  edited[7].title = "Call mum";
  edited[0].title = "Tea";
  model().setReminders(edited);
  const Uuid water = edited[0].id;
  EXPECT_EQ(view().selection(), water);

  click(button("restoreDefaultReminders"));
  const std::vector<Reminder>& after = model().reminders();
  ASSERT_EQ(after.size(), 8u);
  EXPECT_EQ(after[0].title, "Drink water") << "edits to built-in reminders are undone";
  EXPECT_NE(after[0].id, water);
  EXPECT_EQ(after[6], edited[6]);
  EXPECT_EQ(after[7], edited[7]);
  EXPECT_NE(view().detail(), view().editor()) << "the selection names no reminder now";
  EXPECT_EQ(view().list()->currentItem(), nullptr);

  select(second.id);
  click(button("restoreDefaultReminders"));
  EXPECT_EQ(view().selection(), second.id);
  EXPECT_EQ(editorField<QLineEdit>("reminderTitle")->text(), "Call mum");
}

TEST_F(RemindersTabTest, IntervalAndSnoozeStepWithinTheirRanges) {
  view();
  const Uuid water = reminder(ReminderKind::water).id;
  auto* interval = editorField<IntervalStepper>("reminderInterval");
  auto* snooze = editorField<QSpinBox>("reminderSnooze");
  // From a length, steps, to the length stored.
  const std::tuple<std::int64_t, std::vector<int>, std::int64_t> intervals[] = {
      {1, {-1}, 1},   {1, {1}, 6},   {478, {1}, 480},  {480, {1}, 480},
      {60, {-1}, 45}, {60, {1}, 75}, {59, {1, 1}, 79}, {55, {1}, 60}};
  for (const auto& [from, steps, to] : intervals) {
    model().setReminders(
        withEdit(model().reminders(), water, [f = from](Reminder& r) { r.intervalMinutes = f; }));
    for (int step : steps) interval->stepBy(step);
    EXPECT_EQ(reminder(ReminderKind::water).intervalMinutes, to) << from;
  }
  EXPECT_EQ(interval->text(), "hour");
  EXPECT_EQ(RemindersSettingsView::describe(90), "90 min");
  EXPECT_EQ(RemindersSettingsView::describe(180), "3 hours");

  // Typing a length in words.
  interval->setFocus();
  interval->selectAll();
  QTest::keyClicks(interval, "2 hours");
  QTest::keyClick(interval, Qt::Key_Return);
  EXPECT_EQ(reminder(ReminderKind::water).intervalMinutes, 120);

  for (const auto& [from, step, to] : {std::tuple{118, 1, 120}, {3, -1, 1}}) {
    model().setReminders(
        withEdit(model().reminders(), water, [f = from](Reminder& r) { r.snoozeMinutes = f; }));
    snooze->stepBy(step);
    EXPECT_EQ(reminder(ReminderKind::water).snoozeMinutes, to) << from;
  }

  // A stored length beyond the stepper's range shows at its end and stays.
  QSignalSpy writes(&model(), &AppModel::remindersChanged);
  model().setReminders(
      withEdit(model().reminders(), water, [](Reminder& r) { r.intervalMinutes = 600; }));
  EXPECT_EQ(interval->text(), "8 hours");
  EXPECT_EQ(reminder(ReminderKind::water).intervalMinutes, 600);
  EXPECT_EQ(writes.count(), 1);
}

// The tab inside the running program: its edits reach the reminder engine
// through the controller's observation of the model.
using RemindersTabInTheProgramTest = testing::ControllerTest;

TEST_F(RemindersTabInTheProgramTest, EditsReachTheReminderEngine) {
  seedQuietUser();
  AppController& c = started();
  c.openSettings(SettingsTab::reminders);
  auto* view =
      static_cast<RemindersSettingsView*>(c.settingsWindow()->page(SettingsTab::reminders));
  ASSERT_NE(view, nullptr);
  ReminderList list{view->list()};
  const std::vector<Reminder> before = c.engine().reminders();
  ASSERT_EQ(before.size(), 6u);

  click(list.rowSwitch(before[1].id));
  EXPECT_EQ(c.engine().reminders(),
            withEdit(before, before[1].id, [](Reminder& r) { r.isEnabled = true; }));

  auto* interval = view->editor()->findChild<IntervalStepper*>("reminderInterval");
  interval->stepBy(-1);
  EXPECT_EQ(c.engine().reminders()[0].intervalMinutes, 40);
  EXPECT_EQ(c.engine().reminders()[1].isEnabled, true);

  QTest::mouseClick(view->findChild<QPushButton*>("addReminder"), Qt::LeftButton);
  ASSERT_EQ(c.engine().reminders().size(), 7u);
  EXPECT_EQ(c.engine().reminders().back().title, "New reminder");
}

}  // namespace
}  // namespace pimble
