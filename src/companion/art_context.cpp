#include "companion/art_context.h"

#include <algorithm>
#include <cmath>

#include "companion/layers/gradient_layer.h"
#include "companion/layers/soft_shadow.h"

namespace pimble {
namespace {

constexpr int maxPixels = 16384;
constexpr double twoPi = 2 * M_PI;

double lengthScale(const QTransform& t) {
  return std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
}

QGradientStops qtStops(const std::vector<GradientStop>& stops) {
  ColorList colors;
  NumberList locations;
  for (const auto& s : stops) {
    colors.push_back(s.color);
    locations.push_back(s.location);
  }
  return GradientLayer::stops(colors, locations);
}

}  // namespace

struct ArtContext::Target {
  QImage image;
  std::unique_ptr<QPainter> painter;
  QPainterPath clipDevice;  // empty for the bitmap itself
};

struct ArtContext::State {
  QTransform ctm;
  bool shadowOn = false;
  QPointF shadowOffset;  // QPainter device offset (y down)
  double shadowBlur = 0;
  QColor shadowColor;
  size_t targetDepth = 1;
};

QSize ArtContext::pixelSize(QSizeF canvas, double scale) {
  if (!(scale > 0) || !std::isfinite(scale)) return {1, 1};
  const double w = std::ceil(canvas.width() * scale);
  const double h = std::ceil(canvas.height() * scale);
  if (!std::isfinite(w) || !std::isfinite(h) || w > maxPixels || h > maxPixels) return {1, 1};
  return {std::max(1, static_cast<int>(w)), std::max(1, static_cast<int>(h))};
}

QList<qreal> ArtContext::dashPattern(const std::vector<double>& lengths, double lineWidth) {
  QList<qreal> pattern;
  if (lengths.empty() || !(lineWidth > 0) || !std::isfinite(lineWidth)) return pattern;
  for (double d : lengths) {
    if (!std::isfinite(d) || d < 0) return {};
  }
  const int rounds = lengths.size() % 2 == 0 ? 1 : 2;
  for (int r = 0; r < rounds; ++r) {
    for (double d : lengths) pattern.append(d / lineWidth);
  }
  return pattern;
}

void ArtContext::addArc(QPainterPath& path, QPointF center, double radius, double start, double end,
                        bool increasing) {
  if (!std::isfinite(start) || !std::isfinite(end) || !(radius >= 0)) return;
  double sweep = end - start;
  if (increasing) {
    while (sweep < 0) sweep += twoPi;
    sweep = std::min(sweep, twoPi);
  } else {
    while (sweep > 0) sweep -= twoPi;
    sweep = std::max(sweep, -twoPi);
  }
  const QPointF first(center.x() + radius * std::cos(start), center.y() + radius * std::sin(start));
  if (path.elementCount() == 0) {
    path.moveTo(first);
  } else {
    path.lineTo(first);
  }
  // Qt measures degrees counter-clockwise on a y-down device; ours run the
  // other way, so both the start and the sweep change sign.
  const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
  path.arcTo(box, -start * 180 / M_PI, -sweep * 180 / M_PI);
}

ArtContext::ArtContext(QSizeF canvas, double scale)
    : scale_(std::isfinite(scale) && scale > 0 ? scale : 0) {
  image_ = QImage(pixelSize(canvas, scale), QImage::Format_ARGB32_Premultiplied);
  image_.fill(Qt::transparent);
  auto base = std::make_unique<Target>();
  base->painter = std::make_unique<QPainter>(&image_);
  base->painter->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  targets_.push_back(std::move(base));
  State state;
  state.ctm = QTransform::fromScale(scale_, scale_);
  states_.push_back(state);
}

ArtContext::~ArtContext() {
  while (targets_.size() > 1) popTarget();
  if (!targets_.empty() && targets_.front()->painter->isActive()) targets_.front()->painter->end();
}

QPainter& ArtContext::painter() {
  return *targets_.back()->painter;
}

void ArtContext::save() {
  State copy = states_.back();
  copy.targetDepth = targets_.size();
  states_.push_back(copy);
}

void ArtContext::restore() {
  if (states_.size() <= 1) return;
  while (targets_.size() > states_.back().targetDepth) popTarget();
  states_.pop_back();
}

void ArtContext::translate(double x, double y) {
  states_.back().ctm.translate(x, y);
}
void ArtContext::rotate(double radians) {
  states_.back().ctm.rotateRadians(radians);
}
void ArtContext::scaleBy(double sx, double sy) {
  states_.back().ctm.scale(sx, sy);
}

void ArtContext::clip(const QPainterPath& path, Qt::FillRule rule) {
  QPainterPath shape = path;
  shape.setFillRule(rule);
  auto target = std::make_unique<Target>();
  target->image = QImage(image_.size(), QImage::Format_ARGB32_Premultiplied);
  target->image.fill(Qt::transparent);
  target->painter = std::make_unique<QPainter>(&target->image);
  target->painter->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  target->clipDevice = states_.back().ctm.map(shape);
  targets_.push_back(std::move(target));
}

void ArtContext::popTarget() {
  std::unique_ptr<Target> top = std::move(targets_.back());
  targets_.pop_back();
  top->painter->end();
  // Keep what lies inside the clip, with partial coverage at its rim, then
  // lay it over what was drawn before the clip began.
  QImage coverage(top->image.size(), QImage::Format_ARGB32_Premultiplied);
  coverage.fill(Qt::transparent);
  {
    QPainter m(&coverage);
    m.setRenderHint(QPainter::Antialiasing);
    m.fillPath(top->clipDevice, Qt::black);
  }
  {
    QPainter p(&top->image);
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    p.drawImage(0, 0, coverage);
  }
  QPainter& below = painter();
  below.save();
  below.resetTransform();
  below.setCompositionMode(QPainter::CompositionMode_SourceOver);
  below.drawImage(0, 0, top->image);
  below.restore();
}

void ArtContext::setShadow(QPointF deviceOffsetYUp, double blurPixels, const QColor& color) {
  State& s = states_.back();
  s.shadowOn = color.isValid() && color.alpha() > 0;
  const auto bounded = [](double v) {
    return std::isfinite(v) ? std::clamp(v, -4096.0, 4096.0) : 0.0;
  };
  s.shadowOffset = deviceOffset({bounded(deviceOffsetYUp.x()), bounded(deviceOffsetYUp.y())});
  s.shadowBlur = std::max(0.0, bounded(blurPixels));
  s.shadowColor = color;
}

void ArtContext::clearShadow() {
  states_.back().shadowOn = false;
}

double ArtContext::farDistance() const {
  const double k = std::max(lengthScale(states_.back().ctm), 1e-6);
  return 4.0 * (image_.width() + image_.height()) / k + 1;
}

void ArtContext::draw(const QRectF& userBounds, double reach,
                      const std::function<void(QPainter&)>& op) {
  const State& s = states_.back();
  if (!s.shadowOn) {
    QPainter& p = painter();
    p.setTransform(s.ctm);
    op(p);
    return;
  }
  // Draw the shape alone, cast its shadow below it, then lay it on top.
  const int margin = static_cast<int>(std::ceil(s.shadowBlur * 1.5 + std::abs(s.shadowOffset.x()) +
                                                std::abs(s.shadowOffset.y()))) +
                     2;
  QRect area = s.ctm.mapRect(userBounds.adjusted(-reach, -reach, reach, reach))
                   .toAlignedRect()
                   .adjusted(-1, -1, 1, 1);
  area = area.intersected(image_.rect().adjusted(-margin, -margin, margin, margin));
  if (area.isEmpty()) return;
  QImage shape(area.size(), QImage::Format_ARGB32_Premultiplied);
  shape.fill(Qt::transparent);
  {
    QPainter p(&shape);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.setTransform(s.ctm * QTransform::fromTranslate(-area.x(), -area.y()));
    op(p);
  }
  const SoftShadow shadow = makeSoftShadow(shape, s.shadowColor, s.shadowBlur);
  QPainter& p = painter();
  p.save();
  p.resetTransform();
  p.drawImage(QPointF(area.topLeft()) + s.shadowOffset - QPointF(shadow.margin, shadow.margin),
              shadow.image);
  p.drawImage(area.topLeft(), shape);
  p.restore();
}

void ArtContext::fill(const QPainterPath& path, const QColor& color, Qt::FillRule rule) {
  QPainterPath shape = path;
  shape.setFillRule(rule);
  draw(shape.controlPointRect(), 0, [&](QPainter& p) { p.fillPath(shape, color); });
}

void ArtContext::fillEllipse(const QRectF& rect, const QColor& color) {
  QPainterPath path;
  path.addEllipse(rect);
  fill(path, color);
}

void ArtContext::fillRect(const QRectF& rect, const QColor& color) {
  QPainterPath path;
  path.addRect(rect);
  fill(path, color);
}

void ArtContext::stroke(const QPainterPath& path, const QColor& color, const StrokeStyle& style) {
  if (!(style.width > 0) || !std::isfinite(style.width)) return;
  QPen pen(color, style.width, Qt::SolidLine, style.cap, style.join);
  pen.setMiterLimit(5);  // a miter up to ten widths long, as the drawings expect
  draw(path.controlPointRect(), style.width * 5, [&](QPainter& p) { p.strokePath(path, pen); });
}

void ArtContext::strokeLine(QPointF from, QPointF to, const QColor& color,
                            const StrokeStyle& style) {
  QPainterPath path;
  path.moveTo(from);
  path.lineTo(to);
  stroke(path, color, style);
}

void ArtContext::drawLinearGradient(const std::vector<GradientStop>& stops, QPointF start,
                                    QPointF end, bool extendStart, bool extendEnd) {
  const QPointF d = end - start;
  const double length = std::hypot(d.x(), d.y());
  if (stops.empty() || !(length > 0) || !std::isfinite(length)) return;
  const QPointF u = d / length;
  const double far = farDistance() + length;
  const QPointF n(-u.y() * far, u.x() * far);
  const QPointF p0 = extendStart ? start - u * far : start;
  const QPointF p1 = extendEnd ? end + u * far : end;
  QPainterPath strip;
  strip.moveTo(p0 + n);
  strip.lineTo(p1 + n);
  strip.lineTo(p1 - n);
  strip.lineTo(p0 - n);
  strip.closeSubpath();
  QLinearGradient gradient(start, end);
  gradient.setStops(qtStops(stops));
  gradient.setSpread(QGradient::PadSpread);
  const QBrush brush(gradient);
  draw(strip.controlPointRect(), 0, [&](QPainter& p) { p.fillPath(strip, brush); });
}

void ArtContext::drawRadialGradient(const std::vector<GradientStop>& stops, QPointF c0, double r0,
                                    QPointF c1, double r1, bool extendStart, bool extendEnd) {
  if (stops.empty() || !(r1 > 0) || !std::isfinite(r1) || !(r0 >= 0)) return;
  QPainterPath area;
  if (extendEnd) {
    const double far = farDistance() + r1;
    area.addRect(QRectF(c1.x() - far, c1.y() - far, 2 * far, 2 * far));
  } else {
    area.addEllipse(c1, r1, r1);
  }
  if (!extendStart && r0 > 0) {
    QPainterPath inner;
    inner.addEllipse(c0, r0, r0);
    area = area.subtracted(inner);
  }
  QRadialGradient gradient(c1, r1, c0, r0);
  gradient.setStops(qtStops(stops));
  gradient.setSpread(QGradient::PadSpread);
  const QBrush brush(gradient);
  draw(area.controlPointRect(), 0, [&](QPainter& p) { p.fillPath(area, brush); });
}

QImage ArtContext::takeImage() {
  while (states_.size() > 1) restore();
  while (targets_.size() > 1) popTarget();
  if (targets_.front()->painter->isActive()) targets_.front()->painter->end();
  // A picture painted on keeps its paint engine, and the engine its working
  // buffers, for as long as the picture lives; a sprite lives all day and is
  // never painted on again, so it goes out as a copy without them.
  QImage sprite = image_.copy();
  image_ = QImage();
  return sprite;
}

}  // namespace pimble
