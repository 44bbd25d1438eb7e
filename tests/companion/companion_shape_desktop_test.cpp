// The character and its bubbles on a desktop of the test's own that does not
// composite: Xvfb and openbox with a light window behind everything, the demo
// program showing the character, a speech bubble and a greeting, then the
// compositor picom started and stopped while the demo runs. Screenshots come
// from ImageMagick's import; the windows' outlines from the X server.
#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "support/desktop_peers.h"

namespace pimble {
namespace {

using namespace pimble::testing;
using namespace std::chrono_literals;

const QString demoPath = QStringLiteral(PIMBLE_BINARY_DIR "/tests/companion_demo");
const QRgb backdrop = qRgb(232, 226, 208);

// Where a canvas point of the character lies inside a window of w × h.
QPoint canvasToWindow(QPointF canvas, QSize window) {
  const double s = window.height() / 310.0;
  const double left = (window.width() - 220 * s) / 2;
  return QPointF(left + canvas.x() * s, canvas.y() * s).toPoint();
}

// Points well inside the figure (head, cheeks, chest, tail), so far from
// its edge that the float, sway and breathing never take them out.
const QPointF figurePoints[] = {{110, 95}, {80, 130}, {140, 130}, {110, 165}, {110, 200}};

bool isBlack(QRgb p) {
  return qRed(p) <= 32 && qGreen(p) <= 32 && qBlue(p) <= 32;
}

int difference(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

// Every pixel of `region` grown by `by` in every direction.
QRegion grown(const QRegion& region, int by) {
  QRegion out;
  for (const QRect& r : region) out += r.adjusted(-by, -by, by, by);
  return out;
}

// A private X server with openbox and a light window covering the screen
// beneath every other window, so that what a window leaves clear shows as
// that colour with or without a compositor (which paints the root itself).
class PrivateDesktop {
 public:
  std::optional<std::string> start() {
    for (const char* tool : {"Xvfb", "openbox", "import", "xprop"}) {
      if (auto why = missingProgram(tool)) return why;
    }
    if (!dir_.isValid()) return "no temporary folder";
    const QString displayFile = dir_.filePath("display");
    xvfb_ = std::make_unique<ScopedProcess>(
        "sh", QStringList{"-c",
                          "exec Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp "
                          "-noreset 3>'" +
                              displayFile + "' 2>/dev/null"});
    if (!xvfb_->started()) return "Xvfb did not start";
    QFile file(displayFile);
    if (!waitUntil([&] { return file.size() > 0; }, 10s)) return "Xvfb gave no display";
    file.open(QIODevice::ReadOnly);
    display_ = ":" + QString::fromUtf8(file.readAll()).trimmed();
    c_ = xcb_connect(display_.toUtf8().constData(), nullptr);
    if (xcb_connection_has_error(c_)) return "cannot connect to " + display_.toStdString();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    openbox_ = run("openbox", {"--sm-disable"});
    const bool managed = waitUntil([&] {
      return tool("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"})
          .value_or("")
          .contains("window id");
    });
    if (!managed || !windowManagerAtWork(display_)) return "openbox did not start";
    // Lowered beneath openbox's own windows, which it stacks what it
    // manages under.
    makeBackdrop();
    return std::nullopt;
  }
  ~PrivateDesktop() {
    openbox_.reset();
    if (c_ != nullptr) xcb_disconnect(c_);
    xvfb_.reset();
  }

  // A program on this desktop, stopped by its pid when the test ends.
  std::unique_ptr<ScopedProcess> run(const QString& program, const QStringList& args) {
    return std::make_unique<ScopedProcess>("env",
                                           QStringList{"DISPLAY=" + display_, program} + args);
  }
  std::optional<QString> tool(const QString& program, const QStringList& args) {
    return runTool("env", QStringList{"DISPLAY=" + display_, program} + args);
  }

  QImage screenshot() {
    const QString path = dir_.filePath("shot.png");
    QFile::remove(path);
    if (!tool("import", {"-window", "root", "png:" + path})) return {};
    return QImage(path).convertToFormat(QImage::Format_RGB32);
  }

  // The window's outline on the screen, or none when it is not cut.
  std::optional<QRegion> outline(xcb_window_t window) {
    auto* extents = xcb_shape_query_extents_reply(c_, xcb_shape_query_extents(c_, window), nullptr);
    if (extents == nullptr) return std::nullopt;
    const bool shaped = extents->bounding_shaped;
    std::free(extents);
    if (!shaped) return std::nullopt;
    auto* rects = xcb_shape_get_rectangles_reply(
        c_, xcb_shape_get_rectangles(c_, window, XCB_SHAPE_SK_BOUNDING), nullptr);
    if (rects == nullptr) return std::nullopt;
    QRegion region;
    const xcb_rectangle_t* r = xcb_shape_get_rectangles_rectangles(rects);
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(rects); ++i) {
      region += QRect(r[i].x, r[i].y, r[i].width, r[i].height);
    }
    std::free(rects);
    return region.translated(origin(window));
  }
  bool isShaped(xcb_window_t window) { return outline(window).has_value(); }

  // The window's place on the screen.
  QRect rect(xcb_window_t window) {
    auto* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr);
    if (g == nullptr) return {};
    const QSize size(g->width, g->height);
    std::free(g);
    return QRect(origin(window), size);
  }

  // Its place once the window manager has shown it there.
  std::optional<QRect> shown(xcb_window_t window) {
    return shownPlace(QString::number(window), display_);
  }
  bool reaches(xcb_window_t window, QPoint at) {
    return pointerReaches(QString::number(window), at, display_);
  }

 private:
  QPoint origin(xcb_window_t window) {
    auto* t = xcb_translate_coordinates_reply(
        c_, xcb_translate_coordinates(c_, window, root_, 0, 0), nullptr);
    if (t == nullptr) return {};
    const QPoint p(t->dst_x, t->dst_y);
    std::free(t);
    return p;
  }

  void makeBackdrop() {
    const xcb_window_t w = xcb_generate_id(c_);
    const std::uint32_t values[] = {backdrop & 0xffffff, 1};
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 0, 0, 1280, 800, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c_, w);
    const std::uint32_t below = XCB_STACK_MODE_BELOW;
    xcb_configure_window(c_, w, XCB_CONFIG_WINDOW_STACK_MODE, &below);
    xcb_flush(c_);
  }

  QTemporaryDir dir_;
  std::unique_ptr<ScopedProcess> xvfb_;
  std::unique_ptr<ScopedProcess> openbox_;
  QString display_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = 0;
};

class CompanionShapeDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingProgram(demoPath)) GTEST_SKIP() << *why;
    if (auto why = desktop_.start()) GTEST_SKIP() << *why;
  }

  // Starts the demo, with `environment` (NAME=value) added; its character
  // window.
  xcb_window_t startDemo(const QStringList& environment = {}) {
    demo_ = environment.isEmpty() ? desktop_.run(demoPath, {})
                                  : desktop_.run("env", environment + QStringList{demoPath});
    if (!demo_->started()) return 0;
    return waitForLine("ready ").section(' ', 1).toUInt();
  }
  void send(const QString& line) {
    demo_->process().write((line + '\n').toUtf8());
    demo_->process().waitForBytesWritten(1000);
  }
  QString waitForLine(const QString& prefix) {
    QString found;
    waitUntil([&] {
      while (demo_->process().canReadLine() || demo_->process().waitForReadyRead(20)) {
        if (!demo_->process().canReadLine()) continue;
        const QString line = QString::fromUtf8(demo_->process().readLine()).trimmed();
        if (line.startsWith(prefix)) {
          found = line;
          return true;
        }
      }
      return false;
    });
    return found;
  }
  // Shows a speech bubble and a greeting; their windows.
  std::pair<xcb_window_t, xcb_window_t> showBubbles() {
    send("bubble Time to stretch");
    const xcb_window_t bubble = waitForLine("bubble ").section(' ', 1).toUInt();
    send("greet Hello there!");
    const xcb_window_t greeting = waitForLine("greeting ").section(' ', 1).toUInt();
    return {bubble, greeting};
  }

  // The outlines of `windows` read just before and just after a screenshot,
  // so that a frame changing in between counts both ways.
  struct Shot {
    QImage image;
    QRegion outlines;
  };
  Shot shoot(const std::vector<xcb_window_t>& windows) {
    Shot shot;
    const auto all = [&] {
      QRegion r;
      for (xcb_window_t w : windows) r += desktop_.outline(w).value_or(QRegion());
      return r;
    };
    shot.outlines = all();
    shot.image = desktop_.screenshot();
    shot.outlines += all();
    return shot;
  }
  // Black pixels of the screenshot outside `allowed`, a few of them named.
  static QString blackOutside(const QImage& image, const QRegion& allowed) {
    int count = 0;
    QString where;
    for (int y = 0; y < image.height(); ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        if (!isBlack(row[x]) || allowed.contains(QPoint(x, y))) continue;
        if (++count <= 5) where += QString(" (%1,%2)").arg(x).arg(y);
      }
    }
    return count == 0 ? QString() : QString::number(count) + " black pixels, at" + where;
  }
  void save(const QImage& image, const QString& name) {
    // Kept for a look by hand when asked for.
    if (const QByteArray dir = qgetenv("PIMBLE_SCREENSHOT_DIR"); !dir.isEmpty()) {
      image.save(QDir(QString::fromUtf8(dir)).filePath(name), "PNG");
    }
  }
  QPoint figurePoint(xcb_window_t window, QPointF canvas) {
    const QRect r = desktop_.rect(window);
    return r.topLeft() + canvasToWindow(canvas, r.size());
  }

  PrivateDesktop desktop_;
  std::unique_ptr<ScopedProcess> demo_;
};

TEST_F(CompanionShapeDesktop, WithoutACompositorOnlyTheDrawnShapesShowAndPicomBringsShadowsBack) {
  const xcb_window_t character = startDemo();
  ASSERT_NE(character, 0u) << "the demo did not start";
  // Cut before it ever showed: no frame of a black box.
  EXPECT_TRUE(desktop_.isShaped(character));
  const auto [bubble, greeting] = showBubbles();
  ASSERT_NE(bubble, 0u);
  ASSERT_NE(greeting, 0u);
  const std::vector<xcb_window_t> windows{character, bubble, greeting};
  for (xcb_window_t w : windows) ASSERT_TRUE(desktop_.shown(w)) << "window " << w << " not shown";
  ASSERT_TRUE(waitUntil([&] {
    for (xcb_window_t w : windows) {
      if (!desktop_.isShaped(w)) return false;
    }
    return true;
  })) << "the windows are not all cut";
  QTest::qWait(800);  // the bubble's pop-in

  const Shot plain = shoot(windows);
  ASSERT_FALSE(plain.image.isNull()) << "no screenshot";
  save(plain.image, "without-compositor.png");
  const QString black = blackOutside(plain.image, grown(plain.outlines, 2));
  EXPECT_TRUE(black.isEmpty()) << black.toStdString();
  // Beside the figure the backdrop shows; the figure itself is within the cut.
  const QRect box = desktop_.rect(character);
  for (QPoint corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
    EXPECT_EQ(plain.image.pixel(corner), backdrop) << corner.x() << "," << corner.y();
  }
  const QRegion figure = desktop_.outline(character).value_or(QRegion());
  for (QPointF p : figurePoints) EXPECT_TRUE(figure.contains(figurePoint(character, p)));
  // The speech bubble: rounded corners cut, the middle kept.
  const QRect bubbleBox = desktop_.rect(bubble);
  const QRegion bubbleShape = desktop_.outline(bubble).value_or(QRegion());
  EXPECT_TRUE(bubbleShape.contains(bubbleBox.center()));
  EXPECT_FALSE(bubbleShape.contains(bubbleBox.topLeft() + QPoint(9, 9)));
  EXPECT_FALSE(bubbleShape.contains(bubbleBox.bottomRight() - QPoint(9, 9)));
  // The ground shadow under the character (too faint for the cut) is gone.
  const QPoint ground = figurePoint(character, {112, 298});
  EXPECT_LE(difference(plain.image.pixel(ground), backdrop), 2);

  // A compositor starts: every window is whole again, its shadows blended in.
  auto picom = desktop_.run("picom", {"--backend", "xrender", "--no-vsync"});
  if (!picom->started()) GTEST_SKIP() << "picom is not installed";
  ASSERT_TRUE(waitUntil([&] {
    for (xcb_window_t w : windows) {
      if (desktop_.isShaped(w)) return false;
    }
    return true;
  })) << "the windows were not made whole under the compositor";
  // picom's first full paint, which a busy machine delays, and the first
  // frames the program draws for it, with their shadows, which may come
  // after it; the figure floats a few pixels between the screenshots.
  const QPoint groundNow = figurePoint(character, {112, 298});
  // Under the speech bubble's body, a few pixels down: its drop shadow.
  const QPoint underBubble(bubbleBox.center().x(), bubbleBox.bottom() - 8 + 4);
  QImage composited;
  QString compositedBlack;
  waitUntil([&] {
    composited = desktop_.screenshot();
    compositedBlack = blackOutside(composited, grown(plain.outlines, 6));
    return compositedBlack.isEmpty() && difference(composited.pixel(groundNow), backdrop) >= 8 &&
           difference(composited.pixel(underBubble), backdrop) >= 8;
  });
  save(composited, "with-picom.png");
  EXPECT_TRUE(compositedBlack.isEmpty()) << compositedBlack.toStdString();
  const QRgb shade = composited.pixel(groundNow);
  EXPECT_GE(difference(shade, backdrop), 8) << "no ground shadow";
  EXPECT_FALSE(isBlack(shade));
  EXPECT_GE(difference(composited.pixel(underBubble), backdrop), 8) << "no bubble shadow";
  EXPECT_LE(difference(plain.image.pixel(underBubble), backdrop), 2);
  EXPECT_FALSE(isBlack(composited.pixel(underBubble)));

  // The compositor stops: cut again, without a restart.
  picom->stop();
  ASSERT_TRUE(waitUntil([&] {
    for (xcb_window_t w : windows) {
      if (!desktop_.isShaped(w)) return false;
    }
    return true;
  })) << "the windows were not cut again";
  QTest::qWait(300);
  const Shot again = shoot(windows);
  save(again.image, "after-picom.png");
  const QString blackAgain = blackOutside(again.image, grown(again.outlines, 2));
  EXPECT_TRUE(blackAgain.isEmpty()) << blackAgain.toStdString();
}

TEST_F(CompanionShapeDesktop, TheOutlineFollowsTheMotionAndKeepsTheFigure) {
  const xcb_window_t character = startDemo();
  ASSERT_NE(character, 0u) << "the demo did not start";
  ASSERT_TRUE(desktop_.shown(character));
  const QRegion before = desktop_.outline(character).value_or(QRegion());
  ASSERT_FALSE(before.isEmpty());

  // Five seconds of the cape's loop, the float and the breathing.
  QTest::qWait(5000);
  const Shot later = shoot({character});
  const QRegion after = desktop_.outline(character).value_or(QRegion());
  EXPECT_NE(after, before) << "the outline did not move";
  for (QPointF p : figurePoints) {
    const QPoint at = figurePoint(character, p);
    EXPECT_TRUE(after.contains(at)) << p.x() << "," << p.y();
    // Drawn there, not the backdrop.
    EXPECT_GE(difference(later.image.pixel(at), backdrop), 8) << p.x() << "," << p.y();
  }
  const QString black = blackOutside(later.image, grown(later.outlines, 2));
  EXPECT_TRUE(black.isEmpty()) << black.toStdString();
  // The figure is a good part of its window, not all of it.
  const QRect box = desktop_.rect(character);
  const QRect drawn = after.boundingRect();
  EXPECT_GT(drawn.width() * drawn.height(), box.width() * box.height() / 4);
  EXPECT_LT(drawn.width() * drawn.height(), box.width() * box.height() * 3 / 4);
}

TEST_F(CompanionShapeDesktop, OnAScaledScreenTheFigureFillsItsWindowAsAtOneAndTakesPresses) {
  QSize atOne;
  for (const double scale : {1.0, 1.5, 2.0}) {
    SCOPED_TRACE(scale);
    const xcb_window_t character = startDemo({"QT_SCALE_FACTOR=" + QString::number(scale)});
    ASSERT_NE(character, 0u) << "the demo did not start";
    // The first frame's cut can come before the window manager has put the
    // window in its place.
    const std::optional<QRect> shown = desktop_.shown(character);
    ASSERT_TRUE(shown) << "the character's window was not shown where it was put";
    const QRect window = *shown;
    const auto drawnArea = [&] {
      return desktop_.outline(character).value_or(QRegion()).boundingRect();
    };
    // Cut to one pixel until the first frame.
    ASSERT_TRUE(waitUntil([&] { return drawnArea().width() > 20; }));
    EXPECT_NEAR(window.width(), 168 * scale, 1);
    EXPECT_NEAR(window.height(), 174 * scale, 1);
    // What is drawn (the window is cut to it): the figure's size times the
    // scale, clear of the window's edges.
    const QRect drawn = drawnArea();
    if (scale == 1) atOne = drawn.size();
    EXPECT_NEAR(drawn.width(), atOne.width() * scale, atOne.width() * scale * 0.06);
    EXPECT_NEAR(drawn.height(), atOne.height() * scale, atOne.height() * scale * 0.06);
    EXPECT_TRUE(window.adjusted(2, 2, -2, -2).contains(drawn))
        << drawn.x() << "," << drawn.y() << " " << drawn.width() << "x" << drawn.height();
    // A press on the middle of the body reaches the character.
    const QPoint middle = figurePoint(character, {110, 150});
    // The window manager's frame takes presses where the drawn frame cut
    // the window once it has copied that cut, a moment later.
    ASSERT_TRUE(desktop_.reaches(character, middle)) << "a press there reaches another window";
    ASSERT_TRUE(desktop_.tool("xdotool", {"mousemove", QString::number(middle.x()),
                                          QString::number(middle.y()), "click", "1"}));
    EXPECT_FALSE(waitForLine("click").isEmpty());
    demo_->stop();
  }
}

TEST_F(CompanionShapeDesktop, AProgramStartedWithTheCompositorStaysWhole) {
  // The compositor and the program start together, as at login.
  auto picom = desktop_.run("picom", {"--backend", "xrender", "--no-vsync"});
  if (!picom->started()) GTEST_SKIP() << "picom is not installed";
  const xcb_window_t character = startDemo();
  ASSERT_NE(character, 0u) << "the demo did not start";
  EXPECT_TRUE(waitUntil([&] { return !desktop_.isShaped(character); }))
      << "still cut under the compositor";
  QTest::qWait(1000);
  EXPECT_FALSE(desktop_.isShaped(character));
}

}  // namespace
}  // namespace pimble
