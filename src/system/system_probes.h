#pragma once

// The machine's answers to "should Pimble stay quiet right now": a
// full-screen window of the application in front, microphone and camera
// users, and applications keeping the display awake (media). Every probe
// answers false or nothing when its source is missing, and none of them
// waits on a peer: the sound server and the buses are read asynchronously
// into tables that the probes consult.

#include <sys/types.h>
#include <QLocale>
#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "models/app_identity.h"
#include "system/camera_users.h"
#include "system/idle_inhibitors.h"
#include "system/microphone_users.h"

namespace pimble {

class Workspace;

class SystemProbes : public QObject {
  Q_OBJECT

 public:
  struct Options {
    // Which device paths count as cameras (tests point it at plain files).
    std::string cameraDevicePattern = "/dev/video*";
  };

  explicit SystemProbes(Workspace& workspace, QObject* parent = nullptr);
  SystemProbes(Workspace& workspace, Options options, QObject* parent = nullptr);
  ~SystemProbes() override;

  // The application, or a process started by it, holds an idle inhibitor.
  bool keepsDisplayAwake(const AppIdentity& app);
  // The process shows a window in the full-screen state, or one covering a
  // whole monitor within 2 pixels.
  bool hasFullscreenWindow(pid_t pid);
  // Names of the applications recording from an input, without duplicates,
  // sorted, this program excluded; "An app" for a recorder without a name.
  std::vector<std::string> appsUsingMicrophone();
  bool cameraInUse();

  // Names joined the way the user's language lists things ("A, B and C").
  static std::string listText(const std::vector<std::string>& names,
                              const QLocale& locale = QLocale());

  MicrophoneUsers& microphone() { return *microphone_; }
  IdleInhibitors& inhibitors() { return *inhibitors_; }

 private:
  Workspace& workspace_;
  CameraUsers camera_;
  std::unique_ptr<MicrophoneUsers> microphone_;
  std::unique_ptr<IdleInhibitors> inhibitors_;
  pid_t ownPid_ = 0;
};

}  // namespace pimble
