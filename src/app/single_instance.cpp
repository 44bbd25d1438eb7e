#include "app/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

namespace pimble {
namespace {

constexpr const char* reopenRequest = "reopen\n";
constexpr const char* reopenAnswer = "ok\n";
constexpr qsizetype longestRequest = 64;
// Room for the socket name in sockaddr_un::sun_path.
constexpr std::size_t longestSocketPath = sizeof(sockaddr_un::sun_path) - 1;

// A folder only this user can enter, or empty.
bool isPrivateFolder(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// The program's own folder in the temporary directory, made when missing;
// empty when it is not private.
QString temporaryFolder() {
  const QString folder = QDir::tempPath() + QStringLiteral("/pimble-glimmet-%1").arg(::getuid());
  ::mkdir(QFile::encodeName(folder).constData(), 0700);
  return isPrivateFolder(folder) ? folder : QString();
}

QString runtimeFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime)) return runtime;
  return temporaryFolder();
}

// The socket's address; none when the path is empty or too long.
std::optional<sockaddr_un> socketAddress(const QString& socketPath) {
  const QByteArray path = QFile::encodeName(socketPath);
  if (path.isEmpty() || std::size_t(path.size()) > longestSocketPath) return std::nullopt;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
  return address;
}

std::chrono::steady_clock::time_point deadlineAfter(int ms) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, ms));
}

int msLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return int(std::max<std::int64_t>(0, left.count()));
}

// One later copy's connection, closed when it is done or its server goes.
class Caller : public QObject {
 public:
  // `reopen`: false leaves the request unanswered.
  Caller(int fd, std::function<bool()> reopen, QObject* parent)
      : QObject(parent), reopen_(std::move(reopen)), fd_(fd), notifier_(fd, QSocketNotifier::Read) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, this, [this] { read(); });
  }
  ~Caller() override {
    notifier_.setEnabled(false);
    ::close(fd_);
  }
  // Still without a whole request 5 s after connecting.
  bool overdue() const {
    return std::chrono::steady_clock::now() - since_ > std::chrono::seconds(5);
  }

 private:
  void read() {
    char buffer[longestRequest + 1];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n > 0) request_.append(buffer, qsizetype(n));
    const qsizetype end = request_.indexOf('\n');
    // Nothing but short requests are spoken here.
    if (n > 0 && end < 0 && request_.size() <= longestRequest) return;
    if (end >= 0 && request_.left(end + 1) == reopenRequest && reopen_()) {
      const std::size_t length = std::strlen(reopenAnswer);
      (void)::send(fd_, reopenAnswer, length, MSG_NOSIGNAL);
    }
    notifier_.setEnabled(false);
    deleteLater();
  }

  std::function<bool()> reopen_;
  int fd_;
  const std::chrono::steady_clock::time_point since_ = std::chrono::steady_clock::now();
  QSocketNotifier notifier_;
  QByteArray request_;
};

}  // namespace

QString SingleInstance::key(const std::filesystem::path& dataDirectory) {
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(dataDirectory, error);
  if (error) resolved = dataDirectory.lexically_normal();
  const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(resolved.string()),
                                                     QCryptographicHash::Sha256);
  return QStringLiteral("pimble-glimmet-%1-%2")
      .arg(::getuid())
      .arg(QString::fromLatin1(digest.toHex().left(16)));
}

SingleInstance::SingleInstance(const std::filesystem::path& dataDirectory, QObject* parent)
    : QObject(parent) {
  QString folder = runtimeFolder();
  if (folder.isEmpty()) return;
  const QString name = QLatin1Char('/') + key(dataDirectory);
  // A runtime folder with a very long path: the temporary one instead.
  if (!socketAddress(folder + name + QStringLiteral(".sock"))) folder = temporaryFolder();
  if (folder.isEmpty()) return;
  socketPath_ = folder + name + QStringLiteral(".sock");
  lockPath_ = folder + name + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance() {
  if (listenFd_ >= 0) {
    delete listener_;
    ::close(listenFd_);
    ::unlink(QFile::encodeName(socketPath_).constData());
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

SingleInstance::Claim SingleInstance::claim() {
  if (lockFd_ >= 0) return Claim::first;
  if (lockPath_.isEmpty()) return Claim::failed;
  const int fd = ::open(QFile::encodeName(lockPath_).constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return Claim::failed;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    lockFd_ = fd;
    return Claim::first;
  }
  const int error = errno;
  ::close(fd);
  return error == EWOULDBLOCK ? Claim::running : Claim::failed;
}

SingleInstance::Reopen SingleInstance::askToReopen(int timeoutMs) {
  const auto deadline = deadlineAfter(timeoutMs);
  const std::optional<sockaddr_un> address = socketAddress(socketPath_);
  if (!address) return Reopen::noAnswer;

  // The running copy may still be starting (its socket comes a moment after
  // its lock), or be ending (its socket goes a moment before its lock).
  int fd = -1;
  while (true) {
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Reopen::noAnswer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0) break;
    ::close(fd);
    fd = -1;
    if (claim() == Claim::first) return Reopen::gone;
    if (msLeft(deadline) == 0) return Reopen::noAnswer;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  bool answered = false;
  const std::size_t length = std::strlen(reopenRequest);
  if (::send(fd, reopenRequest, length, MSG_NOSIGNAL) == ssize_t(length)) {
    QByteArray reply;
    while (!reply.contains('\n')) {
      pollfd p{fd, POLLIN, 0};
      const int ready = ::poll(&p, 1, msLeft(deadline));
      if (ready <= 0) break;
      char buffer[16];
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      reply.append(buffer, int(n));
    }
    answered = reply == reopenAnswer;
  }
  ::close(fd);
  if (answered) return Reopen::done;
  // A copy that ends as it is asked closes the connection unanswered; the
  // kernel lets its lock go when the process is gone.
  while (claim() != Claim::first) {
    if (msLeft(deadline) == 0) return Reopen::noAnswer;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return Reopen::gone;
}

bool SingleInstance::listen() {
  if (listenFd_ >= 0) return true;
  if (lockFd_ < 0) return false;
  const std::optional<sockaddr_un> address = socketAddress(socketPath_);
  if (!address) return false;
  const char* path = address->sun_path;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  // The lock is ours: a socket file left there belongs to a copy that is
  // gone.
  ::unlink(path);
  // Only this user may connect (the folder is private as well).
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
      ::chmod(path, 0600) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    return false;
  }
  listenFd_ = fd;
  listener_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(listener_, &QSocketNotifier::activated, this, [this] { serve(); });
  return true;
}

void SingleInstance::serve() {
  // A caller that never finishes its request does not hold its connection
  // for the rest of the day: the next one to come lets it go.
  for (QObject* child : children()) {
    if (auto* caller = dynamic_cast<Caller*>(child); caller != nullptr && caller->overdue()) {
      caller->deleteLater();
    }
  }
  while (true) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;
    }
    const auto reopen = [this] { return !onReopen || onReopen(); };
    new Caller(fd, reopen, this);
  }
}

}  // namespace pimble
