#pragma once

#include <QGroupBox>
#include <QString>
#include <cstdint>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;

namespace pimble {

class AppModel;
struct AppSettings;
class SegmentedControl;

// The Awareness tab's "Check-ins" section: how check-ins talk (with a
// sample sentence in the chosen tone and the mode in force), how they show,
// when Pimble asks again after "Keep going", and whether they may appear
// over a full-screen application.
class CheckInStyleSection : public QGroupBox {
  Q_OBJECT

 public:
  explicit CheckInStyleSection(AppModel& model, QWidget* parent = nullptr);

  // The sample sentence for the current tone, mode and time, in quotes.
  QString sampleText() const;

  // The cooldown choices in menu order; none: not again this session.
  static const std::optional<std::int64_t> cooldowns[4];

 private:
  void showSettings(const AppSettings& settings);
  void showSample();

  AppModel& model_;
  SegmentedControl* tone_;
  QLabel* sample_;
  QComboBox* style_;
  QLabel* glimmetNote_;
  QComboBox* cooldown_;
  QCheckBox* overFullscreen_;
};

}  // namespace pimble
