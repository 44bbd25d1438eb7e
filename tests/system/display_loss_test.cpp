// A connection of the program's own to an X server that goes away: the
// call that notices fails instead of ending the process there.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace pimble::testing
