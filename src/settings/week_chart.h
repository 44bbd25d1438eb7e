#pragma once

#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

#include "models/calendar.h"
#include "models/day_summary.h"

namespace pimble {

// The week's completed reminders as one bar a day, oldest on the left: an
// orange gradient bar with rounded corners, the day's total above it (none
// for an empty day) and the abbreviated weekday below. There is no y axis:
// the tallest bar fills the plot.
class WeekChart : public QWidget {
  Q_OBJECT

 public:
  static constexpr int chartHeight = 130;
  static constexpr double cornerRadius = 4;

  // One day as drawn, in widget coordinates.
  struct Bar {
    QRectF rect;       // empty height for a day with nothing done
    QString value;     // the total above the bar, empty for 0
    QString dayLabel;  // abbreviated weekday name in the user's locale
  };

  explicit WeekChart(QWidget* parent = nullptr);

  // The days oldest first, with the calendar that names their weekdays.
  void setDays(std::vector<DaySummary> days, const Calendar& calendar);
  const std::vector<DaySummary>& days() const { return days_; }
  // The bars as they are laid out at the current size.
  std::vector<Bar> bars() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<DaySummary> days_;
  Calendar calendar_;
};

}  // namespace pimble
