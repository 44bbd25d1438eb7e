#include "system/xcb_screen.h"

#include <gtest/gtest.h>

#include "support/desktop_peers.h"

namespace pimble {
namespace {

TEST(XcbScreen, WithoutAServerOrScreenNothingIsOpen) {
  // No server listens on this display number.
  EXPECT_EQ(XcbScreen::open(QStringLiteral(":64999")).connection, nullptr);
  if (auto why = testing::missingX()) GTEST_SKIP() << *why;
  // The server is there, the screen is not: the connection is not kept.
  const QString display = qEnvironmentVariable("DISPLAY");
  const XcbScreen absent = XcbScreen::open(display + QStringLiteral(".7"));
  EXPECT_EQ(absent.connection, nullptr);
  EXPECT_EQ(absent.root, 0u);
}

TEST(XcbScreen, FindsTheRootOfTheDisplaysScreen) {
  if (auto why = testing::missingX()) GTEST_SKIP() << *why;
  xcb_connection_t* other = xcb_connect(nullptr, nullptr);
  ASSERT_FALSE(xcb_connection_has_error(other));
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
  xcb_disconnect(other);

  for (const QString& display : {QString(), qEnvironmentVariable("DISPLAY") + ".0"}) {
    const XcbScreen screen = XcbScreen::open(display);
    ASSERT_NE(screen.connection, nullptr) << display.toStdString();
    EXPECT_FALSE(xcb_connection_has_error(screen.connection));
    EXPECT_EQ(screen.root, root);
    EXPECT_EQ(screen.screenNumber, 0);
    xcb_disconnect(screen.connection);
  }
}

}  // namespace
}  // namespace pimble
