#pragma once

// The drawing context the character's artwork is written against. The
// artwork's drawings follow the conventions of a y-up, device-space graphics
// library; this is the one place that translates them for QPainter:
// - sprites: ceil(w·s) × ceil(h·s) transparent pixels, one unit = s pixels,
//   y down from the top-left, the left-over fraction of a pixel at the right
//   and bottom edges (`pixelSize`);
// - shadows: offsets and blur in device pixels with y pointing up, applied
//   to each fill or stroke (`setShadow`; `setShadowUnits` multiplies by s);
// - clips: antialiased, unlike QPainter's path clip (`clip`);
// - gradients: paint nothing beyond their ends unless extended
//   (`drawLinearGradient`, `drawRadialGradient`);
// - arcs: angles in radians from +x toward +y, drawn through increasing or
//   decreasing angles (`addArc`);
// - dashes: lengths in units, where Qt counts line widths (`dashPattern`).

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <functional>
#include <memory>
#include <vector>

namespace pimble {

struct GradientStop {
  double location;
  QColor color;
};

struct StrokeStyle {
  double width = 1;
  Qt::PenCapStyle cap = Qt::FlatCap;
  Qt::PenJoinStyle join = Qt::MiterJoin;
};

class ArtContext {
 public:
  // A fresh transparent sprite bitmap for a canvas of `canvas` units at `scale`.
  ArtContext(QSizeF canvas, double scale);
  ~ArtContext();
  ArtContext(const ArtContext&) = delete;
  ArtContext& operator=(const ArtContext&) = delete;

  // max(1, ceil(w·s)) × max(1, ceil(h·s)); a scale that is not a positive
  // finite number, or a result beyond 16384 pixels a side, gives 1 × 1.
  static QSize pixelSize(QSizeF canvas, double scale);
  // A shadow offset of the y-up device space as a QPainter device offset.
  static QPointF deviceOffset(QPointF yUpOffset) { return {yUpOffset.x(), -yUpOffset.y()}; }
  // Dash lengths in units as Qt's pattern in line widths (an odd list repeats).
  static QList<qreal> dashPattern(const std::vector<double>& lengths, double lineWidth);
  // Appends an arc about `center` from `start` to `end` (radians from +x
  // toward +y), joined to the current point by a straight line.
  static void addArc(QPainterPath& path, QPointF center, double radius, double start, double end,
                     bool increasing);

  double scale() const { return scale_; }
  QSize size() const { return image_.size(); }

  void save();
  void restore();
  void translate(double x, double y);
  void rotate(double radians);  // +x toward +y: clockwise on screen
  void scaleBy(double sx, double sy);

  // Intersects the clip with the path, with antialiased edges.
  void clip(const QPainterPath& path, Qt::FillRule rule = Qt::WindingFill);
  // A shadow for every later fill and stroke: offset and blur in device
  // pixels, y up, until restore or clearShadow.
  void setShadow(QPointF deviceOffsetYUp, double blurPixels, const QColor& color);
  // The same with offset and blur in units (multiplied by the scale).
  void setShadowUnits(QPointF offsetYUp, double blur, const QColor& color) {
    setShadow(offsetYUp * scale_, blur * scale_, color);
  }
  void clearShadow();

  void fill(const QPainterPath& path, const QColor& color, Qt::FillRule rule = Qt::WindingFill);
  void fillEllipse(const QRectF& rect, const QColor& color);
  void fillRect(const QRectF& rect, const QColor& color);
  void stroke(const QPainterPath& path, const QColor& color, const StrokeStyle& style);
  void strokeLine(QPointF from, QPointF to, const QColor& color, const StrokeStyle& style);
  void drawLinearGradient(const std::vector<GradientStop>& stops, QPointF start, QPointF end,
                          bool extendStart, bool extendEnd);
  // From the circle (c0, r0) to the circle (c1, r1); the start circle must
  // lie inside the end circle.
  void drawRadialGradient(const std::vector<GradientStop>& stops, QPointF c0, double r0, QPointF c1,
                          double r1, bool extendStart, bool extendEnd);

  // Ends every open state and hands out the bitmap.
  QImage takeImage();

 private:
  struct Target;
  struct State;
  QPainter& painter();
  void draw(const QRectF& userBounds, double reach, const std::function<void(QPainter&)>& op);
  void popTarget();
  double farDistance() const;

  double scale_;
  QImage image_;
  std::vector<std::unique_ptr<Target>> targets_;
  std::vector<State> states_;
};

}  // namespace pimble
