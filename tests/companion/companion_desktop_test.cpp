// The demo program on a real X server with a window manager, driven with
// real X input (xdotool) and inspected with xprop and xwininfo.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>
#include <memory>

#include "support/desktop_peers.h"
#include "system/xcb_screen.h"

namespace pimble {
namespace {

using namespace pimble::testing;
using namespace std::chrono_literals;

const QString demoPath = QStringLiteral(PIMBLE_BINARY_DIR "/tests/companion_demo");

// Where a canvas point of the character lies inside a window of w × h.
QPoint canvasToWindow(QPointF canvas, QSize window) {
  const double s = window.height() / 310.0;
  const double left = (window.width() - 220 * s) / 2;
  return QPointF(left + canvas.x() * s, canvas.y() * s).toPoint();
}

// Points on the character's body and head (above canvas y 165).
const QPointF bodyCentre(110, 150);
const QPointF head(110, 110);

struct XGeometry {
  QPoint position;
  QSize size;
  bool viewable = false;
};

std::optional<XGeometry> geometryOf(const QString& window) {
  const auto out = runTool("xwininfo", {"-id", window});
  if (!out) return std::nullopt;
  auto number = [&](const char* label) {
    const QRegularExpression re(QString(label) + R"(:\s*(-?\d+))");
    return re.match(*out).captured(1).toInt();
  };
  return XGeometry{{number("Absolute upper-left X"), number("Absolute upper-left Y")},
                   {number("Width"), number("Height")},
                   out->contains("IsViewable")};
}

class CompanionDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingX()) GTEST_SKIP() << *why;
    for (const char* tool : {"xdotool", "xprop", "xwininfo"}) {
      if (auto why = missingProgram(tool)) GTEST_SKIP() << *why;
    }
    if (auto why = missingProgram(demoPath)) GTEST_SKIP() << *why;
    demo_ = std::make_unique<ScopedProcess>(demoPath, QStringList{});
    ASSERT_TRUE(demo_->started());
    const QString ready = waitForLine("ready ");
    ASSERT_FALSE(ready.isEmpty()) << "the demo did not start";
    window_ = ready.section(' ', 1);
    ASSERT_TRUE(shownPlace(window_)) << "the character was not shown where it was put";
  }

  // Sends a command to the demo.
  void send(const QString& line) {
    demo_->process().write((line + '\n').toUtf8());
    demo_->process().waitForBytesWritten(1000);
  }
  // Waits for an output line starting with `prefix`, consuming the lines up
  // to it; empty when none came.
  QString waitForLine(const QString& prefix, std::chrono::milliseconds timeout = 5s) {
    QString found;
    waitUntil(
        [&] {
          while (demo_->process().canReadLine() || demo_->process().waitForReadyRead(20)) {
            if (!demo_->process().canReadLine()) continue;
            const QString line = QString::fromUtf8(demo_->process().readLine()).trimmed();
            seen_ << line;
            if (line.startsWith(prefix)) {
              found = line;
              return true;
            }
          }
          return false;
        },
        timeout);
    return found;
  }
  bool saw(const QString& line) const { return seen_.contains(line); }
  XGeometry geometry() const { return geometryOf(window_).value_or(XGeometry{}); }
  QPoint screenPoint(QPointF canvas) const {
    const XGeometry g = geometry();
    return g.position + canvasToWindow(canvas, g.size);
  }
  // The point of the figure on the screen, once a press there reaches the
  // window: it takes presses only where its drawn frame has cut it.
  QPoint aimAt(QPointF canvas) const {
    const QPoint at = screenPoint(canvas);
    EXPECT_TRUE(pointerReaches(window_, at)) << "a press there reaches another window";
    return at;
  }
  static void xdotool(const QStringList& args) {
    ASSERT_TRUE(runTool("xdotool", args)) << args.join(' ').toStdString();
  }
  static QStringList at(QPoint p) { return {QString::number(p.x()), QString::number(p.y())}; }

  std::unique_ptr<ScopedProcess> demo_;
  QString window_;
  QStringList seen_;
};

TEST_F(CompanionDesktop, WindowSizesForTheThreeSizes) {
  const std::pair<const char*, QSize> sizes[] = {
      {"small", {130, 134}}, {"large", {207, 214}}, {"medium", {168, 174}}};
  for (const auto& [name, size] : sizes) {
    send(QString("size ") + name);
    EXPECT_TRUE(waitUntil([&] { return geometry().size == size; })) << name;
  }
}

TEST_F(CompanionDesktop, StickySkipsTheTaskbarAndTogglesAboveWithoutRemapping) {
  auto states = [&] { return runTool("xprop", {"-id", window_, "_NET_WM_STATE"}).value_or(""); };
  EXPECT_TRUE(waitUntil([&] { return states().contains("_NET_WM_STATE_ABOVE"); }));
  EXPECT_TRUE(states().contains("_NET_WM_STATE_SKIP_TASKBAR"));
  // Openbox shows a window on every workspace through its desktop number
  // rather than the sticky state.
  EXPECT_TRUE(
      runTool("xprop", {"-id", window_, "_NET_WM_DESKTOP"}).value_or("").contains("4294967295"));
  const auto hints = runTool("xprop", {"-id", window_, "WM_HINTS"}).value_or("");
  EXPECT_TRUE(hints.contains("accepts input or input focus: False")) << hints.toStdString();

  // A re-mapped window gets a new frame from the window manager.
  auto parent = [&] {
    const auto tree = runTool("xwininfo", {"-tree", "-id", window_}).value_or("");
    return QRegularExpression(R"(Parent window id: (0x[0-9a-f]+))").match(tree).captured(1);
  };
  const QString frame = parent();
  ASSERT_FALSE(frame.isEmpty());
  send("above off");
  EXPECT_TRUE(waitUntil([&] { return !states().contains("_NET_WM_STATE_ABOVE"); }));
  send("above on");
  EXPECT_TRUE(waitUntil([&] { return states().contains("_NET_WM_STATE_ABOVE"); }));
  EXPECT_TRUE(geometry().viewable);
  EXPECT_EQ(parent(), frame);
  EXPECT_TRUE(states().contains("_NET_WM_STATE_SKIP_TASKBAR"));
}

// A plain window of the test's own, to catch the clicks that pass through.
class Catcher : public QWidget {
 public:
  int presses = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST_F(CompanionDesktop, ClicksOnTheBodyReportAndClicksBesideItFallThrough) {
  const XGeometry g = geometry();
  Catcher below;
  // Unmanaged and lowered to the bottom: nothing of the window manager's
  // stands between the pointer and it.
  below.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
  below.setGeometry(QRect(g.position - QPoint(20, 20), g.size + QSize(40, 40)));
  below.show();
  below.lower();
  ASSERT_TRUE(waitUntil([&] {
    const auto b = geometryOf(QString::number(below.winId()));
    return b && b->viewable && b->position == g.position - QPoint(20, 20);
  }));
  // The catcher takes clicks beside the character's window.
  xdotool(QStringList{"mousemove"} + at(g.position - QPoint(15, 15)) + QStringList{"click", "1"});
  ASSERT_TRUE(waitUntil([&] { return below.presses > 0; }));
  const int before = below.presses;
  QTest::qWait(500);  // no double click with the next one

  xdotool(QStringList{"mousemove"} + at(aimAt(bodyCentre)) + QStringList{"click", "1"});
  EXPECT_FALSE(waitForLine("click").isEmpty());
  EXPECT_EQ(below.presses, before);

  // The window's top-left corner is outside the body's outline.
  xdotool(QStringList{"mousemove"} + at(g.position + QPoint(4, 4)) + QStringList{"click", "1"});
  EXPECT_TRUE(waitUntil([&] { return below.presses == before + 1; }))
      << "seen " << seen_.join('|').toStdString() << " under "
      << runTool("xdotool", {"getmouselocation"}).value_or("?").toStdString() << " catcher "
      << below.winId() << " demo " << window_.toStdString() << " presses " << below.presses;
  EXPECT_TRUE(waitForLine("click", 500ms).isEmpty());
}

TEST_F(CompanionDesktop, DragMovesTheWindowAndSettlesItOnScreen) {
  // From the bottom-right corner, 36 points in from the edges.
  const XGeometry start = geometry();
  const QPoint grab = aimAt(bodyCentre);
  xdotool(QStringList{"mousemove"} + at(grab) + QStringList{"mousedown", "1"});
  for (int dx : {-20, -60, -100}) {
    xdotool(QStringList{"mousemove"} + at(grab + QPoint(dx, -50)));
    QTest::qWait(30);
  }
  xdotool({"mouseup", "1"});
  EXPECT_FALSE(waitForLine("dragEnded").isEmpty());
  EXPECT_FALSE(waitForLine("moved ").isEmpty());
  EXPECT_TRUE(waitUntil([&] { return geometry().position == start.position + QPoint(-100, -50); }))
      << geometry().position.x() << "," << geometry().position.y();
  EXPECT_TRUE(saw("dragBegan"));
  EXPECT_FALSE(saw("click"));

  // Thrown 70 % past the right edge of the 1280-wide screen: back to 40 %.
  const XGeometry before = geometry();
  const QPoint grab2 = screenPoint(bodyCentre);
  const int push = 1280 - (before.position.x() + before.size.width()) + 118;
  xdotool(QStringList{"mousemove"} + at(grab2) + QStringList{"mousedown", "1"});
  xdotool(QStringList{"mousemove"} + at(grab2 + QPoint(push / 2, 0)));
  QTest::qWait(30);
  xdotool(QStringList{"mousemove"} + at(grab2 + QPoint(push, 0)));
  QTest::qWait(30);
  xdotool({"mouseup", "1"});
  const QString moved = waitForLine("moved ");
  ASSERT_FALSE(moved.isEmpty());
  EXPECT_NEAR(moved.section(' ', 1, 1).toDouble(), 1280 - 0.6 * 168, 0.01);
  EXPECT_TRUE(waitUntil([&] { return geometry().position.x() == 1179; }))
      << geometry().position.x();
}

TEST_F(CompanionDesktop, CornerFlightEndsInTheCorner) {
  send("corner topLeft");
  const QString moved = waitForLine("moved ");
  ASSERT_FALSE(moved.isEmpty());
  EXPECT_EQ(moved.section(' ', 1, 2), "36 590");
  EXPECT_TRUE(waitUntil([&] { return geometry().position == QPoint(36, 36); }));
  send("corner bottomLeft");
  EXPECT_EQ(waitForLine("moved ").section(' ', 1, 2), "36 36");
  EXPECT_TRUE(waitUntil([&] { return geometry().position == QPoint(36, 800 - 174 - 36); }));
}

TEST_F(CompanionDesktop, RubbingTheHeadReportsOnePet) {
  const QPoint h = aimAt(head);
  QStringList rub{"mousemove"};
  rub << at(h);
  for (int i = 0; i < 8; ++i) {
    rub << "sleep"
        << "0.06"
        << "mousemove" << at(h + QPoint(i % 2 == 0 ? 10 : -10, 0));
  }
  xdotool(rub);
  EXPECT_FALSE(waitForLine("pet").isEmpty());
  EXPECT_TRUE(waitForLine("pet", 800ms).isEmpty());
  EXPECT_EQ(seen_.count("pet"), 1);
  EXPECT_FALSE(saw("click"));
}

// xdotool moves the pointer through XTest, as VNC servers and tools that
// share one mouse between computers do: the X server reports no raw motion
// for it, and the eyes still turn toward it once the follower rests.
TEST_F(CompanionDesktop, TheEyesTurnTowardAPointerMovedThroughXTest) {
  const QPoint eyes = screenPoint(QPointF(110, 128));
  for (const int side : {-1, 1}) {
    waitForLine("look ", 1500ms);  // the fast sampling rests after a second
    xdotool(QStringList{"mousemove"} + at(eyes + QPoint(side * 150, 0)));
    QString look;
    for (int i = 0; i < 3 && (look.isEmpty() || look == "look none"); ++i)
      look = waitForLine("look ", 2500ms);
    ASSERT_FALSE(look.isEmpty()) << "the eyes did not move";
    EXPECT_GT(look.section(' ', 1, 1).toDouble() * side, 2) << look.toStdString();
  }
}

// A window manager that takes a window in one step at a time, as a busy one
// does: into a frame of its own at 0,0, then that frame shown there or
// moved where the program asked but not yet shown. What the tests wait for
// before they aim at a window holds only once it is both.
class SlowWindowManager {
 public:
  explicit SlowWindowManager(const QString& display) : x_(XcbScreen::open(display)) {
    const std::uint32_t redirect = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_change_window_attributes(x_.connection, x_.root, XCB_CW_EVENT_MASK, &redirect);
    xcb_flush(x_.connection);
  }
  ~SlowWindowManager() {
    if (x_.connection != nullptr) xcb_disconnect(x_.connection);
  }
  // The window whose mapping the program asked for; 0 when none came.
  xcb_window_t mapRequested() {
    xcb_window_t window = 0;
    waitUntil([&] {
      while (xcb_generic_event_t* event = xcb_poll_for_event(x_.connection)) {
        if ((event->response_type & 0x7f) == XCB_MAP_REQUEST)
          window = reinterpret_cast<xcb_map_request_event_t*>(event)->window;
        std::free(event);
      }
      return window != 0;
    });
    return window;
  }
  // Wrapped, unmapped, in a frame at 0,0; the window itself mapped in it.
  void frame(xcb_window_t window, QSize size) {
    frame_ = xcb_generate_id(x_.connection);
    xcb_create_window(x_.connection, XCB_COPY_FROM_PARENT, frame_, x_.root, 0, 0,
                      std::uint16_t(size.width()), std::uint16_t(size.height()), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_reparent_window(x_.connection, window, frame_, 0, 0);
    xcb_map_window(x_.connection, window);
    settle();
  }
  void showFrame(bool shown) {
    if (shown)
      xcb_map_window(x_.connection, frame_);
    else
      xcb_unmap_window(x_.connection, frame_);
    settle();
  }
  void moveFrame(QPoint to) {
    const std::uint32_t at[] = {std::uint32_t(to.x()), std::uint32_t(to.y())};
    xcb_configure_window(x_.connection, frame_, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, at);
    settle();
  }

 private:
  // Done by the server before the test looks.
  void settle() {
    std::free(
        xcb_get_input_focus_reply(x_.connection, xcb_get_input_focus(x_.connection), nullptr));
  }
  XcbScreen x_;
  xcb_window_t frame_ = 0;
};

TEST(ShownPlace, HoldsOnlyOnceTheWindowManagerShowsTheWindowWhereTheProgramPutIt) {
  if (auto why = missingProgram(demoPath)) GTEST_SKIP() << *why;
  OwnXServer server;
  if (server.display.isEmpty()) GTEST_SKIP() << "no X server of the test's own";
  SlowWindowManager manager(server.display);
  ScopedProcess demo("env", {"DISPLAY=" + server.display, demoPath});
  ASSERT_TRUE(demo.started());
  const xcb_window_t window = manager.mapRequested();
  ASSERT_NE(window, 0u) << "the demo asked for no window";
  // Its corner on the 1024 × 768 screen, 36 in from the edges.
  const QRect put(1024 - 36 - 168, 768 - 36 - 174, 168, 174);
  const QString id = QString::number(window);

  manager.frame(window, put.size());
  EXPECT_FALSE(shownPlace(id, server.display, 300ms)) << "shown in a frame not mapped";
  manager.showFrame(true);
  EXPECT_FALSE(shownPlace(id, server.display, 300ms)) << "shown before it was moved";
  manager.showFrame(false);
  manager.moveFrame(put.topLeft());
  EXPECT_FALSE(shownPlace(id, server.display, 300ms)) << "shown where it is not mapped yet";
  manager.showFrame(true);
  EXPECT_EQ(shownPlace(id, server.display).value_or(QRect()), put);
}

}  // namespace
}  // namespace pimble
