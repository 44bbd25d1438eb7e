#pragma once

#include <QString>
#include <QWidget>

#include "models/awareness_settings.h"

class QLabel;

namespace pimble {

class AppModel;
struct AppSettings;
class SegmentedControl;

// The tour's third page: the tone of check-ins, with a sample check-in in
// that tone that follows the choice at once.
class PersonalityPage : public QWidget {
  Q_OBJECT

 public:
  explicit PersonalityPage(AppModel& model, QWidget* parent = nullptr);

  // What Pimble would say about 27 minutes of Discord against a 20-minute
  // limit, in that tone.
  static QString sample(CheckInTone tone);

 private:
  void showSettings(const AppSettings& settings);

  AppModel& model_;
  SegmentedControl* tone_;
  QLabel* sample_;
};

}  // namespace pimble
