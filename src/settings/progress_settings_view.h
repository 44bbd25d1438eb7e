#pragma once

#include <QWidget>
#include <array>

#include "models/reminder_kind.h"

class QLabel;
class QMessageBox;
class QPushButton;
class QStackedWidget;

namespace pimble {

class AppModel;
class WeekChart;

// The Progress tab: today's completed reminders kind by kind, the last seven
// days as a bar chart, and erasing the whole history after a confirmation.
class ProgressSettingsView : public QWidget {
  Q_OBJECT

 public:
  // The tiles, in their order: kind, title, symbol.
  struct Tile {
    ReminderKind kind;
    const char* title;
    const char* symbol;
  };
  static constexpr std::array<Tile, 6> tiles = {{
      {ReminderKind::water, "Water", "drop.fill"},
      {ReminderKind::stretch, "Stretch", "figure.flexibility"},
      {ReminderKind::eyeRest, "Eye breaks", "eye"},
      {ReminderKind::posture, "Posture", "figure.stand"},
      {ReminderKind::walk, "Walks", "figure.walk"},
      {ReminderKind::takeBreak, "Breaks", "cup.and.saucer.fill"},
  }};

  explicit ProgressSettingsView(AppModel& model, QWidget* parent = nullptr);

  WeekChart* chart() const { return chart_; }
  // The open confirmation, if any.
  QMessageBox* confirmation() const { return confirmation_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void showProgress();
  void askToClear();
  void paintSymbols();

  AppModel& model_;
  std::array<QLabel*, 6> counts_{};
  std::array<QLabel*, 6> symbols_{};
  QWidget* personalRow_;
  QLabel* personalCount_;
  QStackedWidget* week_;
  QLabel* placeholder_;
  WeekChart* chart_;
  QMessageBox* confirmation_ = nullptr;
};

}  // namespace pimble
