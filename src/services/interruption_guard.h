#pragma once

// Decides, for the application in front, why reminders, check-ins, intention
// prompts and greetings must wait right now: a call (an application records
// from the microphone, or a camera is on) or a full-screen window of an
// application the user's quiet settings name. It also tells the owner whether
// to keep re-checking full screen (to hide the character) and writes the
// one-line quiet status for the settings.
//
// Plain C++: the machine is asked only through `Probes`, which the owner fills
// with the desktop's probes and tests fill with fakes. An empty probe answers
// false or nothing. Nothing is cached; every answer reads the probes afresh.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "models/app_identity.h"
#include "models/stay_quiet_settings.h"
#include "services/awareness_blocker.h"

namespace pimble {

class InterruptionGuard {
 public:
  struct Probes {
    // The process shows a window covering a whole display.
    std::function<bool(std::int32_t pid)> hasFullscreenWindow;
    // Names of the applications recording from an input right now, without
    // duplicates, in ascending order, this program excluded.
    std::function<std::vector<std::string>()> appsUsingMicrophone;
    // Some camera is in use.
    std::function<bool()> cameraInUse;
    // Joins names into a phrase for the status line ("A, B, and C"). Empty:
    // English conjunction lists.
    std::function<std::string(const std::vector<std::string>&)> formatList;
  };

  explicit InterruptionGuard(Probes probes = {});

  Probes probes;
  StayQuietSettings settings;
  // Watched video and game applications, which count as media applications
  // besides the catalogue's quiet kinds.
  std::set<std::string> mediaApps;

  std::set<AwarenessBlocker> blockers(const std::optional<AppIdentity>& frontmost) const;
  bool isQuietFullscreen(const std::optional<AppIdentity>& frontmost) const;
  bool wantsVisibilityRechecks(const std::optional<AppIdentity>& frontmost) const;
  std::string statusText(const std::optional<AppIdentity>& frontmost) const;

  // "A", "A and B", "A, B, and C".
  static std::string englishList(const std::vector<std::string>& items);

 private:
  std::vector<std::string> microphoneUsers() const;
  bool cameraOn() const;
};

}  // namespace pimble
