#include "settings/week_chart.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace pimble {

namespace {
QFont smallFont(const QFont& base) {
  QFont f = base;
  f.setPointSizeF(base.pointSizeF() * 0.82);
  return f;
}

// Our weekday numbers run 1 = Sunday … 7 = Saturday; Qt's 1 = Monday … 7 = Sunday.
QString shortWeekdayName(int weekday) {
  const int qtDay = (weekday + 5) % 7 + 1;
  return QLocale().dayName(qtDay, QLocale::ShortFormat);
}

const QColor kOrangeTop(255, 176, 64);
const QColor kOrangeBottom(245, 124, 0);
}  // namespace

WeekChart::WeekChart(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("weekChart"));
  setAccessibleName(QStringLiteral("Reminders completed per day this week"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(chartHeight);
}

void WeekChart::setDays(std::vector<DaySummary> days, const Calendar& calendar) {
  days_ = std::move(days);
  calendar_ = calendar;
  update();
}

QSize WeekChart::sizeHint() const {
  return {420, chartHeight};
}

QSize WeekChart::minimumSizeHint() const {
  return {140, chartHeight};
}

std::vector<WeekChart::Bar> WeekChart::bars() const {
  std::vector<Bar> out;
  if (days_.empty()) return out;
  const QFontMetricsF metrics(smallFont(font()));
  const double labelHeight = metrics.height();
  // Room for the weekday below and the total above the tallest bar.
  const double plotTop = labelHeight + 4;
  const double plotBottom = height() - labelHeight - 6;
  const double plotHeight = std::max(0.0, plotBottom - plotTop);
  const double slot = width() / static_cast<double>(days_.size());
  const double barWidth = std::clamp(slot * 0.55, 4.0, 44.0);

  std::int64_t most = 0;
  for (const DaySummary& d : days_) most = std::max(most, d.record.totalDone());
  for (size_t i = 0; i < days_.size(); ++i) {
    const std::int64_t total = std::max<std::int64_t>(0, days_[i].record.totalDone());
    const double h = most > 0 ? plotHeight * static_cast<double>(total) / most : 0;
    const double x = slot * static_cast<double>(i) + (slot - barWidth) / 2;
    Bar bar;
    bar.rect = QRectF(x, plotBottom - h, barWidth, h);
    bar.value = total > 0 ? QLocale().toString(static_cast<qlonglong>(total)) : QString();
    bar.dayLabel = shortWeekdayName(calendar_.weekday(days_[i].date));
    out.push_back(bar);
  }
  return out;
}

void WeekChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFont small = smallFont(font());
  p.setFont(small);
  const QFontMetricsF metrics(small);
  const QColor secondary = palette().color(QPalette::PlaceholderText);
  QColor baseline = palette().color(QPalette::WindowText);
  baseline.setAlphaF(0.12f);
  const std::vector<Bar> drawn = bars();
  if (!drawn.empty()) {
    const double y = drawn.front().rect.bottom() + 0.5;
    p.setPen(QPen(baseline, 1));
    p.drawLine(QPointF(0, y), QPointF(width(), y));
  }
  for (const Bar& bar : drawn) {
    if (bar.rect.height() > 0) {
      QLinearGradient fill(bar.rect.topLeft(), bar.rect.bottomLeft());
      fill.setColorAt(0, kOrangeTop);
      fill.setColorAt(1, kOrangeBottom);
      QPainterPath shape;
      const double r = std::min({cornerRadius, bar.rect.width() / 2, bar.rect.height() / 2});
      shape.addRoundedRect(bar.rect, r, r);
      p.fillPath(shape, fill);
    }
    p.setPen(secondary);
    const double slotLeft = bar.rect.center().x() - 40;
    if (!bar.value.isEmpty()) {
      const QRectF above(slotLeft, bar.rect.top() - metrics.height() - 2, 80, metrics.height());
      p.drawText(above, Qt::AlignHCenter | Qt::AlignBottom, bar.value);
    }
    const QRectF below(slotLeft, bar.rect.bottom() + 4, 80, metrics.height());
    p.drawText(below, Qt::AlignHCenter | Qt::AlignTop, bar.dayLabel);
  }
}

}  // namespace pimble
