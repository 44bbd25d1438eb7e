#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <set>

class QAbstractButton;
class QHBoxLayout;
class QToolButton;

namespace pimble {

// The work days of the mode schedule: "Work days" and one toggle button per
// weekday, in the order of the user's calendar week (the locale's first day
// of the week first). Days are numbered 1 = Sunday … 7 = Saturday, as the
// schedule stores them. It keeps no set of its own: it shows the set it is
// given and reports each day the user turns on or off.
class WeekdayPicker : public QWidget {
  Q_OBJECT

 public:
  explicit WeekdayPicker(QWidget* parent = nullptr);

  // The seven day numbers of a week that starts on `firstWeekday`.
  static std::array<int, 7> order(int firstWeekday);
  // The first day of the week in the widget's locale, as a day number.
  int firstWeekday() const;

  // Shows which days are on (numbers outside 1…7 are ignored); reports
  // nothing. Also puts the days in the locale's order again.
  void setDays(const std::set<std::int64_t>& days);

  // The button of a day (1…7).
  QAbstractButton* button(int day) const;
  // The days in the order their buttons stand.
  std::array<int, 7> shownOrder() const { return shown_; }

  // The user turned a day on (true) or off.
  std::function<void(int day, bool on)> onToggle;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void arrange();

  QHBoxLayout* row_;
  std::array<QToolButton*, 7> buttons_{};  // by day number − 1
  std::array<int, 7> shown_{};
};

}  // namespace pimble
