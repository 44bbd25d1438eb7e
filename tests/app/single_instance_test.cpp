// The one-copy lock and its names, in process; the copies themselves are
// tested as real processes in process_test.cpp.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "app/single_instance.h"

namespace pimble {
namespace {

namespace fs = std::filesystem;

TEST(SingleInstance, TheKeyIsTheResolvedDataDirectory) {
  QTemporaryDir dir;
  const fs::path base = dir.path().toStdString();
  fs::create_directories(base / "data");
  fs::create_symlink(base / "data", base / "link");
  const QString key = SingleInstance::key(base / "data");
  EXPECT_TRUE(key.startsWith(QStringLiteral("pimble-glimmet-")));
  EXPECT_EQ(SingleInstance::key(base / "data/"), key);
  EXPECT_EQ(SingleInstance::key(base / "other/../data"), key);
  EXPECT_EQ(SingleInstance::key(base / "link"), key);
  EXPECT_NE(SingleInstance::key(base / "other"), key);
  // A directory that does not exist yet keys the same once it does.
  const QString before = SingleInstance::key(base / "later");
  fs::create_directories(base / "later");
  EXPECT_EQ(SingleInstance::key(base / "later"), before);
}

TEST(SingleInstance, OneHolderPerDirectoryUntilItLetsGo) {
  QTemporaryDir dir;
  const fs::path a = fs::path(dir.path().toStdString()) / "a";
  const fs::path b = fs::path(dir.path().toStdString()) / "b";
  auto first = std::make_unique<SingleInstance>(a);
  ASSERT_EQ(first->claim(), SingleInstance::Claim::first);
  EXPECT_EQ(first->claim(), SingleInstance::Claim::first);  // asking again keeps it
  EXPECT_EQ(SingleInstance(a).claim(), SingleInstance::Claim::running);
  EXPECT_EQ(SingleInstance(b).claim(), SingleInstance::Claim::first);
  // Held but not listening: a later copy gets no answer, and says so.
  EXPECT_EQ(SingleInstance(a).askToReopen(200), SingleInstance::Reopen::noAnswer);
  // Let go while a later copy asks: that copy takes its place.
  SingleInstance later(a);
  ASSERT_EQ(later.claim(), SingleInstance::Claim::running);
  auto asked = std::async(std::launch::async, [&] { return later.askToReopen(2000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  first.reset();
  EXPECT_EQ(asked.get(), SingleInstance::Reopen::gone);
  EXPECT_EQ(SingleInstance(a).claim(), SingleInstance::Claim::running);
}

// Sends `request` to the socket at `path` and returns what comes back before
// the other side closes (at most a second), while the event loop here runs.
std::string ask(const QString& path, const std::string& request) {
  auto reply = std::async(std::launch::async, [path, request] {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      timeval wait{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
      (void)::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
      char buffer[64];
      for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, n);
    }
    ::close(fd);
    return answer;
  });
  while (reply.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
    QCoreApplication::processEvents();
  }
  return reply.get();
}

TEST(SingleInstance, TheRunningCopyAnswersAReopenAndNothingElse) {
  QTemporaryDir dir;
  const fs::path data = fs::path(dir.path().toStdString()) / "data";
  auto running = std::make_unique<SingleInstance>(data);
  ASSERT_EQ(running->claim(), SingleInstance::Claim::first);
  int reopens = 0;
  running->onReopen = [&] {
    ++reopens;
    return true;
  };
  ASSERT_TRUE(running->listen());
  EXPECT_TRUE(running->listen());
  // Only this user may connect.
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(running->socketPath()).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  EXPECT_EQ(ask(running->socketPath(), "reopen\n"), "ok\n");
  EXPECT_EQ(reopens, 1);
  // Anything else, a line too long or one cut short is closed unanswered.
  EXPECT_EQ(ask(running->socketPath(), "quit\n"), "");
  EXPECT_EQ(ask(running->socketPath(), std::string(200, 'r')), "");
  EXPECT_EQ(ask(running->socketPath(), "reop"), "");
  EXPECT_EQ(reopens, 1);

  // A caller that connects and says nothing holds up no one else.
  const int silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(running->socketPath());
  std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
  ASSERT_EQ(::connect(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  // A later copy asking the usual way.
  std::future<SingleInstance::Reopen> later =
      std::async(std::launch::async, [&] { return SingleInstance(data).askToReopen(2000); });
  while (later.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(later.get(), SingleInstance::Reopen::done);
  EXPECT_EQ(reopens, 2);
  ::close(silent);

  const QString socket = running->socketPath();
  running.reset();
  EXPECT_FALSE(QFile::exists(socket));
}

TEST(SingleInstance, ACopyEndingAsItIsAskedLeavesTheLaterCopyToRunInItsPlace) {
  QTemporaryDir dir;
  const fs::path data = fs::path(dir.path().toStdString()) / "data";
  auto running = std::make_unique<SingleInstance>(data);
  ASSERT_EQ(running->claim(), SingleInstance::Claim::first);
  bool asked = false;
  running->onReopen = [&] {
    asked = true;
    return false;  // ending
  };
  ASSERT_TRUE(running->listen());

  std::future<SingleInstance::Reopen> later =
      std::async(std::launch::async, [&] { return SingleInstance(data).askToReopen(3000); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!asked && std::chrono::steady_clock::now() < deadline) QCoreApplication::processEvents();
  ASSERT_TRUE(asked);
  // Unanswered, the later copy waits for the lock instead of ending.
  EXPECT_EQ(later.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  running.reset();
  EXPECT_EQ(later.get(), SingleInstance::Reopen::gone);
}

}  // namespace
}  // namespace pimble
