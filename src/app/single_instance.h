#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>

class QSocketNotifier;

namespace pimble {

// One running copy per user and data directory. The first copy holds an
// advisory lock on a file beside its local socket (the kernel lets it go
// when the process ends, however it ends) and listens on the socket; a later
// copy on the same directory finds the lock taken, asks the running copy to
// reopen through the socket, and ends. Copies on other data directories run
// side by side. Both names derive from "pimble-glimmet", the user and the
// resolved data directory, in $XDG_RUNTIME_DIR (else a private folder in the
// temporary directory).
//
// claim() and askToReopen() use plain system calls: a second copy decides
// before it creates any window, connection or file of its own.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Claim {
    first,    // this copy runs; call listen() once the program is up
    running,  // another copy runs on this data directory
    failed,   // no lock could be taken (no usable folder): run anyway
  };
  enum class Reopen {
    done,      // the running copy answered
    noAnswer,  // it holds the lock but did not answer in time
    gone,      // it ended without answering: this copy now holds the lock
  };

  explicit SingleInstance(const std::filesystem::path& dataDirectory, QObject* parent = nullptr);
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  Claim claim();
  // Asks the running copy to reopen and waits for its answer, at most
  // `timeoutMs` (it may still be starting, or be ending: then this copy
  // takes the lock as soon as it is let go).
  Reopen askToReopen(int timeoutMs = 5000);
  // Listens for later copies (needs the Qt event loop); false when the
  // socket cannot be made, which leaves later copies unanswered.
  bool listen();

  // A later copy asked to reopen: true when done. False when this copy is
  // ending: the later copy goes unanswered, waits for this one to be gone
  // and runs in its place.
  std::function<bool()> onReopen;

  const QString& socketPath() const { return socketPath_; }
  const QString& lockPath() const { return lockPath_; }
  // The key naming both: user and data directory.
  static QString key(const std::filesystem::path& dataDirectory);

 private:
  void serve();

  QString socketPath_;
  QString lockPath_;
  int lockFd_ = -1;
  int listenFd_ = -1;
  QSocketNotifier* listener_ = nullptr;
};

}  // namespace pimble
