#pragma once

#include <QWidget>
#include <vector>

#include "models/return_target.h"

class QCheckBox;
class QLabel;

namespace pimble {

class AppModel;
struct AppSettings;
class FlowButtons;

// The tour's awareness page, shown only when the user asked for it: what
// awareness counts and what it never looks at, the switch that turns it on,
// and the open applications as buttons to start watching them.
class AwarenessPage : public QWidget {
  Q_OBJECT

 public:
  // At most this many open applications are offered.
  static constexpr size_t offered = 8;

  // `rowWidth`: the width the page lays its button rows out in.
  AwarenessPage(AppModel& model, int rowWidth, QWidget* parent = nullptr);

  // The running applications not yet watched (enabled or not), in the
  // catalogue's order, at most eight.
  static std::vector<ReturnTarget> candidates(const AppSettings& settings);

  FlowButtons* buttons() const { return buttons_; }

 private:
  void showSettings(const AppSettings& settings);

  AppModel& model_;
  QCheckBox* enabled_;
  QLabel* watching_;
  QLabel* addLabel_;
  FlowButtons* buttons_;
};

}  // namespace pimble
