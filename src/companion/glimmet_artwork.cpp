#include "companion/glimmet_artwork.h"

#include <cmath>

#include "companion/art_context.h"
#include "companion/layers/layer_value.h"

namespace pimble::GlimmetArtwork {
namespace {

QColor toQColor(const RgbaColor& c) {
  return srgb(c.red, c.green, c.blue, c.alpha);
}
QColor withAlpha(const RgbaColor& c, double alpha) {
  return srgb(c.red, c.green, c.blue, alpha);
}

const QColor& ink() {
  static const QColor c = srgb(0.10, 0.10, 0.16);
  return c;
}
const QColor& orange() {
  static const QColor c = srgb(0.95, 0.53, 0.22);
  return c;
}
const QColor& deepOrange() {
  static const QColor c = srgb(0.89, 0.40, 0.24);
  return c;
}
const QColor& rose() {
  static const QColor c = srgb(1.00, 0.42, 0.47);
  return c;
}

QPainterPath ellipse(double x, double y, double w, double h) {
  QPainterPath p;
  p.addEllipse(QRectF(x, y, w, h));
  return p;
}

QPainterPath circle(QPointF c, double r) {
  return ellipse(c.x() - r, c.y() - r, 2 * r, 2 * r);
}

QPainterPath roundedRect(double x, double y, double w, double h, double r) {
  QPainterPath p;
  p.addRoundedRect(QRectF(x, y, w, h), r, r);
  return p;
}

QPainterPath quad(QPointF from, QPointF control, QPointF to) {
  QPainterPath p;
  p.moveTo(from);
  p.quadTo(control, to);
  return p;
}

// The inner-shadow technique: a frame far larger than the shape with the
// shape cut out, filled under a shadow; inside a clip to the shape only the
// shadow falling inward across the edge remains.
void innerShadow(ArtContext& ctx, const QPainterPath& shape, QPointF offsetUnits, double blurUnits,
                 const QColor& color) {
  QPainterPath frame;
  frame.addRect(QRectF(-200, -200, 700, 800));
  // The outline of the union, not the overlapping pieces: with the
  // even-odd rule an overlap of two pieces would count as outside and fill
  // black inside the shape.
  frame.addPath(shape.simplified());
  ctx.save();
  ctx.setShadowUnits(offsetUnits, blurUnits, color);
  ctx.fill(frame, Qt::black, Qt::OddEvenFill);
  ctx.restore();
}

const StrokeStyle roundStroke(double width) {
  return {width, Qt::RoundCap, Qt::MiterJoin};
}

void drawScarf(ArtContext& ctx, const CapePalette& palette) {
  const QColor p1 = toQColor(palette.highlight);
  const QColor p2 = toQColor(palette.base);
  const QColor p3 = toQColor(palette.shade);
  const RgbaColor& p4 = palette.lining;
  ctx.translate(-20, -140);

  QPainterPath band;
  band.moveTo(26, 156);
  band.quadTo(110, 176, 194, 156);
  band.lineTo(194, 171);
  band.quadTo(110, 192, 26, 171);
  band.closeSubpath();

  ctx.save();
  ctx.clip(bodyPath());
  ctx.save();
  ctx.setShadowUnits({0, -2.5}, 4, withAlpha(p4, 0.35));
  ctx.fill(band, p2);
  ctx.restore();
  ctx.clip(band);
  ctx.drawLinearGradient({{0, p1}, {0.45, p2}, {1, p3}}, {110, 160}, {110, 186}, false, false);
  ctx.drawLinearGradient({{0, withAlpha(p4, 0.45)},
                          {0.22, withAlpha(p4, 0)},
                          {0.78, withAlpha(p4, 0)},
                          {1, withAlpha(p4, 0.45)}},
                         {40, 0}, {180, 0}, false, false);
  ctx.stroke(quad({52, 166}, {110, 182}, {168, 166}), withAlpha(palette.highlight, 0.5), {1.6});
  ctx.restore();

  const QPainterPath knot = ellipse(42, 159, 19, 16);
  ctx.save();
  ctx.setShadowUnits({0.5, -2}, 3, withAlpha(p4, 0.45));
  ctx.fill(knot, p2);
  ctx.restore();
  ctx.save();
  ctx.clip(knot);
  ctx.drawRadialGradient({{0, p1}, {0.5, p2}, {1, p3}}, {48, 163}, 0, {52, 167}, 12, false, true);
  ctx.restore();
  QPainterPath creases = quad({47, 163}, {47, 168}, {51, 172});
  creases.moveTo(56, 162);
  creases.quadTo(58, 167, 56, 171);
  ctx.stroke(creases, withAlpha(p4, 0.6), roundStroke(1.1));
}

void drawTails(ArtContext& ctx, const CapePalette& palette) {
  struct Tail {
    QPointF tip, first, second;
  };
  const Tail tails[] = {{{6, 34}, {4, 26}, {18, 16}}, {{20, 41}, {16, 34}, {28, 22}}};
  for (const Tail& t : tails) {
    QPainterPath path;
    path.moveTo(27, 5);
    path.quadTo(t.first, t.tip);
    path.quadTo(t.second, {34, 8});
    path.closeSubpath();
    ctx.save();
    ctx.setShadowUnits({0, -1.5}, 2.5, withAlpha(palette.lining, 0.35));
    ctx.fill(path, toQColor(palette.base));
    ctx.restore();
    ctx.save();
    ctx.clip(path);
    ctx.drawLinearGradient({{0, toQColor(palette.base)}, {1, toQColor(palette.shade)}}, {30, 6},
                           t.tip, false, false);
    ctx.restore();
  }
}

QPainterPath rotatedEllipse(QPointF centre, double rotation, double w, double h) {
  QPainterPath p;
  p.addEllipse(QPointF(), w / 2, h / 2);
  QTransform t;
  t.translate(centre.x(), centre.y());
  t.rotateRadians(rotation);
  return t.map(p);
}

QPainterPath handShape(HandStyle style) {
  struct Part {
    QPointF centre;
    double rotation, w, h;
  };
  static const Part mitten[] = {{{25, 28}, 0, 25, 23}, {{35.5, 20.5}, 0.55, 9.6, 13.2}};
  static const Part open[] = {{{25, 31}, 0, 22, 21},
                              {{35, 25}, 0.8, 8.8, 12.4},
                              {{18.288, 15.941}, -0.45, 6.6, 9.6},
                              {{22.631, 14.423}, -0.153, 6.6, 10.8},
                              {{27.369, 14.423}, 0.153, 6.6, 10.8},
                              {{31.712, 15.941}, 0.45, 6.6, 9.6}};
  QPainterPath shape;
  shape.setFillRule(Qt::WindingFill);
  if (style == HandStyle::mitten) {
    for (const Part& p : mitten) shape.addPath(rotatedEllipse(p.centre, p.rotation, p.w, p.h));
  } else {
    for (const Part& p : open) shape.addPath(rotatedEllipse(p.centre, p.rotation, p.w, p.h));
  }
  shape.setFillRule(Qt::WindingFill);
  return shape;
}

}  // namespace

QPainterPath bodyPath() {
  // Drawn in a 200-unit design frame, then moved into the canvas.
  QPainterPath p;
  p.moveTo(100, 16);
  p.cubicTo(148, 16, 178, 50, 178, 98);
  p.cubicTo(178, 140, 152, 160, 134, 186);
  p.cubicTo(120, 204, 124, 220, 152, 228);
  p.cubicTo(160, 232, 168, 240, 162, 246);
  p.cubicTo(160, 252, 150, 254, 140, 252);
  p.cubicTo(112, 250, 92, 240, 86, 218);
  p.cubicTo(80, 192, 66, 176, 46, 158);
  p.cubicTo(28, 142, 22, 120, 22, 98);
  p.cubicTo(22, 50, 52, 16, 100, 16);
  p.closeSubpath();
  p.setFillRule(Qt::WindingFill);
  return p.translated(10, 30);
}

void drawBody(ArtContext& ctx) {
  const QPainterPath body = bodyPath();
  ctx.save();
  ctx.setShadowUnits({0, -5}, 13, srgb(0.22, 0.26, 0.45, 0.34));
  ctx.fill(body, Qt::white);
  ctx.restore();

  ctx.save();
  ctx.clip(body);
  ctx.drawLinearGradient(
      {{0, srgb(1, 1, 1)}, {0.5, srgb(0.975, 0.98, 0.995)}, {1, srgb(0.87, 0.89, 0.95)}}, {60, 40},
      {150, 262}, true, true);
  innerShadow(ctx, body, {-4, 9}, 17, srgb(0.55, 0.60, 0.82, 0.55));
  innerShadow(ctx, body, {3, -4}, 8, srgb(1, 1, 1, 0.95));
  ctx.save();
  ctx.translate(74, 70);
  ctx.rotate(-0.55);
  ctx.scaleBy(1, 0.5);
  ctx.drawRadialGradient({{0, srgb(1, 1, 1, 0.95)}, {1, srgb(1, 1, 1, 0)}}, {0, 0}, 0, {0, 0}, 24,
                         false, false);
  ctx.restore();
  ctx.restore();

  ctx.stroke(body, srgb(0.66, 0.70, 0.86, 0.28), {0.8});
}

QImage scarf(double scale, const CapePalette& palette) {
  ArtContext ctx({180, 64}, scale);
  drawScarf(ctx, palette);
  return ctx.takeImage();
}

QImage scarfTails(double scale, const CapePalette& palette) {
  ArtContext ctx({40, 44}, scale);
  drawTails(ctx, palette);
  return ctx.takeImage();
}

QImage eye(EyeStyle style, double scale) {
  ArtContext ctx({28, 34}, scale);
  switch (style) {
    case EyeStyle::open:
      ctx.fillEllipse({7.6, 8.8, 12.8, 16.4}, ink());
      ctx.fillEllipse({9.8, 10.8, 4.6, 4.6}, srgb(1, 1, 1, 0.95));
      ctx.fillEllipse({15.6, 19.2, 2.4, 2.4}, srgb(1, 1, 1, 0.70));
      break;
    case EyeStyle::happy:
      ctx.stroke(quad({7, 20.5}, {14, 8}, {21, 20.5}), ink(), roundStroke(3.0));
      break;
    case EyeStyle::calm:
      ctx.stroke(quad({7, 15}, {14, 25}, {21, 15}), ink(), roundStroke(2.8));
      break;
    case EyeStyle::sleepy:
      ctx.fillEllipse({7.4, 13.6, 13.2, 8.6}, ink());
      ctx.fillEllipse({9.8, 14.6, 3.2, 3.2}, srgb(1, 1, 1, 0.90));
      break;
  }
  return ctx.takeImage();
}

QImage mouth(MouthStyle style, double scale) {
  ArtContext ctx({36, 28}, scale);
  const QColor tongue = srgb(1.00, 0.62, 0.60);
  switch (style) {
    case MouthStyle::smile:
      ctx.stroke(quad({11, 10}, {18, 20}, {25, 10}), orange(), roundStroke(2.9));
      break;
    case MouthStyle::grin: {
      QPainterPath d;
      d.moveTo(9, 8);
      d.cubicTo(11, 24, 25, 24, 27, 8);
      d.closeSubpath();
      ctx.fill(d, deepOrange());
      ctx.save();
      ctx.clip(d);
      ctx.fillEllipse({12, 15, 12, 9}, tongue);
      ctx.restore();
      ctx.stroke(d, orange(), roundStroke(2.0));
      break;
    }
    case MouthStyle::oval:
      ctx.fillEllipse({13.5, 7, 9, 12}, deepOrange());
      ctx.fillEllipse({15.5, 12.5, 5, 5}, tongue);
      break;
    case MouthStyle::calm:
      ctx.stroke(quad({13, 11}, {18, 16}, {23, 11}), orange(), roundStroke(2.5));
      break;
  }
  return ctx.takeImage();
}

QImage cheek(double scale) {
  ArtContext ctx({40, 28}, scale);
  ctx.translate(20, 14);
  ctx.scaleBy(1.08, 0.92);
  ctx.drawRadialGradient({{0, srgb(1.00, 0.36, 0.43, 0.95)},
                          {0.62, srgb(1.00, 0.40, 0.46, 0.88)},
                          {1, srgb(1.00, 0.45, 0.50, 0)}},
                         {0, 0}, 0, {0, 0}, 11.5, false, false);
  return ctx.takeImage();
}

QImage star(StarStyle style, double scale) {
  ArtContext ctx({26, 26}, scale);
  const QColor colour = style == StarStyle::gold   ? srgb(1.00, 0.82, 0.34)
                        : style == StarStyle::pink ? srgb(1.00, 0.55, 0.70)
                                                   : srgb(0.45, 0.75, 1.00);
  QPainterPath p;
  p.moveTo(13, 2);
  p.quadTo(14.5, 11.5, 24, 13);
  p.quadTo(14.5, 14.5, 13, 24);
  p.quadTo(11.5, 14.5, 2, 13);
  p.quadTo(11.5, 11.5, 13, 2);
  p.closeSubpath();
  QColor glow = colour;
  glow.setAlphaF(0.7f);
  ctx.setShadow({0, 0}, 3 * scale, glow);
  ctx.fill(p, colour);
  return ctx.takeImage();
}

QImage hand(HandStyle style, HandSide side, double scale) {
  ArtContext ctx({52, 52}, scale);
  if (side == HandSide::right) {
    ctx.translate(52, 0);
    ctx.scaleBy(-1, 1);
  }
  const QPainterPath shape = handShape(style);
  ctx.save();
  ctx.setShadowUnits({0, -1.6}, 4, srgb(0.25, 0.30, 0.50, 0.42));
  ctx.stroke(shape, srgb(0.60, 0.65, 0.84, 0.75), {1.8});
  ctx.restore();

  ctx.save();
  ctx.clip(shape);
  ctx.drawLinearGradient(
      {{0, srgb(1, 1, 1)}, {0.5, srgb(0.97, 0.975, 1.0)}, {1, srgb(0.86, 0.88, 0.96)}}, {18, 12},
      {32, 42}, true, true);
  innerShadow(ctx, shape, {-1.5, 3}, 5, srgb(0.55, 0.60, 0.85, 0.50));
  innerShadow(ctx, shape, {1, -1.5}, 3, srgb(1, 1, 1, 0.95));
  ctx.restore();

  const QColor crease = srgb(0.60, 0.65, 0.85, 0.55);
  if (style == HandStyle::mitten) {
    ctx.stroke(quad({31.5, 24.5}, {32, 29}, {35.5, 30.5}), crease, roundStroke(1.0));
  } else {
    for (double x : {20.5, 25.0, 29.5})
      ctx.strokeLine({x, 24}, {x, 27.5}, crease, roundStroke(1.0));
  }
  ctx.fillEllipse({17.5, 22.5, 5.5, 3.2}, srgb(1, 1, 1, 0.90));
  return ctx.takeImage();
}

QImage bottle(double scale) {
  ArtContext ctx({52, 90}, scale);
  const QPainterPath body = roundedRect(8, 30, 36, 56, 12);
  const QPainterPath neck = roundedRect(16, 18, 20, 18, 6);
  QPainterPath glass = body;
  glass.addPath(neck);
  glass.setFillRule(Qt::WindingFill);
  const QPainterPath cork = roundedRect(14, 4, 24, 17, 6);

  ctx.save();
  ctx.setShadowUnits({0, -2.5}, 5, srgb(0.2, 0.32, 0.55, 0.42));
  ctx.fill(glass, srgb(0.94, 0.98, 1.0));
  ctx.restore();

  ctx.save();
  ctx.clip(glass);
  QPainterPath liquid;
  liquid.moveTo(4, 46);
  for (int i = 0; i <= 44; ++i) liquid.lineTo(4 + i, 46 + 1.9 * std::sin(i / 44.0 * 2.5 * M_PI));
  liquid.lineTo(48, 92);
  liquid.lineTo(4, 92);
  liquid.closeSubpath();
  ctx.save();
  ctx.clip(liquid);
  ctx.drawLinearGradient(
      {{0, srgb(0.66, 0.89, 1.0)}, {0.5, srgb(0.36, 0.74, 0.97)}, {1, srgb(0.2, 0.55, 0.9)}},
      {8, 44}, {44, 86}, false, false);
  const struct {
    QPointF c;
    double r;
  } bubbles[] = {
      {{16, 58}, 2.2}, {{36, 52}, 1.7}, {{30, 74}, 2.4}, {{17, 77}, 1.5}, {{38, 66}, 1.3}};
  for (const auto& b : bubbles) ctx.fill(circle(b.c, b.r), srgb(1, 1, 1, 0.55));
  ctx.restore();
  ctx.stroke(liquid, srgb(1, 1, 1, 0.7), {1.1});
  const StrokeStyle tick = roundStroke(1.2);
  const QColor tickColour = srgb(1, 1, 1, 0.75);
  ctx.strokeLine({43, 40}, {37, 40}, tickColour, tick);
  ctx.strokeLine({43, 53}, {39.4, 53}, tickColour, tick);
  ctx.strokeLine({43, 66}, {37, 66}, tickColour, tick);
  ctx.strokeLine({43, 79}, {39.4, 79}, tickColour, tick);
  ctx.restore();

  ctx.save();
  ctx.clip(body);
  ctx.fill(roundedRect(8, 54, 36, 17, 2), srgb(1, 1, 1, 0.93));
  ctx.restore();

  QPainterPath drop;
  drop.moveTo(26, 56.5);
  drop.cubicTo(27.5, 59.5, 31, 61, 31, 64);
  drop.cubicTo(31, 69.5, 21, 69.5, 21, 64);
  drop.cubicTo(21, 61, 24.5, 59.5, 26, 56.5);
  drop.closeSubpath();
  ctx.fill(drop, srgb(0.28, 0.62, 0.95));
  ctx.fillEllipse({23.2, 61, 2.2, 2.8}, srgb(1, 1, 1, 0.85));

  const QColor outline = srgb(0.35, 0.6, 0.86, 0.85);
  ctx.stroke(body, outline, {1.3});
  ctx.stroke(neck, outline, {1.3});

  ctx.fill(roundedRect(12.5, 38, 3.6, 38, 1.8), srgb(1, 1, 1, 0.85));
  ctx.fillEllipse({12.5, 79.5, 3.6, 3.6}, srgb(1, 1, 1, 0.7));
  const struct {
    QPointF c;
    double r;
  } glints[] = {{{36.5, 36}, 1.6}, {{39, 49}, 1.2}, {{14, 49}, 1.1}};
  for (const auto& g : glints) {
    ctx.fill(circle(g.c, g.r), srgb(0.8, 0.92, 1.0, 0.95));
    ctx.fill(circle(g.c + QPointF(-0.1 * g.r, -0.3 * g.r), 0.4 * g.r), srgb(1, 1, 1));
  }

  ctx.stroke(ellipse(32, 6, 9, 11), srgb(0.93, 0.5, 0.2), {2.4});
  ctx.save();
  ctx.clip(cork);
  ctx.drawLinearGradient({{0, srgb(1.0, 0.78, 0.5)}, {1, srgb(0.98, 0.58, 0.26)}}, {14, 4},
                         {38, 21}, true, true);
  for (double x : {19.0, 23.0, 27.0, 31.0}) {
    ctx.strokeLine({x, 11}, {x, 19}, srgb(0.85, 0.42, 0.16, 0.7), {1.0});
  }
  ctx.restore();
  ctx.stroke(cork, srgb(0.82, 0.4, 0.14, 0.9), {1.1});
  ctx.fill(roundedRect(17, 6, 12, 2.4, 1.2), srgb(1, 1, 1, 0.7));
  return ctx.takeImage();
}

QImage cup(double scale) {
  ArtContext ctx({56, 46}, scale);
  QPainterPath body;
  body.moveTo(8, 12);
  body.lineTo(42, 12);
  body.cubicTo(42, 28, 40, 40, 33, 40);
  body.lineTo(17, 40);
  body.cubicTo(10, 40, 8, 28, 8, 12);
  body.closeSubpath();
  const QColor mint = srgb(0.45, 0.74, 0.68);
  ctx.stroke(ellipse(36, 15, 12, 14), mint, {3.4});
  ctx.save();
  ctx.setShadowUnits({0, -2}, 4, srgb(0.2, 0.3, 0.4, 0.35));
  ctx.fill(body, srgb(0.6, 0.84, 0.78));
  ctx.restore();
  ctx.save();
  ctx.clip(body);
  ctx.drawLinearGradient({{0, srgb(0.78, 0.94, 0.89)}, {1, srgb(0.5, 0.78, 0.71)}}, {12, 12},
                         {38, 40}, false, false);
  ctx.restore();
  const QPainterPath surface = ellipse(8, 9.5, 34, 6);
  ctx.fill(surface, srgb(0.76, 0.55, 0.36));
  ctx.stroke(surface, mint, {1.4});
  return ctx.takeImage();
}

QImage clock(double scale) {
  ArtContext ctx({56, 60}, scale);
  const struct {
    QPointF pivot;
    double angle;
  } feet[] = {{{17, 54}, 0.45}, {{39, 54}, -0.45}};
  for (const auto& f : feet) {
    ctx.save();
    ctx.translate(f.pivot.x(), f.pivot.y());
    ctx.rotate(f.angle);
    ctx.fillRect({-2.2, -4, 4.4, 7}, deepOrange());
    ctx.restore();
  }
  const struct { double x, angle; } bells[] = {{13, -0.55}, {43, 0.55}};
  for (const auto& b : bells) {
    ctx.save();
    ctx.translate(b.x, 15);
    ctx.rotate(b.angle);
    QPainterPath dome;
    ArtContext::addArc(dome, {0, 0}, 8, M_PI, 0, true);
    dome.closeSubpath();
    ctx.clip(dome);
    ctx.drawLinearGradient({{0, srgb(1.0, 0.72, 0.42)}, {1, deepOrange()}}, {-6, -8}, {6, 0}, false,
                           false);
    ctx.restore();
  }
  ctx.fillEllipse({25.5, 9.5, 5, 5}, deepOrange());
  ctx.save();
  ctx.setShadowUnits({0, -2}, 4, srgb(0.45, 0.25, 0.1, 0.35));
  ctx.fillEllipse({4.5, 10.5, 47, 47}, orange());
  ctx.restore();
  ctx.save();
  ctx.clip(ellipse(8, 14, 40, 40));
  ctx.drawLinearGradient({{0, srgb(1.0, 1.0, 0.98)}, {1, srgb(0.98, 0.93, 0.86)}}, {18, 14},
                         {38, 54}, false, false);
  ctx.restore();
  for (int i = 0; i < 12; ++i) {
    const double a = 2 * M_PI * i / 12;
    ctx.fill(circle({28 + 15.5 * std::sin(a), 34 - 15.5 * std::cos(a)}, i % 3 == 0 ? 1.8 : 1.0),
             srgb(0.1, 0.1, 0.16, 0.55));
  }
  ctx.strokeLine({28, 34}, {19.808479557110083, 28.264235636489538}, ink(), roundStroke(3.0));
  ctx.strokeLine({28, 34}, {40.557368354874356, 26.75}, ink(), roundStroke(2.2));
  ctx.fillEllipse({25.4, 31.4, 5.2, 5.2}, rose());
  QPainterPath glint;
  ArtContext::addArc(glint, {28, 34}, 21.8, 1.1 * M_PI, 1.45 * M_PI, true);
  ctx.stroke(glint, srgb(1, 1, 1, 0.55), {1.6});
  return ctx.takeImage();
}

QImage steam(double scale) {
  ArtContext ctx({20, 34}, scale);
  ctx.setShadow({0, 0}, 3 * scale, srgb(0.45, 0.5, 0.75, 0.6));
  QPainterPath p;
  p.moveTo(10, 31);
  p.cubicTo(2, 25, 18, 20, 10, 14);
  p.cubicTo(5, 10, 13, 7, 10, 3);
  ctx.stroke(p, srgb(0.97, 0.98, 1.0, 0.95), roundStroke(3.0));
  return ctx.takeImage();
}

QImage zee(double scale) {
  ArtContext ctx({24, 24}, scale);
  ctx.setShadow({0, 0}, 2 * scale, srgb(1, 1, 1, 0.9));
  QPainterPath p;
  p.moveTo(6, 6);
  p.lineTo(18, 6);
  p.lineTo(6, 18);
  p.lineTo(18, 18);
  ctx.stroke(p, srgb(0.45, 0.52, 0.95), {3.6, Qt::RoundCap, Qt::RoundJoin});
  return ctx.takeImage();
}

QImage heart(double scale) {
  ArtContext ctx({26, 24}, scale);
  QPainterPath p;
  p.moveTo(13, 21);
  p.cubicTo(5, 16, 2, 13, 3, 9);
  p.cubicTo(4, 2, 11, 2, 13, 7);
  p.cubicTo(15, 2, 22, 2, 23, 9);
  p.cubicTo(24, 13, 21, 16, 13, 21);
  p.closeSubpath();
  ctx.setShadowUnits({0, -1}, 3, srgb(1.0, 0.3, 0.45, 0.5));
  ctx.fill(p, srgb(1.0, 0.48, 0.6));
  return ctx.takeImage();
}

QImage note(double scale) {
  ArtContext ctx({22, 26}, scale);
  const QColor violet = srgb(0.55, 0.5, 0.95);
  ctx.setShadowUnits({0, -1}, 2, srgb(1, 1, 1, 0.9));
  ctx.save();
  ctx.translate(7, 20);
  ctx.rotate(-0.35);
  ctx.fillEllipse({-5.5, -4, 11, 8}, violet);
  ctx.restore();
  ctx.fillRect({10.5, 3, 2.4, 17.5}, violet);
  QPainterPath flag;
  flag.moveTo(12.9, 3);
  flag.quadTo(20, 5, 19, 12);
  flag.quadTo(17, 7, 12.9, 8);
  flag.closeSubpath();
  ctx.fill(flag, violet);
  return ctx.takeImage();
}

QImage droplet(double scale) {
  ArtContext ctx({18, 24}, scale);
  QPainterPath p;
  p.moveTo(9, 2);
  p.cubicTo(11, 7, 15, 10, 15, 15);
  p.cubicTo(15, 24, 3, 24, 3, 15);
  p.cubicTo(3, 10, 7, 7, 9, 2);
  p.closeSubpath();
  ctx.setShadow({0, 0}, 3 * scale, srgb(0.3, 0.65, 1.0, 0.6));
  ctx.fill(p, srgb(0.45, 0.76, 1.0));
  ctx.clearShadow();
  ctx.fillEllipse({6, 11, 3, 4.5}, srgb(1, 1, 1, 0.85));
  return ctx.takeImage();
}

QImage moon(double scale) {
  ArtContext ctx({32, 32}, scale);
  QPainterPath p;
  ArtContext::addArc(p, {16, 16}, 11, 0.35 * M_PI, 1.65 * M_PI, true);
  ArtContext::addArc(p, {21, 14}, 9.5, 1.62 * M_PI, 0.38 * M_PI, false);
  p.closeSubpath();
  ctx.setShadow({0, 0}, 4 * scale, srgb(1.0, 0.85, 0.4, 0.7));
  ctx.fill(p, srgb(1.0, 0.9, 0.55));
  return ctx.takeImage();
}

QImage chevron(double scale) {
  ArtContext ctx({24, 20}, scale);
  ctx.setShadow({0, 0}, 2 * scale, srgb(1, 1, 1, 0.9));
  QPainterPath p;
  p.moveTo(4, 15);
  p.lineTo(12, 6);
  p.lineTo(20, 15);
  ctx.stroke(p, srgb(0.55, 0.62, 0.98), {3.4, Qt::RoundCap, Qt::RoundJoin});
  return ctx.takeImage();
}

QImage alert(double scale) {
  ArtContext ctx({44, 36}, scale);
  for (double a : {-0.15, -0.8, -1.45}) {
    ctx.strokeLine({8 + 14 * std::cos(a), 32 + 14 * std::sin(a)},
                   {8 + 27 * std::cos(a), 32 + 27 * std::sin(a)}, orange(), roundStroke(3.4));
  }
  return ctx.takeImage();
}

QImage groundShadow(double scale) {
  ArtContext ctx({110, 24}, scale);
  ctx.translate(55, 12);
  ctx.scaleBy(1.0, 0.22);
  ctx.drawRadialGradient({{0, srgb(0.1, 0.12, 0.25, 0.28)}, {1, srgb(0.1, 0.12, 0.25, 0.0)}},
                         {0, 0}, 0, {0, 0}, 54, false, false);
  return ctx.takeImage();
}

GlimmetSprites makeSprites(double scale) {
  GlimmetSprites s;
  {
    ArtContext ctx({220, 310}, scale);
    drawBody(ctx);
    s.body = ctx.takeImage();
  }
  for (EyeStyle e : allEyeStyles) s.eyes[e] = eye(e, scale);
  for (MouthStyle m : allMouthStyles) s.mouths[m] = mouth(m, scale);
  for (StarStyle st : allStarStyles) s.stars[st] = star(st, scale);
  for (HandStyle h : allHandStyles) {
    for (HandSide side : allHandSides) s.hands[{h, side}] = hand(h, side, scale);
  }
  s.cheek = cheek(scale);
  s.bottle = bottle(scale);
  s.cup = cup(scale);
  s.clock = clock(scale);
  s.scarf = scarf(scale, palette(CapeColor::red));
  s.scarfTails = scarfTails(scale, palette(CapeColor::red));
  s.steam = steam(scale);
  s.zee = zee(scale);
  s.heart = heart(scale);
  s.note = note(scale);
  s.droplet = droplet(scale);
  s.moon = moon(scale);
  s.chevron = chevron(scale);
  s.alert = alert(scale);
  s.shadow = groundShadow(scale);
  return s;
}

}  // namespace pimble::GlimmetArtwork
