#pragma once

#include <QWidget>
#include <array>
#include <set>
#include <vector>

#include "models/reminder.h"

class QCheckBox;

namespace pimble {

class AppModel;
class OnboardingState;

// The tour's second page: which groups of built-in reminders to keep on,
// and whether Pimble should notice time spent in applications (which adds
// the awareness page to the tour, and changes no setting yet).
class GoalsPage : public QWidget {
  Q_OBJECT

 public:
  GoalsPage(AppModel& model, OnboardingState& state, QWidget* parent = nullptr);

  // A group reads on when any reminder of its kinds is enabled.
  static bool anyEnabled(const std::vector<Reminder>& reminders,
                         const std::set<ReminderKind>& kinds);
  // Every reminder of those kinds switched alike; nothing else changes.
  static std::vector<Reminder> switched(std::vector<Reminder> reminders,
                                        const std::set<ReminderKind>& kinds, bool on);

 private:
  struct Goal {
    std::set<ReminderKind> kinds;
    QCheckBox* box;
  };
  void showReminders(const std::vector<Reminder>& reminders);

  AppModel& model_;
  OnboardingState& state_;
  std::vector<Goal> goals_;
  QCheckBox* awareness_;
};

}  // namespace pimble
