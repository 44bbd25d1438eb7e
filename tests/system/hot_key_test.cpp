// Ctrl+Alt+I on the test X server, pressed with xdotool.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QRegularExpression>
#include <cstdlib>
#include <memory>
#include <utility>

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
  // The key code that types "i" now.
  static unsigned keycodeOfI() {
    return runTool("sh", {"-c", "xmodmap -pke | awk '$4 == \"i\" {print $2; exit}'"})
        .value_or("")
        .toUInt();
  }
  // Another X client's grab of Ctrl+Alt+`keycode`, held while the connection
  // lives; null when the key is taken.
  static std::shared_ptr<xcb_connection_t> grabElsewhere(unsigned keycode) {
    std::shared_ptr<xcb_connection_t> other(xcb_connect(nullptr, nullptr), xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other.get())).data->root;
    auto cookie =
        xcb_grab_key_checked(other.get(), 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1,
                             xcb_keycode_t(keycode), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    if (xcb_generic_error_t* error = xcb_request_check(other.get(), cookie)) {
      std::free(error);
      return nullptr;
    }
    return other;
  }
};

// Layouts set on the shared X server, the one in force before put back
// whatever happens.
class HotKeyLayoutTest : public HotKeyTest {
 protected:
  void SetUp() override {
    HotKeyTest::SetUp();
    if (IsSkipped()) return;
    if (auto why = missingProgram("setxkbmap")) GTEST_SKIP() << *why;
    const QString now = runTool("setxkbmap", {"-query"}).value_or("");
    for (const char* field : {"layout", "variant"})
      before_ << QString("-") + field
              << now.section(QString(field) + ":", 1).section('\n', 0, 0).trimmed();
  }
  void TearDown() override {
    if (!before_.isEmpty()) runTool("setxkbmap", before_);
  }
  void layout(const QStringList& args) {
    ASSERT_TRUE(runTool("setxkbmap", args));
    waitUntil([] { return false; }, std::chrono::milliseconds(250));
  }
  QStringList before_;
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
  HotKey probe;
  ASSERT_TRUE(probe.registerKey([] {}));
  probe.unregisterKey();
  auto other = grabElsewhere(keycodeOfI());
  ASSERT_TRUE(other);

  HotKey key;
  int pressed = 0;
  EXPECT_FALSE(key.registerKey([&] { ++pressed; }));
  EXPECT_FALSE(key.isRegistered());
  other.reset();
  waitUntil([] { return false; }, std::chrono::milliseconds(100));
  ASSERT_TRUE(key.registerKey([&] { ++pressed; }));
  press("ctrl+alt+i");
  EXPECT_EQ(pressed, 1);
}

TEST_F(HotKeyLayoutTest, TheKeyFollowsTheLayoutAndTheKeyItLeftGoesBackToApplications) {
  const QStringList us{"-layout", "us", "-variant", ""},
      dvorak{"-layout", "us", "-variant", "dvorak"};
  for (const auto& [from, to] : {std::pair{us, dvorak}, std::pair{dvorak, us}}) {
    SCOPED_TRACE(to.last().toStdString());
    layout(from);
    const unsigned left = keycodeOfI();
    HotKey key;
    int pressed = 0;
    ASSERT_TRUE(key.registerKey([&] { ++pressed; }));
    layout(to);
    press("ctrl+alt+i");
    EXPECT_EQ(pressed, 1);
    press("ctrl+alt+" + QString::number(left));
    EXPECT_EQ(pressed, 1);
    EXPECT_TRUE(grabElsewhere(left)) << "the key it left is still held";
    layout(from);
    press("ctrl+alt+i");
    EXPECT_EQ(pressed, 2);
  }
  // Under us, the key that types "i" under dvorak held by another program:
  // off, still wanted, and taken at the next change of the mapping once free.
  const unsigned taken = keycodeOfI();
  layout(us);
  HotKey key;
  int pressed = 0;
  ASSERT_TRUE(key.registerKey([&] { ++pressed; }));
  auto other = grabElsewhere(taken);
  ASSERT_TRUE(other);
  layout(dvorak);
  EXPECT_TRUE(key.isRegistered());
  other.reset();
  press("ctrl+alt+i");
  EXPECT_EQ(pressed, 0);
  layout(dvorak);
  press("ctrl+alt+i");
  EXPECT_EQ(pressed, 1);
}

}  // namespace
}  // namespace pimble
