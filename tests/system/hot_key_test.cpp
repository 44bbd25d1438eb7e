// Ctrl+Alt+I on the test X server, pressed with xdotool.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QRegularExpression>

#include "support/desktop_peers.h"
#include "system/hot_key.h"

namespace pimble {
namespace {

using namespace pimble::testing;

class HotKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingX()) GTEST_SKIP() << *why;
    if (auto why = missingProgram("xdotool")) GTEST_SKIP() << *why;
  }
  // Presses the keys and lets the events arrive.
  void press(const QString& keys) {
    ASSERT_TRUE(runTool("xdotool", {"key", keys}));
    waitUntil([] { return false; }, std::chrono::milliseconds(250));
  }
};

TEST_F(HotKeyTest, FiresOncePerPressAlsoWithNumLockOn) {
  HotKey key;
  int pressed = 0;
  ASSERT_TRUE(key.registerKey([&] { ++pressed; }));
  EXPECT_TRUE(key.isRegistered());
  press("ctrl+alt+i");
  EXPECT_EQ(pressed, 1);
  press("ctrl+i");
  press("alt+i");
  press("ctrl+alt+shift+i");
  EXPECT_EQ(pressed, 1);

  press("Num_Lock");
  // The server now adds the Num Lock modifier to every key event.
  EXPECT_TRUE(runTool("xset", {"q"}).value_or("").contains(QRegularExpression("Num Lock:\\s+on")));
  press("ctrl+alt+i");
  press("Num_Lock");
  EXPECT_EQ(pressed, 2);

  key.unregisterKey();
  EXPECT_FALSE(key.isRegistered());
  press("ctrl+alt+i");
  EXPECT_EQ(pressed, 2);
  // Registering again works, and a fresh handler replaces the old one.
  int again = 0;
  ASSERT_TRUE(key.registerKey([&] { ++again; }));
  press("ctrl+alt+i");
  EXPECT_EQ(pressed, 2);
  EXPECT_EQ(again, 1);
}

TEST_F(HotKeyTest, AnotherProgramHoldingTheKeyMakesRegistrationFail) {
  // Another X client grabs Ctrl+Alt+I first.
  xcb_connection_t* other = xcb_connect(nullptr, nullptr);
  ASSERT_FALSE(xcb_connection_has_error(other));
  HotKey probe;
  ASSERT_TRUE(probe.registerKey([] {}));
  probe.unregisterKey();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
  auto keycodes = runTool("sh", {"-c", "xmodmap -pke | awk '$4 == \"i\" {print $2; exit}'"});
  ASSERT_TRUE(keycodes && !keycodes->isEmpty());
  const auto keycode = static_cast<xcb_keycode_t>(keycodes->toUInt());
  auto cookie = xcb_grab_key_checked(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, keycode,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
  ASSERT_EQ(xcb_request_check(other, cookie), nullptr);

  HotKey key;
  int pressed = 0;
  EXPECT_FALSE(key.registerKey([&] { ++pressed; }));
  EXPECT_FALSE(key.isRegistered());
  xcb_disconnect(other);
  waitUntil([] { return false; }, std::chrono::milliseconds(100));
  ASSERT_TRUE(key.registerKey([&] { ++pressed; }));
  press("ctrl+alt+i");
  EXPECT_EQ(pressed, 1);
}

}  // namespace
}  // namespace pimble
