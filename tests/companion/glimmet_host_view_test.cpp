#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QMouseEvent>

#include "companion/glimmet_host_view.h"
#include "companion/screen_space.h"
#include "fake_figure.h"

namespace pimble {
namespace {

using testing::FakeFigure;
using testing::FigureLog;

TEST(GlimmetHostView, CanvasMappingScalesToHeightAndCentresAcross) {
  EXPECT_DOUBLE_EQ(GlimmetHostView::viewScale({300, 0}), 1);
  EXPECT_DOUBLE_EQ(GlimmetHostView::canvasLeft({300, 0}), 40);
  const QSizeF medium(168, 174);
  const double s = 174.0 / 310;
  EXPECT_DOUBLE_EQ(GlimmetHostView::canvasLeft(medium), (168 - 220 * s) / 2);
  // The view's bottom-left corner of the canvas is canvas (0, 310).
  const QPointF p = GlimmetHostView::canvasPoint({(168 - 220 * s) / 2, 174}, medium);
  EXPECT_NEAR(p.x(), 0, 1e-9);
  EXPECT_NEAR(p.y(), 310, 1e-9);
}

// A view 310 points tall: one canvas unit a point, the canvas 45 points in.
struct ViewRig {
  FigureLog log;
  double now = 100;
  GlimmetHostView view{std::make_unique<FakeFigure>(&log), nullptr, [this] { return now; }};
  int clicks = 0, doubles = 0, rights = 0, began = 0, ended = 0, pets = 0;
  std::vector<QSizeF> drags;

  ViewRig() {
    view.resize(310, 310);
    view.onClick = [this] { ++clicks; };
    view.onDoubleClick = [this] { ++doubles; };
    view.onRightClick = [this](QPoint) { ++rights; };
    view.onDragBegan = [this] { ++began; };
    view.onDrag = [this](QSizeF d) { drags.push_back(d); };
    view.onDragEnded = [this] { ++ended; };
    view.onPet = [this] { ++pets; };
  }
  static QPointF local(QPointF canvas) { return {canvas.x() + 45, canvas.y()}; }
  // Sends a mouse event at a canvas point with the pointer at `global`
  // (Qt coordinates).
  void send(QEvent::Type type, QPointF canvas, QPointF global, Qt::MouseButton button,
            Qt::MouseButtons buttons) {
    QMouseEvent event(type, local(canvas), global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &event);
  }
  void press(QPointF global, Qt::MouseButton b = Qt::LeftButton) {
    send(QEvent::MouseButtonPress, {110, 180}, global, b, b);
  }
  void doublePress(QPointF global) {
    send(QEvent::MouseButtonDblClick, {110, 180}, global, Qt::LeftButton, Qt::LeftButton);
  }
  void dragTo(QPointF global) {
    send(QEvent::MouseMove, {110, 180}, global, Qt::NoButton, Qt::LeftButton);
  }
  void release(QPointF global, Qt::MouseButton b = Qt::LeftButton) {
    send(QEvent::MouseButtonRelease, {110, 180}, global, b, Qt::NoButton);
  }
  void hover(QPointF canvas) {
    send(QEvent::MouseMove, canvas, {0, 0}, Qt::NoButton, Qt::NoButton);
  }
  void stroke(double y, std::initializer_list<double> xs, double dt = 0.1) {
    for (double x : xs) {
      now += dt;
      hover({x, y});
    }
  }
};

TEST(GlimmetHostView, BodyAnswersWithATwelveUnitMargin) {
  ViewRig r;
  // The ellipse's right edge is canvas (170, 180).
  EXPECT_TRUE(r.view.hitsBody(ViewRig::local({110, 180})));
  EXPECT_TRUE(r.view.hitsBody(ViewRig::local({180, 180})));
  EXPECT_FALSE(r.view.hitsBody(ViewRig::local({183, 180})));
  EXPECT_FALSE(r.view.hitsBody({-1, 180}));
  const QRegion region = r.view.hitRegion(1.0);
  EXPECT_TRUE(region.contains(ViewRig::local({179, 180}).toPoint()));
  EXPECT_FALSE(region.contains(ViewRig::local({185, 180}).toPoint()));
  EXPECT_FALSE(region.contains(QPoint(2, 2)));
  EXPECT_TRUE(r.view.hitRegion(2.0).contains(ViewRig::local({179, 180}).toPoint() * 2));
  // A press beside the body is not the view's.
  r.send(QEvent::MouseButtonPress, {200, 20}, {0, 0}, Qt::LeftButton, Qt::LeftButton);
  r.send(QEvent::MouseButtonRelease, {200, 20}, {0, 0}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(r.clicks, 0);
}

TEST(GlimmetHostView, ClickUnlessMovedBeyondTheSlop) {
  ViewRig r;
  r.press({500, 300});
  r.dragTo({503, 300});
  r.release({503, 300});
  EXPECT_EQ(r.clicks, 1);
  EXPECT_EQ(r.began, 0);

  r.press({500, 300});
  r.dragTo({504, 300});
  r.dragTo({510, 290});
  r.release({510, 290});
  EXPECT_EQ(r.clicks, 1);
  EXPECT_EQ(r.began, 1);
  EXPECT_EQ(r.ended, 1);
  ASSERT_EQ(r.drags.size(), 2u);
  EXPECT_EQ(r.drags[0], QSizeF(4, 0));  // the whole slop in the first step
  // Qt's y grows downward, the drag's upward.
  EXPECT_NEAR(r.drags[1].width(), 6, 1e-9);
  EXPECT_NEAR(r.drags[1].height(), 10, 1e-9);
}

TEST(GlimmetHostView, DoubleAndTripleClicksAndTheRightButton) {
  ViewRig r;
  r.press({500, 300});
  r.release({500, 300});
  r.doublePress({500, 300});
  r.release({500, 300});
  EXPECT_EQ(r.clicks, 1);
  EXPECT_EQ(r.doubles, 1);
  r.now += 0.1;
  r.press({500, 300});  // third press of a triple click
  r.release({500, 300});
  EXPECT_EQ(r.clicks, 1);
  EXPECT_EQ(r.doubles, 1);

  r.now += 5;
  r.press({500, 300});
  r.press({500, 300}, Qt::RightButton);
  r.release({500, 300}, Qt::RightButton);
  EXPECT_EQ(r.rights, 1);
  r.release({500, 300});  // the left press is still there
  EXPECT_EQ(r.clicks, 2);
}

TEST(GlimmetHostView, AnAccessibilityPressIsAClick) {
  ViewRig r;
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&r.view);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->role(), QAccessible::Button);
  EXPECT_EQ(a->text(QAccessible::Name), "Pimble Glimmet");
  EXPECT_EQ(a->text(QAccessible::Description),
            "Click to say hi. Double-click for quick actions. Drag to move.");
  ASSERT_NE(a->actionInterface(), nullptr);
  a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(r.clicks, 1);
}

TEST(GlimmetHostView, PettingTakesFourQuickDirectionChangesOverTheHead) {
  ViewRig r;
  r.stroke(100, {100, 102, 100, 102, 100});
  EXPECT_EQ(r.pets, 1);
  // Resting for 3 s afterwards.
  r.stroke(100, {102, 100, 102, 100, 102});
  EXPECT_EQ(r.pets, 1);
  r.now += 3;
  r.stroke(100, {100, 102, 100, 102, 100});
  EXPECT_EQ(r.pets, 2);

  ViewRig low;
  low.stroke(170, {100, 102, 100, 102, 100, 102});  // below the head
  low.stroke(100, {100, 101.5, 100, 101.5, 100});   // too slow
  EXPECT_EQ(low.pets, 0);

  ViewRig slow;
  slow.stroke(100, {100, 102, 100, 102, 100}, 0.5);  // the last change 2 s after the first
  EXPECT_EQ(slow.pets, 0);

  ViewRig leaving;
  leaving.stroke(100, {100, 102, 100});
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&leaving.view, &leave);
  leaving.stroke(100, {102, 100});
  EXPECT_EQ(leaving.pets, 0);

  ViewRig off;
  off.view.onPet = nullptr;
  off.stroke(100, {100, 102, 100});
  off.view.onPet = [&off] { ++off.pets; };
  off.stroke(100, {102, 100});
  EXPECT_EQ(off.pets, 0);
}

TEST(GlimmetHostView, SpritesFollowThePixelScale) {
  FigureLog log;
  GlimmetHostView view(std::make_unique<FakeFigure>(&log));
  view.resize(168, 155);
  view.refreshSpritesIfNeeded();
  ASSERT_FALSE(log.spriteScales.empty());
  const double ratio = view.devicePixelRatioF();
  EXPECT_DOUBLE_EQ(log.spriteScales.back(), std::round(ratio * 0.5 * 100) / 100);
  const std::size_t renders = log.spriteScales.size();
  view.resize(168, 156);  // 0.503 rounds to the same scale
  view.refreshSpritesIfNeeded();
  EXPECT_EQ(log.spriteScales.size(), renders);
  view.resize(168, 310);
  view.refreshSpritesIfNeeded();
  EXPECT_EQ(log.spriteScales.size(), renders + 1);
  EXPECT_DOUBLE_EQ(view.spriteScale(), std::round(ratio * 100) / 100);
}

// The memory of let-go pictures is handed back once after a run of new
// pictures, when the figure has drawn none for three seconds; a blink's
// few pictures and the steady loop on cached ones never ask for it.
TEST(GlimmetHostView, AsksOnceToHandBackMemoryAfterARunOfNewPictures) {
  ViewRig r;
  auto* figure = static_cast<FakeFigure*>(&r.view.figure());
  int settled = 0;
  r.view.onPicturesSettled = [&] { ++settled; };
  QImage target(310, 310, QImage::Format_ARGB32_Premultiplied);
  const auto frames = [&](int count, long newPerFrame) {
    for (int i = 0; i < count; ++i) {
      r.now += 0.1;
      figure->drawn += newPerFrame;
      r.view.render(&target);
    }
  };
  frames(100, 0);  // resting on cached pictures
  frames(1, 3);    // a blink
  frames(50, 0);
  EXPECT_EQ(settled, 0);

  frames(20, 1);  // a behaviour
  frames(10, 0);  // a pause within it
  frames(10, 1);
  frames(29, 0);
  EXPECT_EQ(settled, 0) << "not before three quiet seconds";
  frames(2, 0);
  EXPECT_EQ(settled, 1);
  frames(100, 0);
  EXPECT_EQ(settled, 1) << "once a run";

  frames(10, 1);
  frames(31, 0);
  EXPECT_EQ(settled, 2);
}

}  // namespace
}  // namespace pimble
