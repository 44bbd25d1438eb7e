#include "system/idle_time.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QThread>

#include "support/desktop_peers.h"
#include "system/probe_test_support.h"

namespace pimble {
namespace {

using testing::ScopedProcess;
using testing::waitUntil;

TEST(IdleTimeTest, CountsUpOnXAndResetsOnInput) {
  for (auto why : {testing::missingX(), testing::missingProgram("xdotool")}) {
    if (why) GTEST_SKIP() << *why;
  }
  IdleTime idle;
  ASSERT_TRUE(testing::runTool("xdotool", {"mousemove", "17", "23"}));
  EXPECT_TRUE(waitUntil([&] { return idle.idleSeconds() >= 1.0; }, std::chrono::seconds(4)));
  {
    // Under Wayland, XWayland's count is not the user's: without another
    // source the user counts as present.
    testing::ScopedEnv wayland("WAYLAND_DISPLAY", QString("wayland-0"));
    IdleTime onWayland(IdleTime::Sources{true, false, false});
    EXPECT_EQ(onWayland.idleSeconds(), 0.0);
  }
  ASSERT_TRUE(testing::runTool("xdotool", {"key", "shift"}));
  EXPECT_LT(idle.idleSeconds(), 0.9);
}

// A mocked session service answering one idle-time method.
class MockedIdleService {
 public:
  MockedIdleService(const QString& name, const QString& path, const QString& method,
                    const QString& signature, const QString& value)
      : mock_("/usr/bin/python3", {"-m", "dbusmock", "--session", name, path, name}) {
    auto bus = QDBusConnection::sessionBus();
    ready_ = mock_.started() &&
             waitUntil([&] { return bus.interface()->isServiceRegistered(name).value(); });
    if (!ready_) return;
    auto add = QDBusMessage::createMethodCall(name, path, "org.freedesktop.DBus.Mock", "AddMethod");
    add << "" << method << "" << signature << "ret = " + value;
    ready_ = bus.call(add).type() == QDBusMessage::ReplyMessage;
  }
  bool ready() const { return ready_; }

 private:
  ScopedProcess mock_;
  bool ready_ = false;
};

TEST(IdleTimeTest, WithoutXTheBusSourcesAnswerInOrderAndNothingMeansPresent) {
  for (auto why : {testing::missingSessionBus(), testing::missingProgram("/usr/bin/python3")}) {
    if (why) GTEST_SKIP() << *why;
  }
  IdleTime none(IdleTime::Sources{false, false, false});
  EXPECT_EQ(none.idleSeconds(), 0.0);

  // Mutter is missing: the freedesktop screen saver answers (milliseconds).
  MockedIdleService screenSaver("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                "GetSessionIdleTime", "u", "7000");
  if (!screenSaver.ready()) GTEST_SKIP() << "python3-dbusmock could not start";
  IdleTime idle(IdleTime::Sources{false, true, true});
  EXPECT_EQ(idle.idleSeconds(), 0.0);  // nothing has answered yet: never waits
  ASSERT_TRUE(waitUntil([&] { return idle.idleSeconds() >= 7.0; }));
  EXPECT_LT(idle.idleSeconds(), 9.0);

  {
    // A Mutter that never answers in time is passed over, and meanwhile the
    // question is answered at once (0: present) rather than waited for.
    MockedIdleService stuck("org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                            "GetIdletime", "t", "1; import time; time.sleep(3)");
    ASSERT_TRUE(stuck.ready());
    IdleTime patient(IdleTime::Sources{false, true, true});
    EXPECT_EQ(patient.idleSeconds(), 0.0);
    EXPECT_TRUE(waitUntil([&] { return patient.idleSeconds() >= 7.0; }));
  }

  // Once Mutter answers it wins over the screen saver.
  MockedIdleService mutter("org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                           "GetIdletime", "t", "42000");
  ASSERT_TRUE(mutter.ready());
  IdleTime gnome(IdleTime::Sources{false, true, true});
  EXPECT_TRUE(waitUntil([&] { return gnome.idleSeconds() >= 42.0; }));
}

}  // namespace
}  // namespace pimble
