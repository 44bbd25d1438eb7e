// The real program started at login by MATE's session manager, as a desktop
// starts it: from the autostart folder, with SESSION_MANAGER set, on an X
// server, a session bus, a home and XDG folders of the test's own. Neither
// the session manager's end nor a log-out ends the program before its save.
#include <signal.h>

#include <QDir>
#include <QFile>

#include "app/pimble_process.h"
#include "system/probe_test_support.h"

namespace pimble::testing {
namespace {

constexpr const char* documents[] = {"settings", "reminders", "progress", "schedule", "activity"};

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

class MateSession {
 public:
  // Started when `why()` is empty.
  MateSession(const QString& root, const QString& data) : root_(root) {
    if (display().isEmpty()) return;
    for (const char* folder : {"home", "config", "share", "cache", "runtime"})
      QDir().mkpath(root + "/" + folder);
    QFile::setPermissions(root + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The program's pid, its session bus and its end, kept where the test
    // reads them.
    const QString wrapper = root + "/pimble.sh";
    // Paths are quoted: TMPDIR's may hold a space.
    writeFile(wrapper, QStringLiteral("#!/bin/sh\n"
                                      "dir=$(dirname \"$0\")\n"
                                      "echo \"$DBUS_SESSION_BUS_ADDRESS\" > \"$dir/bus\"\n"
                                      "\"%1\" 2> \"$dir/stderr\" &\n"
                                      "echo $! > \"$dir/pid\"\n"
                                      "wait $!\n"
                                      "echo $? > \"$dir/status\"\n")
                           .arg(pimblePath)
                           .toUtf8());
    writeFile(
        root + "/config/autostart/pimble-test.desktop",
        "[Desktop Entry]\nType=Application\nName=Pimble\nExec=sh \"" + wrapper.toUtf8() + "\"\n");
    // The session waits for each of its required components to register
    // before it runs the autostart folder, and MATE's panel and file manager
    // never do headless (the panel holds it up 30 s wherever it is
    // installed). This session requires MATE's own window manager only,
    // named here rather than left to the settings' defaults. A component
    // must be a key of org.mate.session.required-components, its value the
    // name of an installed .desktop file.
    writeFile(root + "/config/glib-2.0/settings/keyfile",
              "[org/mate/desktop/session]\nrequired-components-list=['windowmanager']\n"
              "[org/mate/desktop/session/required-components]\nwindowmanager='marco'\n");
    // Its log goes to a file: a pipe nobody reads would hold it up.
    const QString session = root + "/session.sh";
    writeFile(session, QStringLiteral("dir=$(dirname \"$0\")\n"
                                      "exec > \"$dir/session.log\" 2>&1\n"
                                      "exec dbus-run-session -- sh -c "
                                      "'echo $$ > \"$0/manager\"; exec mate-session' \"$dir\"\n")
                           .toUtf8());
    session_ = std::make_unique<ScopedProcess>(
        "sh", QStringList{session},
        QStringList{"DISPLAY=" + display(), "HOME=" + root + "/home",
                    "XDG_CONFIG_HOME=" + root + "/config", "XDG_DATA_HOME=" + root + "/share",
                    "XDG_CACHE_HOME=" + root + "/cache", "XDG_RUNTIME_DIR=" + root + "/runtime",
                    "PIMBLE_DATA_DIR=" + data, "GSETTINGS_BACKEND=keyfile",
                    // The file system daemon the session's bus starts would
                    // mount its FUSE folder in the runtime folder, and the
                    // mount outlives the daemon's end by kill.
                    "GVFS_DISABLE_FUSE=1", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER"});
  }
  // What the session left running (its window manager, its accessibility
  // bus, the program where a test failed) is known by the home it was
  // given.
  ~MateSession() {
    const QByteArray home = "HOME=" + QFile::encodeName(root_ + "/home");
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs))
      if (pid.toInt() > 0 && contents("/proc/" + pid + "/environ").split('\0').contains(home))
        ::kill(pid.toInt(), SIGKILL);
  }

  QString display() const { return server_.display; }
  // Why the session did not get as far as starting the program, or nothing.
  std::optional<std::string> why() const {
    if (display().isEmpty()) return "Xvfb did not start";
    if (!session_ || !session_->started()) return "mate-session did not start";
    if (!waitUntil([&] { return QFile::exists(root_ + "/bus"); }, 20s))
      return "mate-session started nothing of the autostart folder: " +
             contents(root_ + "/session.log").right(500).toStdString();
    return std::nullopt;
  }
  pid_t manager() const { return contents(root_ + "/manager").toInt(); }
  pid_t pimble() const { return contents(root_ + "/pid").toInt(); }
  // The program's exit status as its shell saw it (128 + a signal that
  // ended it); nothing while it runs.
  std::optional<int> status(std::chrono::milliseconds timeout = 0ms) const {
    if (!waitUntil([&] { return !contents(root_ + "/status").isEmpty(); }, timeout))
      return std::nullopt;
    return contents(root_ + "/status").toInt();
  }
  QByteArray errors() const { return contents(root_ + "/stderr"); }
  bool characterShown() const {
    return waitUntil(
        [&] {
          return pimble() > 0 &&
                 !runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pimble()),
                                      "--name", "^Pimble Glimmet$"})
                      .value_or("")
                      .isEmpty();
        },
        30s);
  }
  bool ended(std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return session_->process().state() == QProcess::NotRunning; }, timeout);
  }
  bool logOut() const {
    const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(contents(root_ + "/bus")));
    return runTool("mate-session-save", {"--force-logout"}).has_value();
  }
  // As a display manager ends it once the session is gone.
  void endDisplay() { server_.stop(); }

 private:
  QString root_;
  OwnXServer server_;
  std::unique_ptr<ScopedProcess> session_;
};

class SessionManagerTest : public ProcessTest {
 protected:
  void SetUp() override {
    ProcessTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* tool :
         {"mate-session", "mate-session-save", "marco", "dbus-run-session", "Xvfb"})
      if (auto why = missingProgram(tool)) GTEST_SKIP() << *why;
    seed(true);
    session_ = std::make_unique<MateSession>(dir_.path() + "/session", data_);
    if (auto why = session_->why()) GTEST_SKIP() << *why;
    display_ = std::make_unique<ScopedEnv>("DISPLAY", session_->display());
  }
  void TearDown() override {
    display_.reset();
    session_.reset();
  }

  // Gone, so that what is there afterwards was written at the end.
  void removeDocuments() {
    for (const char* name : documents) QFile::remove(data_ + "/" + name + ".json");
  }
  void expectEveryDocument() {
    for (const char* name : documents)
      EXPECT_TRUE(QFile::exists(data_ + "/" + name + ".json")) << name;
  }

  std::unique_ptr<MateSession> session_;
  std::unique_ptr<ScopedEnv> display_;
};

TEST_F(SessionManagerTest, TheSessionManagerDyingLeavesTheProgramRunningUntilItsOwnEnd) {
  ASSERT_TRUE(session_->characterShown());
  pause(2s);  // settled in
  ASSERT_EQ(::kill(session_->manager(), SIGKILL), 0);
  pause(5s);
  ASSERT_FALSE(session_->status()) << session_->errors().toStdString();
  ASSERT_TRUE(session_->characterShown());
  // What a write to a peer that hung up raises.
  ::kill(session_->pimble(), SIGPIPE);
  pause(1s);
  ASSERT_FALSE(session_->status()) << "ended by SIGPIPE";

  removeDocuments();
  ::kill(session_->pimble(), SIGTERM);
  EXPECT_EQ(session_->status(10s), 0) << session_->errors().toStdString();
  expectEveryDocument();
}

TEST_F(SessionManagerTest, ALogOutEndsTheProgramAfterItsSaveAndHoldsNothingUp) {
  ASSERT_TRUE(session_->characterShown());
  pause(2s);  // settled in
  removeDocuments();
  ASSERT_TRUE(session_->logOut());
  EXPECT_TRUE(session_->ended(10s)) << "the log-out was held up";
  session_->endDisplay();
  const auto status = session_->status(10s);
  ASSERT_TRUE(status) << "it did not end with its display";
  // 1 where the display's end was the notice, 0 where the session said so.
  EXPECT_TRUE(*status == 0 || *status == 1) << *status;
  EXPECT_FALSE(session_->errors().contains("ICE")) << session_->errors().toStdString();
  expectEveryDocument();
  const auto settings = FilePersistence(data_.toStdString()).load<AppSettings>("settings");
  ASSERT_TRUE(settings);
  EXPECT_TRUE(settings->showCompanion);
}

}  // namespace
}  // namespace pimble::testing
