// The program started as a Wayland login starts it, in a real compositor
// with XWayland, and where there is no X display at all.
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdlib>

#include "app/pimble_process.h"
#include "companion/companion_placement.h"
#include "system/probe_test_support.h"
#include "system/xcb_screen.h"

namespace pimble::testing {
namespace {

// Weston on its headless backend, with XWayland on the first free X display
// (started when the first X client comes), on a Wayland socket of its own.
struct Weston {
  explicit Weston(const QString& folder)
      : socket(QStringLiteral("pimble-wayland-%1").arg(::getpid())),
        log(folder + QStringLiteral("/weston.log")),
        process("weston", {"--backend=headless-backend.so", "--xwayland", "--socket=" + socket,
                           "--width=1280", "--height=800", "--idle-time=0", "--log=" + log}) {
    static const QRegularExpression listening(
        QStringLiteral("xserver listening on display (:\\d+)"));
    waitUntil([&] {
      QFile file(log);
      if (!file.open(QIODevice::ReadOnly)) return false;
      display = listening.match(QString::fromUtf8(file.readAll())).captured(1);
      return !display.isEmpty();
    });
  }
  QString socket;
  QString log;
  QString display;
  ScopedProcess process;
};

TEST_F(ProcessTest, OnAWaylandDesktopTheCharacterIsAnXWaylandWindowOfItsOwnSize) {
  for (const char* program : {"weston", "Xwayland"}) {
    if (auto why = missingProgram(program)) GTEST_SKIP() << *why;
  }
  Weston weston(dir_.path());
  if (weston.display.isEmpty()) GTEST_SKIP() << "weston offered no X display";
  seed(true);
  Pimble pimble(data_, {},
                {"WAYLAND_DISPLAY=" + weston.socket, "DISPLAY=" + weston.display,
                 "XDG_SESSION_TYPE=wayland", "QT_QPA_PLATFORM="});
  ScopedEnv onXWayland("DISPLAY", weston.display);
  ASSERT_TRUE(pimble.showsWindow(20s)) << pimble.output().toStdString();
  const QString window = pimble.windows(QStringLiteral("^Pimble Glimmet$")).value(0);
  const QSize size = CompanionPlacement::windowSize(AppSettings{}.companionSize).toSize();
  EXPECT_EQ(runTool("xdotool", {"getwindowgeometry", window}).value_or(QString()).section(' ', -1),
            QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
  QFile maps(QStringLiteral("/proc/%1/maps").arg(pimble.pid()));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  EXPECT_FALSE(maps.readAll().contains("libqwayland"));
  // Qt's Wayland plugin complains about the window's opacity about once a second.
  pause(1500ms);
  EXPECT_EQ(pimble.output(), QByteArray());
}

// A window manager that places windows itself, as sway does X11 windows:
// it maps each window at 400,300 and carries out no request to move one.
struct PlacingWindowManager {
  explicit PlacingWindowManager(const QString& display) : x(XcbScreen::open(display)) {
    const uint32_t redirect = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_change_window_attributes(x.connection, x.root, XCB_CW_EVENT_MASK, &redirect);
  }
  ~PlacingWindowManager() { xcb_disconnect(x.connection); }
  void serve() {
    xcb_flush(x.connection);
    while (xcb_generic_event_t* event = xcb_poll_for_event(x.connection)) {
      if ((event->response_type & 0x7f) == XCB_MAP_REQUEST) {
        const xcb_window_t window = reinterpret_cast<xcb_map_request_event_t*>(event)->window;
        const uint32_t at[] = {400, 300};
        xcb_configure_window(x.connection, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, at);
        xcb_map_window(x.connection, window);
      }
      free(event);
    }
    xcb_flush(x.connection);
  }
  XcbScreen x;
};

TEST_F(ProcessTest, ADragTheWindowManagerDoesNotCarryOutStoresWhereTheWindowIs) {
  OwnXServer server;
  if (server.display.isEmpty()) GTEST_SKIP() << "no X server of the test's own";
  PlacingWindowManager manager(server.display);
  seed(true);
  Pimble pimble(data_, {}, {"DISPLAY=" + server.display});
  ScopedEnv onServer("DISPLAY", server.display);
  ASSERT_TRUE(waitUntil([&] {
    manager.serve();
    return !pimble.windows(QStringLiteral("^Pimble Glimmet$")).isEmpty();
  }));
  QString drag = QStringLiteral("mousemove 484 390 mousedown 1");
  for (int step = 0; step < 6; ++step)
    drag += QStringLiteral(" sleep 0.03 mousemove_relative -- -40 -25");
  drag += QStringLiteral(" sleep 0.05 mouseup 1");
  // The second time the character already stands where the window is.
  ASSERT_TRUE(runTool("xdotool", drag.split(' ')) && runTool("xdotool", drag.split(' ')));
  pause(300ms);
  ASSERT_EQ(pimble.end(), 0);
  const auto settings = FilePersistence(data_.toStdString()).load<AppSettings>("settings");
  ASSERT_TRUE(settings && settings->position);
  // 768 high, the window 174: y counts up from the bottom.
  EXPECT_EQ(QPointF(settings->position->originX, settings->position->originY),
            QPointF(400, 768 - 174 - 300));
}

TEST_F(ProcessTest, WithoutAnXDisplayItSaysSoAndEnds) {
  for (const QString& display : {QString(), QStringLiteral(":97")}) {
    Pimble pimble(data_, {},
                  {"DISPLAY=" + display, "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM="});
    EXPECT_EQ(pimble.finish(), 1);
    EXPECT_EQ(pimble.output(),
              display.isEmpty()
                  ? "Pimble needs an X display (on Wayland, XWayland), and DISPLAY is not set.\n"
                  : "Pimble needs an X display (on Wayland, XWayland), and the display \":97\" "
                    "does not answer.\n");
  }
  EXPECT_FALSE(QFileInfo::exists(data_));
}

}  // namespace
}  // namespace pimble::testing
