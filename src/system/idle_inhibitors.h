#pragma once

// Who keeps the display awake: idle inhibitors held through logind (system
// bus), GNOME's session manager and KDE's power-management policy agent.
// The three are asked asynchronously; a question is answered from the last
// complete reading and starts a new one when that is older than a second.

#include <sys/types.h>
#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <string>
#include <vector>

namespace pimble {

class IdleInhibitors : public QObject {
  Q_OBJECT

 public:
  struct Inhibitor {
    pid_t pid = 0;      // logind's inhibitors name a process
    std::string appId;  // GNOME's and KDE's name an application
    friend bool operator==(const Inhibitor&, const Inhibitor&) = default;
  };

  explicit IdleInhibitors(QObject* parent = nullptr);

  // The last complete reading; starts a fresh one when it is stale.
  std::vector<Inhibitor> current();
  // Starts a reading now (unless one is under way).
  void refresh();

  // A reading finished (whether or not anything changed).
  std::function<void()> onRefreshed;

 private:
  void askLogind();
  void askGnome();
  void askKde();
  void partDone();

  std::vector<Inhibitor> current_;
  std::vector<Inhibitor> reading_;
  int pending_ = 0;
  QElapsedTimer age_;
};

}  // namespace pimble
