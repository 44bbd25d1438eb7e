#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "models/awareness_mode.h"

class QMenu;
class QToolButton;

namespace pimble {

// One mode's limit of a watched application: the mode's name over a small
// menu whose title is the limit ("45m", "1h30", "Off"). Its items are "No
// check-ins" and the offered limits; picking one reports it. It shows the
// value it is given and keeps none of its own.
class ThresholdMenu : public QWidget {
  Q_OBJECT

 public:
  ThresholdMenu(AwarenessMode mode, std::vector<std::int64_t> options, QWidget* parent = nullptr);

  // The menu's title for a limit: "Off" for none, else "45m", "2h", "1h30".
  static QString title(const std::optional<std::int64_t>& minutes);

  // Shows a limit; reports nothing.
  void setMinutes(const std::optional<std::int64_t>& minutes);

  AwarenessMode mode() const { return mode_; }
  QToolButton* button() const { return button_; }
  QMenu* menu() const { return menu_; }

  // The user picked "No check-ins" (none) or a limit.
  std::function<void(std::optional<std::int64_t>)> onPick;

 private:
  void pick(std::optional<std::int64_t> minutes);

  AwarenessMode mode_;
  QToolButton* button_;
  QMenu* menu_;
};

}  // namespace pimble
