#include <gtest/gtest.h>

#include "companion/companion_placement.h"
#include "companion/display_id.h"
#include "companion/flight_path.h"
#include "companion/screen_space.h"

namespace pimble {
namespace {

using namespace CompanionPlacement;

ScreenInfo display(std::uint32_t id, QRectF frame, QRectF visible = {}) {
  return {id, frame, visible.isNull() ? frame : visible};
}

const ScreenInfo mainDisplay = display(1, {0, 0, 1440, 900}, {0, 0, 1440, 875});

TEST(CompanionPlacement, WindowSizesFollowTheArtHeight) {
  EXPECT_EQ(windowSize(CompanionSize::small), QSizeF(130, 134));
  EXPECT_EQ(windowSize(CompanionSize::medium), QSizeF(168, 174));
  EXPECT_EQ(windowSize(CompanionSize::large), QSizeF(207, 214));
}

TEST(CompanionPlacement, ScreenOfAWindowByCentreThenByOverlap) {
  EXPECT_FALSE(screen({0, 0, 10, 10}, {}));
  const ScreenInfo left = display(1, {0, 0, 1000, 800});
  const ScreenInfo right = display(2, {1100, 0, 1000, 800});
  // The centre in the gap between them: the larger overlap wins.
  EXPECT_EQ(screen({960, 100, 120, 100}, {left, right})->id, 1u);
  EXPECT_EQ(screen({1020, 100, 120, 100}, {left, right})->id, 2u);
  // Equal overlap, and no overlap at all: the first listed.
  EXPECT_EQ(screen({950, 100, 200, 100}, {right, left})->id, 2u);
  EXPECT_EQ(screen({5000, 5000, 10, 10}, {right, left})->id, 2u);
  // A centre on two overlapping (mirrored) frames: the first of them.
  const ScreenInfo mirror = display(3, {0, 0, 1000, 800});
  EXPECT_EQ(screen({100, 100, 50, 50}, {mirror, left})->id, 3u);
  // A centre on the seam belongs to the display that starts there.
  const ScreenInfo adjacent = display(4, {1000, 0, 1000, 800});
  EXPECT_EQ(screen({950, 100, 100, 100}, {left, adjacent})->id, 4u);
}

TEST(CompanionPlacement, ResolveFallsBackToTheMainDisplaysCorner) {
  const QSizeF w(168, 174);
  EXPECT_EQ(resolve(std::nullopt, w, {}), QPointF(0, 0));
  EXPECT_EQ(resolve(CompanionPosition{100, 100, 1, 2}, w, {}), QPointF(0, 0));
  EXPECT_EQ(resolve(std::nullopt, w, {mainDisplay}), QPointF(1236, 36));
  // Display gone, centre on none: the corner, even though part of the
  // saved window still touches the display.
  EXPECT_EQ(resolve(CompanionPosition{1400, 100, 99, 2}, w, {mainDisplay}), QPointF(1236, 36));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(resolve(CompanionPosition{nan, 100, 1, 2}, w, {mainDisplay}), QPointF(1236, 36));
}

TEST(CompanionPlacement, ResolveChoosesTheSavedDisplayAndKeepsSixtyPercentOn) {
  const QSizeF w(168, 174);
  const ScreenInfo second = display(7, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1050});
  // By id, although the centre lies off that display.
  EXPECT_DOUBLE_EQ(resolve(CompanionPosition{2440, 100, 1, 2}, w, {mainDisplay, second}).x(),
                   1440 - 0.6 * 168);
  // Id gone but the centre on another display: that one, clamped.
  const QPointF p = resolve(CompanionPosition{3270, 990, 42, 2}, w, {mainDisplay, second});
  EXPECT_DOUBLE_EQ(p.x(), 3360 - 0.6 * 168);
  EXPECT_DOUBLE_EQ(p.y(), 1050 - 0.6 * 174);
  // Hanging 40 % off the bottom-left is allowed; more is pulled back.
  EXPECT_EQ(resolve(CompanionPosition{-0.4 * 168, -0.4 * 174, 1, 2}, w, {mainDisplay}),
            QPointF(-0.4 * 168, -0.4 * 174));
  EXPECT_EQ(resolve(CompanionPosition{-500, -500, 1, 2}, w, {mainDisplay}),
            QPointF(-0.4 * 168, -0.4 * 174));
  // A display smaller than the window: the upper bound wins.
  const ScreenInfo tiny = display(9, {0, 0, 50, 50});
  EXPECT_EQ(resolve(CompanionPosition{0, 0, 9, 2}, w, {tiny}),
            QPointF(50 - 0.6 * 168, 50 - 0.6 * 174));
}

TEST(CompanionPlacement, MigrationMovesOldPositionsByHalfTheExtraWidth) {
  const QSizeF w = windowSize(CompanionSize::medium);
  const CompanionPosition old{500, 300, 5, std::nullopt};
  const CompanionPosition migrated = migrate(old, w);
  EXPECT_NEAR(migrated.originX, 500 + 0.5 * (220.0 * 174 / 310 - 168), 1e-9);
  EXPECT_NEAR(migrated.originX, 477.74, 0.01);
  EXPECT_EQ(migrated.originY, 300);
  EXPECT_EQ(migrated.displayID, 5u);
  EXPECT_EQ(migrated.layoutVersion, 2);
  const CompanionPosition current{500, 300, 5, 2};
  EXPECT_EQ(migrate(current, w), current);
}

TEST(CompanionPlacement, CornersAndReportedPositions) {
  const QRectF v(0, 25, 1440, 875);
  const QSizeF w(168, 174);
  EXPECT_EQ(cornerOrigin(CompanionCorner::topLeft, w, v), QPointF(36, 900 - 174 - 36));
  EXPECT_EQ(cornerOrigin(CompanionCorner::topRight, w, v),
            QPointF(1440 - 168 - 36, 900 - 174 - 36));
  EXPECT_EQ(cornerOrigin(CompanionCorner::bottomLeft, w, v), QPointF(36, 61));
  EXPECT_EQ(cornerOrigin(CompanionCorner::bottomRight, w, v), QPointF(1236, 61));
  const CompanionPosition on = position({10, 20, 168, 174}, {mainDisplay});
  EXPECT_EQ(on, (CompanionPosition{10, 20, 1, 2}));
  EXPECT_FALSE(position({10, 20, 168, 174}, {}).displayID);
}

TEST(DisplayId, StableDistinctAndZeroOnlyWithoutNameOrSerial) {
  EXPECT_EQ(displayID("HDMI-1", "A1B2"), displayID("HDMI-1", "A1B2"));
  EXPECT_EQ(displayID("HDMI-1", "A1B2"), 1181511041u);  // the same on every run and build
  EXPECT_NE(displayID("HDMI-1", "A1B2"), displayID("HDMI-2", "A1B2"));
  EXPECT_NE(displayID("ab", "c"), displayID("a", "bc"));
  EXPECT_EQ(displayID("", ""), 0u);
  EXPECT_NE(displayID("screen", ""), 0u);
}

TEST(ScreenSpace, FlipsAtThePrimaryDisplaysBottom) {
  const ScreenSpace space{0, 800};
  EXPECT_EQ(space.fromQt(QPointF(10, 0)), QPointF(10, 800));
  EXPECT_EQ(space.fromQt(QRectF(100, 600, 168, 174)), QRectF(100, 26, 168, 174));
  // A display above the primary one has negative Qt y and lies higher up.
  EXPECT_EQ(space.fromQt(QRectF(0, -1080, 1920, 1080)), QRectF(0, 800, 1920, 1080));
  const ScreenSpace shifted{-1920, 1080};
  const QRectF r(-1900, 200, 50, 60);
  EXPECT_EQ(shifted.toQt(shifted.fromQt(r)), r);
  EXPECT_EQ(shifted.toQt(shifted.fromQt(QPointF(-5, 7))), QPointF(-5, 7));
}

TEST(FlightPath, DurationScalesWithDistanceWithinBounds) {
  EXPECT_DOUBLE_EQ(FlightPath({0, 0}, {900, 0}, 1.1).totalTime(), 1.1);
  EXPECT_DOUBLE_EQ(FlightPath({0, 0}, {300, 0}, 1.1).totalTime(), 0.5);
  EXPECT_DOUBLE_EQ(FlightPath({0, 0}, {2000, 0}, 1.1).totalTime(), 1.6);
  EXPECT_FALSE(FlightPath({0, 0}, {3, 0}, 1.1).isWorthAnimating());
  EXPECT_TRUE(FlightPath({0, 0}, {4.1, 0}, 1.1).isWorthAnimating());
}

TEST(FlightPath, ArcsUpwardAndLandsExactlyOnTarget) {
  const FlightPath near({0, 0}, {300, 0}, 1.1);
  EXPECT_DOUBLE_EQ(near.at(0.5).y(), 36);
  EXPECT_DOUBLE_EQ(near.at(0.5).x(), 150);
  const FlightPath far({0, 0}, {0, -500}, 1.1);
  EXPECT_DOUBLE_EQ(far.at(0.5).y(), -250 + 60);
  EXPECT_EQ(FlightPath({1, 2}, {333.3, 444.4}, 1.1).at(1), QPointF(333.3, 444.4));
  EXPECT_EQ(near.at(0), QPointF(0, 0));
  EXPECT_DOUBLE_EQ(near.progress(0.25), 0.5);
  EXPECT_DOUBLE_EQ(near.progress(10), 1);
  EXPECT_DOUBLE_EQ(near.progress(-1), 0);
  // Smoothstep: slow at both ends.
  EXPECT_LT(near.at(0.1).x(), 30);
}

}  // namespace
}  // namespace pimble
