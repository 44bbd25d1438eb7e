// A connection of the program's own to an X server that goes away: the
// call that notices fails instead of ending the process there. One nobody
// guarded ends the process, after the last save.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>
#include <cstdlib>

#include "support/desktop_peers.h"
#include "system/display_loss.h"

// X11 last: its macros would trip the Qt headers.
#include <X11/Xlib.h>

namespace pimble::testing {
namespace {

TEST(DisplayLossTest, AGuardedConnectionFailsItsCallsWhenTheServerGoesAway) {
  if (auto why = missingProgram("Xvfb")) GTEST_SKIP() << *why;
  OwnXServer x;
  if (x.display.isEmpty()) GTEST_SKIP() << "Xvfb did not start";
  Display* display = XOpenDisplay(x.display.toLatin1().constData());
  ASSERT_NE(display, nullptr);
  std::atomic<bool> broken{false};
  DisplayLoss::guard(display, broken);
  // A request with a reply; its status says whether it was answered.
  const auto ask = [&] {
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    return XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height,
                        &border, &depth);
  };
  EXPECT_NE(ask(), 0);
  EXPECT_FALSE(broken);

  x.stop();
  EXPECT_EQ(ask(), 0);  // Xlib's own handling ends the process in this call
  EXPECT_TRUE(broken);
  EXPECT_EQ(ask(), 0) << "later calls fail at once";
  XCloseDisplay(display);
}

// GDK's connection, where Qt's GTK theme loaded GTK, is an Xlib connection
// of the process that the program does not guard, and it can notice the
// server's end before Qt's does. Played here by a connection to an X server
// of the test's own, in a copy of this test program whose Qt connection
// stays: the handler still runs before Xlib ends the process.
TEST(DisplayLossTest, AnUnguardedConnectionThatNoticesFirstEndsTheProcessAfterTheHandler) {
  const QByteArray other = qgetenv("PIMBLE_TEST_UNGUARDED_DISPLAY");
  if (!other.isEmpty()) {
    DisplayLoss::watch([] { std::fputs("handled\n", stderr); });
    Display* display = XOpenDisplay(other.constData());
    if (display == nullptr) std::exit(2);
    std::fputs("connected\n", stderr);
    for (;;) {
      XSync(display, False);
      ::usleep(10000);
    }
  }
  if (auto why = missingX()) GTEST_SKIP() << *why;
  if (auto why = missingProgram("Xvfb")) GTEST_SKIP() << *why;
  OwnXServer x;
  if (x.display.isEmpty()) GTEST_SKIP() << "Xvfb did not start";
  QProcess child;
  child.setProcessEnvironment(environmentWith({"PIMBLE_TEST_UNGUARDED_DISPLAY=" + x.display}));
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=DisplayLossTest.AnUnguardedConnection*"});
  QByteArray said;
  ASSERT_TRUE(
      waitUntil([&] { return (said += child.readAllStandardError()).contains("connected"); },
                std::chrono::seconds(10)))
      << said.toStdString();
  x.stop();
  ASSERT_TRUE(child.waitForFinished(10000));
  said += child.readAllStandardError();
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 1);
  EXPECT_TRUE(said.contains("handled")) << said.toStdString();
}

}  // namespace
}  // namespace pimble::testing
