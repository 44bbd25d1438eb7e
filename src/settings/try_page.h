#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "models/reminder_kind.h"

class QLabel;

namespace pimble {

class AppModel;
struct AppSettings;

// The tour's try page: a real water or stretch reminder on demand, and when
// Pimble stays quiet, naming the quiet hours as they are stored.
class TryPage : public QWidget {
  Q_OBJECT

 public:
  TryPage(AppModel& model, std::function<void(ReminderKind)> tryReminder,
          QWidget* parent = nullptr);

  // A stored time of day as the locale writes a time ("22:00", "10:00 PM").
  static QString clock(std::int64_t minutes);
  // The sentence under the buttons, with the quiet hours from start to end.
  static QString quietSentence(std::int64_t start, std::int64_t end);

 private:
  void showSettings(const AppSettings& settings);

  AppModel& model_;
  std::function<void(ReminderKind)> tryReminder_;
  QLabel* quiet_;
};

}  // namespace pimble
