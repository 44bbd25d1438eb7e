#include "settings/progress_dots.h"

#include <QPainter>
#include <QVariantAnimation>

#include "settings/tour_look.h"

namespace pimble {

namespace {
QColor mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                          static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}
}  // namespace

ProgressDots::ProgressDots(int count, QWidget* parent)
    : QWidget(parent), count_(count), slide_(new QVariantAnimation(this)) {
  setObjectName(QStringLiteral("progressDots"));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  slide_->setDuration(animationMs);
  slide_->setStartValue(0.0);
  slide_->setEndValue(1.0);
  slide_->setEasingCurve(QEasingCurve::InOutQuad);
  connect(slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    progress_ = v.toDouble();
    update();
  });
  setCurrent(0);
}

void ProgressDots::setCurrent(int current) {
  slide_->stop();
  previous_ = current_;
  current_ = current;
  setAccessibleName(QStringLiteral("Step %1 of %2").arg(current + 1).arg(count_));
  if (previous_ == current_ || !isVisible()) {
    progress_ = 1;
    update();
    return;
  }
  progress_ = 0;
  slide_->start();
}

double ProgressDots::width(int i, int current) const {
  return i == current ? wide : dot;
}

QSize ProgressDots::sizeHint() const {
  return {wide + (count_ - 1) * (dot + spacing), dot + 2};
}

void ProgressDots::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  const QColor on = tour::accent();
  QColor off = palette().color(QPalette::PlaceholderText);
  off.setAlphaF(0.25f);
  const double y = (height() - dot) / 2.0;
  double x = 0;
  for (int i = 0; i < count_; ++i) {
    const double w = width(i, previous_) + (width(i, current_) - width(i, previous_)) * progress_;
    const QColor before = i <= previous_ ? on : off;
    const QColor after = i <= current_ ? on : off;
    p.setBrush(mix(before, after, progress_));
    p.drawRoundedRect(QRectF(x, y, w, dot), dot / 2.0, dot / 2.0);
    x += w + spacing;
  }
}

}  // namespace pimble
