#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/glimmet_host_view.h"
#include "companion/screen_space.h"
#include "fake_figure.h"
#include "support/desktop_peers.h"

namespace pimble {
namespace {

using testing::FakeFigure;
using testing::FigureLog;

// A window controller on the application's real displays, with a flight
// clock the test moves by hand.
struct WindowRig {
  FigureLog log;
  double now = 0;
  CompanionWindowController window{std::make_unique<FakeFigure>(&log),
                                   {[this] { return now; }, &ScreenSpace::screens}};
  std::vector<CompanionPosition> moved;
  int geometryChanges = 0;
  ScreenInfo main = ScreenSpace::screens().front();

  WindowRig() {
    window.onMoved = [this](const CompanionPosition& p) { moved.push_back(p); };
    window.onGeometryChanged = [this] { ++geometryChanges; };
  }
  QPointF middle() const {
    const QRectF v = main.visibleFrame;
    return {v.x() + v.width() / 2 - 84, v.y() + v.height() / 2 - 87};
  }
  // Lands any running flight.
  bool land() {
    now += 10;
    return pimble::testing::waitUntil([this] { return !window.isFlying(); });
  }
  void mouse(QEvent::Type type, QPoint globalQt, Qt::MouseButtons buttons) {
    GlimmetHostView& view = window.hostView();
    const QPointF local(view.width() / 2.0, view.height() * 0.6);
    QMouseEvent e(type, local, globalQt, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &e);
  }
};

TEST(CompanionWindow, ResizesKeepingTheBottomEdgeAndOptionallyTheCentre) {
  WindowRig r;
  r.window.restore(CompanionPosition{100, 100, r.main.id, 2});
  EXPECT_EQ(r.window.frame(), QRectF(100, 100, 168, 174));
  r.window.apply(CompanionSize::large, true);
  const QRectF f = r.window.frame();
  EXPECT_EQ(f.size(), QSizeF(207, 214));
  EXPECT_EQ(f.x(), 80.5);
  EXPECT_EQ(f.y(), 100);
  r.window.apply(CompanionSize::small, false);
  EXPECT_EQ(r.window.frame(), QRectF(f.x(), 100, 130, 134));
  EXPECT_EQ(r.window.hostView().size(), QSize(130, 134));
  EXPECT_EQ(r.geometryChanges, 3);
  EXPECT_TRUE(r.moved.empty());
}

TEST(CompanionWindow, RestoreMigratesOldPositionsAndFallsBackToTheCorner) {
  WindowRig r;
  r.window.restore(CompanionPosition{200, 150, std::nullopt, std::nullopt});
  EXPECT_NEAR(r.window.frame().x(), 200 + 0.5 * (220.0 * 174 / 310 - 168), 0.5);
  r.window.restore(std::nullopt);
  const QRectF v = r.main.visibleFrame;
  EXPECT_EQ(r.window.frame().topLeft(), QPointF(v.x() + v.width() - 168 - 36, v.y() + 36));
  EXPECT_TRUE(r.moved.empty());
}

TEST(CompanionWindow, InstantMovesWhenHiddenOffOrShortStillReport) {
  WindowRig r;
  r.window.restore(CompanionPosition{100, 100, r.main.id, 2});
  int completions = 0;
  r.window.fly({400, 300}, 1.1, [&] { ++completions; });  // hidden
  EXPECT_FALSE(r.window.isFlying());
  EXPECT_EQ(r.window.frame().topLeft(), QPointF(400, 300));
  r.window.panel().show();
  r.window.fly({403, 300}, 1.1, [&] { ++completions; });  // 3 points
  r.window.setIntensity(AnimationIntensity::off);
  r.window.fly({100, 100}, 1.1, [&] { ++completions; });
  EXPECT_EQ(completions, 3);
  ASSERT_EQ(r.moved.size(), 3u);
  EXPECT_EQ(r.moved.back(), (CompanionPosition{100, 100, r.main.id, 2}));
  EXPECT_EQ(r.log.flightsBegun, 0);
}

TEST(CompanionWindow, CornerFlightArcsAndLandsOnTheCorner) {
  WindowRig r;
  r.window.restore(CompanionPosition{r.middle().x(), r.middle().y(), r.main.id, 2});
  r.window.panel().show();
  r.window.move(CompanionCorner::topLeft);
  ASSERT_TRUE(r.window.isFlying());
  EXPECT_EQ(r.log.flightsBegun, 1);
  ASSERT_TRUE(r.land());
  const QRectF v = r.main.visibleFrame;
  EXPECT_EQ(r.window.frame().topLeft(), QPointF(v.x() + 36, v.y() + v.height() - 174 - 36));
  EXPECT_EQ(r.log.flightsEnded, 1);
  ASSERT_EQ(r.moved.size(), 1u);
  EXPECT_EQ(r.moved[0].originX, v.x() + 36);
  // Every frame's movement reached the figure and sums to the whole way.
  double dx = 0;
  for (QSizeF d : r.log.moves) dx += d.width();
  EXPECT_NEAR(dx, v.x() + 36 - r.middle().x(), 1.0);
}

TEST(CompanionWindow, ANewFlightOrADragStopsTheRunningOneWithoutLanding) {
  WindowRig r;
  r.window.restore(CompanionPosition{r.middle().x(), r.middle().y(), r.main.id, 2});
  r.window.panel().show();
  int firstLanded = 0;
  r.window.fly({r.main.visibleFrame.x() + 36, r.main.visibleFrame.y() + 36}, 1.1,
               [&] { ++firstLanded; });
  int secondLanded = 0;
  r.window.resetPosition();
  r.window.fly({r.middle().x() + 200, r.middle().y()}, 1.1, [&] { ++secondLanded; });
  ASSERT_TRUE(r.window.isFlying());

  // The user grabs the character mid-flight.
  const QPoint at = ScreenSpace::current().toQt(r.window.frame().center()).toPoint();
  r.mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
  r.mouse(QEvent::MouseMove, at + QPoint(20, 0), Qt::LeftButton);
  EXPECT_FALSE(r.window.isFlying());
  r.now += 10;
  QCoreApplication::processEvents();
  EXPECT_EQ(firstLanded + secondLanded, 0);
  EXPECT_TRUE(r.moved.empty());
  r.mouse(QEvent::MouseButtonRelease, at + QPoint(20, 0), Qt::NoButton);
  EXPECT_EQ(r.moved.size(), 1u);  // the drag's own settled position
  EXPECT_EQ(firstLanded + secondLanded, 0);
}

TEST(CompanionWindow, DragSettlesWithAtMostFortyPercentOffScreen) {
  WindowRig r;
  const QRectF v = r.main.visibleFrame;
  r.window.restore(CompanionPosition{v.x() + v.width() - 168, r.middle().y(), r.main.id, 2});
  r.window.panel().show();
  const QPoint at = ScreenSpace::current().toQt(r.window.frame().center()).toPoint();
  r.mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
  // 70 % of the width past the right edge (the slop is in the first step).
  r.mouse(QEvent::MouseMove, at + QPoint(118, 0), Qt::LeftButton);
  EXPECT_EQ(r.window.frame().x(), v.x() + v.width() - 168 + 118);
  r.mouse(QEvent::MouseButtonRelease, at + QPoint(118, 0), Qt::NoButton);
  EXPECT_NEAR(r.window.frame().x(), v.x() + v.width() - 0.6 * 168, 0.5);
  ASSERT_EQ(r.moved.size(), 1u);
  EXPECT_EQ(r.log.flightsBegun, 1);
  EXPECT_EQ(r.log.flightsEnded, 1);
  // Released fully inside: it stays and still reports.
  const QRectF before = r.window.frame();
  const QPoint at2 = ScreenSpace::current().toQt(before.center()).toPoint();
  r.mouse(QEvent::MouseButtonPress, at2, Qt::LeftButton);
  r.mouse(QEvent::MouseMove, at2 - QPoint(200, 0), Qt::LeftButton);
  r.mouse(QEvent::MouseButtonRelease, at2 - QPoint(200, 0), Qt::NoButton);
  EXPECT_EQ(r.window.frame().x(), before.x() - 200);
  EXPECT_EQ(r.moved.size(), 2u);
}

TEST(CompanionWindow, TheStepThatStartsADragIsNoThrowForTheCape) {
  // That step spans the time since the press; as a velocity sample it would
  // read as a throw and raise a hand on even the slowest drag.
  WindowRig r;
  r.window.restore(CompanionPosition{r.middle().x(), r.middle().y(), r.main.id, 2});
  r.window.panel().show();
  const QPoint at = ScreenSpace::current().toQt(r.window.frame().center()).toPoint();
  r.mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
  r.mouse(QEvent::MouseMove, at + QPoint(5, 0), Qt::LeftButton);
  EXPECT_TRUE(r.log.moves.empty());
  r.mouse(QEvent::MouseMove, at + QPoint(7, 0), Qt::LeftButton);
  r.mouse(QEvent::MouseButtonRelease, at + QPoint(7, 0), Qt::NoButton);
  EXPECT_EQ(r.log.moves, (std::vector<QSizeF>{QSizeF(2, 0)}));
}

}  // namespace
}  // namespace pimble
