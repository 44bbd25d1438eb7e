#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "models/reminder.h"
#include "models/uuid.h"

class QListWidget;
class QPushButton;
class QStackedWidget;

namespace pimble {

class AppModel;
class ReminderEditor;

// The Reminders tab: the built-in wellness reminders and the user's own in
// one list, each with its switch; the selected one's editor beside it;
// adding and removing personal reminders and putting the built-in set back.
// The only state of its own is which reminder is selected.
class RemindersSettingsView : public QWidget {
  Q_OBJECT

 public:
  explicit RemindersSettingsView(AppModel& model, QWidget* parent = nullptr);

  // The interval as the rows and the editor word it: "hour", "2 hours",
  // "45 min".
  static QString describe(std::int64_t minutes);

  // The reminder chosen for the editor; it may name none that exists.
  const std::optional<Uuid>& selection() const { return selection_; }
  void select(const std::optional<Uuid>& id);

  QListWidget* list() const { return list_; }
  ReminderEditor* editor() const { return editor_; }
  // The editor, or the placeholder when no reminder is selected.
  QWidget* detail() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void showReminders();
  void rebuildList();
  void showSelectionInList();
  void showDetail();
  std::optional<Reminder> selectedReminder() const;
  void editReminder(const Uuid& id, const std::function<void(Reminder&)>& edit);

  AppModel& model_;
  std::optional<Uuid> selection_;
  QListWidget* list_;
  // The reminders the list's rows show, in list order, and whether each is
  // a personal one; the list is rebuilt when this changes.
  std::optional<std::vector<std::pair<Uuid, bool>>> listed_;
  QPushButton* add_;
  QPushButton* remove_;
  QPushButton* defaults_;
  QStackedWidget* detail_;
  ReminderEditor* editor_;
  QWidget* placeholder_;
};

}  // namespace pimble
