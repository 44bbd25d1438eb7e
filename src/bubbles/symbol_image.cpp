#include "bubbles/symbol_image.h"

#include <QGuiApplication>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>

namespace pimble {
namespace {

// Each drawing works in a 16 x 16 box, y down, in the painter's pen colour.
// Cut-outs clear what is under them, so filled symbols keep their holes on
// any background.
using Draw = void (*)(QPainter&);

QPen line(QPainter& p, double width) {
  QPen pen(p.brush().color(), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  return pen;
}

void stroke(QPainter& p, double width, const QPainterPath& path) {
  p.strokePath(path, line(p, width));
}

void cutOut(QPainter& p, const std::function<void()>& draw) {
  p.save();
  p.setCompositionMode(QPainter::CompositionMode_Clear);
  draw();
  p.restore();
}

void disc(QPainter& p) {
  p.drawEllipse(QPointF(8, 8), 7, 7);
}

void drop(QPainter& p) {
  QPainterPath d;
  d.moveTo(8, 1.2);
  d.cubicTo(10.2, 4.6, 13, 7.6, 13, 10.2);
  d.cubicTo(13, 13.1, 10.8, 15.2, 8, 15.2);
  d.cubicTo(5.2, 15.2, 3, 13.1, 3, 10.2);
  d.cubicTo(3, 7.6, 5.8, 4.6, 8, 1.2);
  p.drawPath(d);
}

void figure(QPainter& p, QPointF head, const std::array<QPointF, 2>& spine,
            const std::array<QPointF, 4>& limbs, QPointF shoulder) {
  p.drawEllipse(head, 1.9, 1.9);
  QPainterPath s;
  s.moveTo(spine[0]);
  s.lineTo(spine[1]);
  s.moveTo(shoulder);
  s.lineTo(limbs[0]);
  s.moveTo(shoulder);
  s.lineTo(limbs[1]);
  s.moveTo(spine[1]);
  s.lineTo(limbs[2]);
  s.moveTo(spine[1]);
  s.lineTo(limbs[3]);
  stroke(p, 2.0, s);
}

void flexibility(QPainter& p) {
  figure(p, {8, 2.6}, {QPointF(8, 5.4), QPointF(8, 10)},
         {QPointF(3.8, 3.2), QPointF(12.2, 3.2), QPointF(4.6, 14.6), QPointF(11.4, 14.6)},
         {8, 6.4});
}

void stand(QPainter& p) {
  figure(p, {8, 2.4}, {QPointF(8, 5.2), QPointF(8, 10)},
         {QPointF(5.4, 10), QPointF(10.6, 10), QPointF(6.6, 15), QPointF(9.4, 15)}, {8, 6.2});
}

void walk(QPainter& p) {
  figure(p, {8.8, 2.4}, {QPointF(8.2, 5.2), QPointF(7.4, 10)},
         {QPointF(5.4, 8.8), QPointF(11, 9.2), QPointF(4.6, 14.8), QPointF(10.6, 14.8)},
         {8.1, 6.3});
}

void eye(QPainter& p) {
  QPainterPath e;
  e.moveTo(1.2, 8);
  e.quadTo(8, 0.6, 14.8, 8);
  e.quadTo(8, 15.4, 1.2, 8);
  stroke(p, 1.5, e);
  p.drawEllipse(QPointF(8, 8), 2.6, 2.6);
}

void cup(QPainter& p) {
  QPainterPath body;
  body.moveTo(2.6, 4.6);
  body.lineTo(11.8, 4.6);
  body.lineTo(11.2, 9.6);
  body.quadTo(10.9, 11.4, 9, 11.4);
  body.lineTo(5.4, 11.4);
  body.quadTo(3.5, 11.4, 3.2, 9.6);
  body.closeSubpath();
  p.drawPath(body);
  QPainterPath handle;
  handle.moveTo(11.6, 5.8);
  handle.quadTo(14.6, 5.6, 14.2, 7.6);
  handle.quadTo(13.8, 9.4, 11.2, 9.2);
  stroke(p, 1.4, handle);
  p.drawRoundedRect(QRectF(1, 12.4, 14, 1.9), 0.95, 0.95);
}

void bell(QPainter& p) {
  QPainterPath b;
  b.moveTo(2.4, 12);
  b.lineTo(13.6, 12);
  b.quadTo(12.2, 10.6, 12.2, 8.6);
  b.lineTo(12.2, 7.2);
  b.cubicTo(12.2, 4.6, 10.4, 2.8, 8, 2.8);
  b.cubicTo(5.6, 2.8, 3.8, 4.6, 3.8, 7.2);
  b.lineTo(3.8, 8.6);
  b.quadTo(3.8, 10.6, 2.4, 12);
  b.closeSubpath();
  p.drawPath(b);
  p.drawEllipse(QPointF(8, 13.6), 1.7, 1.5);
  p.drawEllipse(QPointF(8, 2.2), 1.0, 1.0);
}

void flag(QPainter& p) {
  QPainterPath pole;
  pole.moveTo(3, 1.5);
  pole.lineTo(3, 15);
  stroke(p, 1.5, pole);
  const QRectF cloth(3.8, 1.8, 10.4, 7.8);
  QPainterPath outline;
  outline.addRect(cloth);
  stroke(p, 1.0, outline);
  const double cw = cloth.width() / 4, ch = cloth.height() / 3;
  for (int r = 0; r < 3; ++r) {
    for (int c = (r % 2); c < 4; c += 2) {
      p.drawRect(QRectF(cloth.left() + c * cw, cloth.top() + r * ch, cw, ch));
    }
  }
}

void moonZzz(QPainter& p) {
  QPainterPath moon;
  moon.addEllipse(QPointF(7, 9.2), 5.8, 5.8);
  QPainterPath bite;
  bite.addEllipse(QPointF(9.8, 6.4), 4.6, 4.6);
  p.drawPath(moon.subtracted(bite));
  QPainterPath z;
  z.moveTo(10.6, 1.4);
  z.lineTo(14.4, 1.4);
  z.lineTo(10.6, 5.2);
  z.lineTo(14.4, 5.2);
  stroke(p, 1.2, z);
}

void clock(QPainter& p) {
  disc(p);
  cutOut(p, [&p] {
    QPainterPath hands;
    hands.moveTo(8, 3.8);
    hands.lineTo(8, 8);
    hands.lineTo(11, 9.8);
    p.strokePath(hands, QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  });
}

void pauseCircle(QPainter& p) {
  disc(p);
  cutOut(p, [&p] {
    p.drawRoundedRect(QRectF(5.3, 4.6, 1.9, 6.8), 0.8, 0.8);
    p.drawRoundedRect(QRectF(8.8, 4.6, 1.9, 6.8), 0.8, 0.8);
  });
}

void chartBars(QPainter& p) {
  p.drawRoundedRect(QRectF(1.6, 8.6, 3.4, 5.8), 0.9, 0.9);
  p.drawRoundedRect(QRectF(6.3, 4.8, 3.4, 9.6), 0.9, 0.9);
  p.drawRoundedRect(QRectF(11, 1.6, 3.4, 12.8), 0.9, 0.9);
}

void gear(QPainter& p) {
  QPainterPath g;
  const int teeth = 8;
  for (int i = 0; i < teeth * 4; ++i) {
    const double a = (i - 1.5) * std::numbers::pi * 2 / (teeth * 4);
    const double r = (i % 4 < 2) ? 7.4 : 5.6;
    const QPointF pt(8 + r * std::cos(a), 8 + r * std::sin(a));
    if (i == 0)
      g.moveTo(pt);
    else
      g.lineTo(pt);
  }
  g.closeSubpath();
  p.drawPath(g);
  cutOut(p, [&p] { p.drawEllipse(QPointF(8, 8), 2.4, 2.4); });
}

void hourglass(QPainter& p) {
  QPainterPath glass;
  glass.moveTo(4, 2.6);
  glass.lineTo(12, 2.6);
  glass.cubicTo(12, 6, 9.2, 6.8, 9.2, 8);
  glass.cubicTo(9.2, 9.2, 12, 10, 12, 13.4);
  glass.lineTo(4, 13.4);
  glass.cubicTo(4, 10, 6.8, 9.2, 6.8, 8);
  glass.cubicTo(6.8, 6.8, 4, 6, 4, 2.6);
  glass.closeSubpath();
  stroke(p, 1.3, glass);
  QPainterPath caps;
  caps.moveTo(2.8, 1.6);
  caps.lineTo(13.2, 1.6);
  caps.moveTo(2.8, 14.4);
  caps.lineTo(13.2, 14.4);
  stroke(p, 1.6, caps);
  // The sand gathered in the lower bulb.
  QPainterPath sand;
  sand.moveTo(8, 10.2);
  sand.cubicTo(9.8, 11, 11, 11.8, 11.2, 12.8);
  sand.lineTo(4.8, 12.8);
  sand.cubicTo(5, 11.8, 6.2, 11, 8, 10.2);
  sand.closeSubpath();
  p.drawPath(sand);
}

void paintbrush(QPainter& p) {
  // A handle running from the top right, a ferrule, and a bristle tip at the
  // bottom left.
  QPainterPath handle;
  handle.moveTo(14.4, 1.6);
  handle.lineTo(8.2, 8.6);
  stroke(p, 2.2, handle);
  QPainterPath ferrule;
  ferrule.moveTo(8.8, 7.2);
  ferrule.lineTo(6.2, 9.8);
  stroke(p, 3.0, ferrule);
  QPainterPath tip;
  tip.moveTo(5.2, 9.0);
  tip.cubicTo(7.4, 9.4, 7.8, 11.6, 6.4, 13.0);
  tip.cubicTo(5.0, 14.4, 2.6, 14.8, 1.4, 14.6);
  tip.cubicTo(2.4, 13.6, 2.2, 12.4, 2.8, 11.0);
  tip.cubicTo(3.2, 10.0, 4.2, 9.0, 5.2, 9.0);
  tip.closeSubpath();
  p.drawPath(tip);
}

// A crescent: a disc with a bite out of its upper right.
void crescent(QPainter& p, QPointF centre, double r, QPointF biteCentre, double biteR) {
  QPainterPath m;
  m.addEllipse(centre, r, r);
  QPainterPath bite;
  bite.addEllipse(biteCentre, biteR, biteR);
  p.drawPath(m.subtracted(bite));
}

void moon(QPainter& p) {
  crescent(p, {7.6, 8.4}, 6.4, {11.0, 5.4}, 5.2);
}

void xmarkCircle(QPainter& p) {
  disc(p);
  cutOut(p, [&p] {
    QPainterPath x;
    x.moveTo(5.4, 5.4);
    x.lineTo(10.6, 10.6);
    x.moveTo(10.6, 5.4);
    x.lineTo(5.4, 10.6);
    p.strokePath(x, QPen(Qt::black, 1.7, Qt::SolidLine, Qt::RoundCap));
  });
}

void ellipsis(QPainter& p) {
  for (double x : {3.0, 8.0, 13.0}) p.drawEllipse(QPointF(x, 8), 1.5, 1.5);
}

// The menus' symbols.

void pauseCircleOutline(QPainter& p) {
  QPainterPath ring;
  ring.addEllipse(QPointF(8, 8), 6.4, 6.4);
  stroke(p, 1.4, ring);
  p.drawRoundedRect(QRectF(5.5, 5, 1.7, 6), 0.7, 0.7);
  p.drawRoundedRect(QRectF(8.8, 5, 1.7, 6), 0.7, 0.7);
}

void play(QPainter& p) {
  QPainterPath t;
  t.moveTo(4.4, 2.6);
  t.lineTo(13.4, 8);
  t.lineTo(4.4, 13.4);
  t.closeSubpath();
  p.setPen(QPen(p.brush().color(), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(t);
  p.setPen(Qt::NoPen);
}

void checkmark(QPainter& p) {
  QPainterPath c;
  c.moveTo(2.8, 8.6);
  c.lineTo(6.3, 12.2);
  c.lineTo(13.2, 4.2);
  stroke(p, 2.0, c);
}

QPainterPath segment(QLineF l) {
  QPainterPath s;
  s.moveTo(l.p1());
  s.lineTo(l.p2());
  return s;
}

// Two strokes crossing: a plus or an x.
void cross(QPainter& p, QLineF a, QLineF b) {
  QPainterPath c = segment(a);
  c.addPath(segment(b));
  stroke(p, 2.0, c);
}

void plus(QPainter& p) {
  cross(p, {8, 2.6, 8, 13.4}, {2.6, 8, 13.4, 8});
}

void xmark(QPainter& p) {
  cross(p, {3.6, 3.6, 12.4, 12.4}, {12.4, 3.6, 3.6, 12.4});
}

void timer(QPainter& p) {
  QPainterPath face;
  face.addEllipse(QPointF(8, 9.2), 5.6, 5.6);
  stroke(p, 1.5, face);
  p.drawRoundedRect(QRectF(6.4, 0.9, 3.2, 1.7), 0.6, 0.6);
  stroke(p, 1.5, segment({8, 9.2, 10.2, 6.4}));
}

void briefcase(QPainter& p) {
  QPainterPath handle;
  handle.addRoundedRect(QRectF(5.6, 2.4, 4.8, 3.6), 1.2, 1.2);
  stroke(p, 1.4, handle);
  p.drawRoundedRect(QRectF(1.6, 5, 12.8, 9.2), 1.6, 1.6);
  cutOut(p, [&p] { p.drawRect(QRectF(1.6, 8.6, 12.8, 0.9)); });
}

void sofa(QPainter& p) {
  p.drawRoundedRect(QRectF(3.4, 3.6, 9.2, 5.6), 1.4, 1.4);
  p.drawRoundedRect(QRectF(1.2, 6.6, 3.2, 6), 1.3, 1.3);
  p.drawRoundedRect(QRectF(11.6, 6.6, 3.2, 6), 1.3, 1.3);
  p.drawRect(QRectF(3.6, 9, 8.8, 3.6));
  p.drawRect(QRectF(2, 12, 1.5, 2.2));
  p.drawRect(QRectF(12.5, 12, 1.5, 2.2));
  cutOut(p, [&p] { p.drawRect(QRectF(4.4, 8.6, 7.2, 0.8)); });
}

void sparkle(QPainter& p, QPointF centre, double r) {
  QPainterPath s;
  s.moveTo(centre.x(), centre.y() - r);
  s.quadTo(centre, QPointF(centre.x() + r, centre.y()));
  s.quadTo(centre, QPointF(centre.x(), centre.y() + r));
  s.quadTo(centre, QPointF(centre.x() - r, centre.y()));
  s.quadTo(centre, QPointF(centre.x(), centre.y() - r));
  p.drawPath(s);
}

void moonStars(QPainter& p) {
  crescent(p, {6.6, 9.4}, 5.8, {9.8, 6.6}, 4.8);
  sparkle(p, {12.2, 3.4}, 2.6);
  sparkle(p, {14.2, 9.2}, 1.6);
}

void eyeSlash(QPainter& p) {
  eye(p);
  // The slash with a gap of clear space along it.
  const QPainterPath slash = segment({2.2, 1.6, 13.8, 14.4});
  cutOut(p,
         [&p, &slash] { p.strokePath(slash, QPen(Qt::black, 3.4, Qt::SolidLine, Qt::RoundCap)); });
  stroke(p, 1.5, slash);
}

void tornado(QPainter& p) {
  // Rings narrowing downward, each a little to the side of the last.
  QPainterPath t;
  const double rows[][3] = {
      {2.6, 1.4, 14.6}, {5.6, 2.8, 12.6}, {8.6, 4.6, 11.2}, {11.4, 6.0, 9.8}, {14.0, 7.0, 8.8}};
  for (const auto& row : rows) {
    t.moveTo(row[1], row[0]);
    t.lineTo(row[2], row[0]);
  }
  stroke(p, 1.8, t);
}

void roundedOutline(QPainter& p, const QRectF& r, double radius, double width,
                    Qt::PenStyle style = Qt::SolidLine) {
  QPen pen = line(p, width);
  pen.setStyle(style);
  p.save();
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r, radius, radius);
  p.restore();
}

void app(QPainter& p) {
  roundedOutline(p, QRectF(2, 2, 12, 12), 3, 1.5);
}

void appDashed(QPainter& p) {
  roundedOutline(p, QRectF(2, 2, 12, 12), 3, 1.3, Qt::DashLine);
}

void keyboard(QPainter& p) {
  roundedOutline(p, QRectF(1, 4, 14, 9), 1.6, 1.3);
  for (double y : {6.0, 8.3}) {
    for (double x : {3.2, 5.6, 8.0, 10.4}) p.drawRect(QRectF(x, y, 1.5, 1.4));
  }
  p.drawRoundedRect(QRectF(4.6, 10.5, 6.8, 1.2), 0.5, 0.5);
}

void playRectangle(QPainter& p) {
  roundedOutline(p, QRectF(1, 3, 14, 10), 2, 1.3);
  QPainterPath triangle;
  triangle.moveTo(6.4, 5.6);
  triangle.lineTo(10.8, 8);
  triangle.lineTo(6.4, 10.4);
  triangle.closeSubpath();
  p.drawPath(triangle);
}

void lockFill(QPainter& p) {
  QPainterPath shackle;
  shackle.moveTo(5.2, 7.4);
  shackle.lineTo(5.2, 5);
  shackle.arcTo(QRectF(5.2, 2.2, 5.6, 5.6), 180, -180);
  shackle.lineTo(10.8, 7.4);
  stroke(p, 1.6, shackle);
  p.drawRoundedRect(QRectF(3, 7, 10, 8), 1.6, 1.6);
}

void minus(QPainter& p) {
  stroke(p, 2.0, segment({2.6, 8, 13.4, 8}));
}

void minusCircle(QPainter& p) {
  QPainterPath ring;
  ring.addEllipse(QPointF(8, 8), 6.6, 6.6);
  stroke(p, 1.3, ring);
  stroke(p, 1.5, segment({4.9, 8, 11.1, 8}));
}

QPainterPath flagCloth() {
  QPainterPath cloth;
  cloth.moveTo(3.8, 2.4);
  cloth.cubicTo(6.4, 1.2, 8.6, 3.6, 13.6, 2.4);
  cloth.lineTo(13.6, 9.2);
  cloth.cubicTo(8.6, 10.4, 6.4, 8.0, 3.8, 9.2);
  cloth.closeSubpath();
  return cloth;
}

void flagOutline(QPainter& p) {
  stroke(p, 1.5, segment({3, 1.5, 3, 15}));
  stroke(p, 1.3, flagCloth());
}

void flagFill(QPainter& p) {
  stroke(p, 1.5, segment({3, 1.5, 3, 15}));
  p.drawPath(flagCloth());
}

void handTap(QPainter& p) {
  // A pointing finger on a palm, with a ring where it taps.
  QPainterPath hand;
  hand.addRoundedRect(QRectF(6.4, 5.2, 2.8, 7.4), 1.4, 1.4);
  hand.addRoundedRect(QRectF(5.2, 9.2, 7.8, 6.2), 2.6, 2.6);
  p.drawPath(hand.simplified());
  QPainterPath ring;
  ring.arcMoveTo(QRectF(4.4, 0.8, 6.8, 6.8), 20);
  ring.arcTo(QRectF(4.4, 0.8, 6.8, 6.8), 20, 140);
  stroke(p, 1.3, ring);
}

void wind(QPainter& p) {
  QPainterPath w;
  w.moveTo(1.5, 6);
  w.lineTo(10.4, 6);
  w.cubicTo(13.4, 6, 13.4, 2, 11, 2);
  w.cubicTo(9.9, 2, 9.3, 2.7, 9.3, 3.5);
  w.moveTo(1.5, 9.4);
  w.lineTo(13.2, 9.4);
  w.moveTo(1.5, 12.8);
  w.lineTo(8.6, 12.8);
  w.cubicTo(11.2, 12.8, 11.2, 15.4, 9.4, 15.4);
  stroke(p, 1.5, w);
}

void tray(QPainter& p) {
  // A screen with the panel along its top and an icon in it.
  QPainterPath screen;
  screen.addRoundedRect(QRectF(1.6, 2.6, 12.8, 10.8), 1.8, 1.8);
  stroke(p, 1.3, screen);
  p.drawRoundedRect(QRectF(1.6, 2.6, 12.8, 3.4), 1.4, 1.4);
  cutOut(p, [&p] { p.drawEllipse(QPointF(11.8, 4.3), 0.9, 0.9); });
}

// A rounded square with an arrow toward one of its corners (sx, sy: ±1).
void cornerArrow(QPainter& p, double sx, double sy) {
  QPainterPath box;
  box.addRoundedRect(QRectF(1.8, 1.8, 12.4, 12.4), 3, 3);
  stroke(p, 1.3, box);
  const QPointF tip(8 + 2.6 * sx, 8 + 2.6 * sy);
  QPainterPath arrow;
  arrow.moveTo(8 - 2.6 * sx, 8 - 2.6 * sy);
  arrow.lineTo(tip);
  arrow.moveTo(tip.x(), tip.y() - 3.8 * sy);
  arrow.lineTo(tip);
  arrow.lineTo(tip.x() - 3.8 * sx, tip.y());
  stroke(p, 1.5, arrow);
}

void arrowDownRight(QPainter& p) {
  cornerArrow(p, 1, 1);
}
void arrowDownLeft(QPainter& p) {
  cornerArrow(p, -1, 1);
}
void arrowUpRight(QPainter& p) {
  cornerArrow(p, 1, -1);
}
void arrowUpLeft(QPainter& p) {
  cornerArrow(p, -1, -1);
}

struct Entry {
  std::string_view name;
  Draw draw;
};

constexpr std::array<Entry, 48> drawings = {{
    {"drop.fill", drop},
    {"figure.flexibility", flexibility},
    {"figure.stand", stand},
    {"figure.walk", walk},
    {"eye", eye},
    {"cup.and.saucer.fill", cup},
    {"bell.fill", bell},
    {"bell", bell},
    {"flag.checkered", flag},
    {"moon.zzz.fill", moonZzz},
    {"moon", moon},
    {"clock.fill", clock},
    {"hourglass", hourglass},
    {"pause.circle.fill", pauseCircle},
    {"chart.bar.fill", chartBars},
    {"chart.bar", chartBars},
    {"gearshape.fill", gear},
    {"gearshape", gear},
    {"paintbrush", paintbrush},
    {"xmark.circle.fill", xmarkCircle},
    {"ellipsis", ellipsis},
    {"tornado", tornado},
    {"eye.slash", eyeSlash},
    {"pause.circle", pauseCircleOutline},
    {"play.fill", play},
    {"checkmark", checkmark},
    {"plus", plus},
    {"xmark", xmark},
    {"timer", timer},
    {"briefcase.fill", briefcase},
    {"sofa.fill", sofa},
    {"moon.stars.fill", moonStars},
    {"app", app},
    {"app.dashed", appDashed},
    {"keyboard", keyboard},
    {"play.rectangle", playRectangle},
    {"lock.fill", lockFill},
    {"minus", minus},
    {"minus.circle", minusCircle},
    {"flag", flagOutline},
    {"flag.fill", flagFill},
    {"hand.tap", handTap},
    {"wind", wind},
    {"menubar.rectangle", tray},
    {"arrow.down.right.square", arrowDownRight},
    {"arrow.down.left.square", arrowDownLeft},
    {"arrow.up.right.square", arrowUpRight},
    {"arrow.up.left.square", arrowUpLeft},
}};

const Entry* find(std::string_view name) {
  for (const Entry& e : drawings) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

void dot(QPainter& p) {
  p.drawEllipse(QPointF(8, 8), 4, 4);
}

}  // namespace

bool SymbolImage::isKnown(std::string_view name) {
  return find(name) != nullptr;
}

QIcon SymbolImage::icon(std::string_view name, int points, const QColor& color,
                        const std::optional<QColor>& checkedColor) {
  return drawnIcon(name, points, color, checkedColor, true);
}

QIcon SymbolImage::menuIcon(std::string_view name, int points, const QColor& color) {
  // At its own size the picture of twice the pixels only serves a screen of
  // more than one pixel a point: on others it would be kept for nothing (a
  // menu holds dozens of these).
  bool dense = false;
  for (const QScreen* screen : QGuiApplication::screens()) dense |= screen->devicePixelRatio() > 1;
  return drawnIcon(name, points, color, std::nullopt, dense);
}

QIcon SymbolImage::drawnIcon(std::string_view name, int points, const QColor& color,
                             const std::optional<QColor>& checkedColor, bool sharp) {
  QIcon drawn;
  for (qreal dpr : {1.0, 2.0}) {
    if (dpr > 1 && !sharp) break;
    drawn.addPixmap(pixmap(name, points, color, dpr), QIcon::Normal, QIcon::Off);
    if (checkedColor)
      drawn.addPixmap(pixmap(name, points, *checkedColor, dpr), QIcon::Normal, QIcon::On);
  }
  return drawn;
}

QPixmap SymbolImage::pixmap(std::string_view name, int points, const QColor& color,
                            qreal devicePixelRatio) {
  const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1;
  const int side = std::max(1, int(std::ceil(std::max(points, 1) * dpr)));
  QPixmap pm(side, side);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 16.0, side / 16.0);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  const Entry* entry = find(name);
  (entry != nullptr ? entry->draw : dot)(p);
  p.end();
  pm.setDevicePixelRatio(dpr);
  return pm;
}

}  // namespace pimble
