#include "services/interruption_guard.h"

#include "services/app_catalog.h"

namespace pimble {

InterruptionGuard::InterruptionGuard(Probes p) : probes(std::move(p)) {}

std::vector<std::string> InterruptionGuard::microphoneUsers() const {
  if (!probes.appsUsingMicrophone) return {};
  return probes.appsUsingMicrophone();
}

bool InterruptionGuard::cameraOn() const {
  return probes.cameraInUse && probes.cameraInUse();
}

bool InterruptionGuard::isQuietFullscreen(const std::optional<AppIdentity>& frontmost) const {
  if (!frontmost) return false;
  if (settings.fullscreen == FullscreenPolicy::never) return false;
  if (frontmost->bundleID == AppCatalog::ownBundleID()) return false;
  if (settings.fullscreen == FullscreenPolicy::mediaApps &&
      !AppCatalog::quietKind(frontmost->bundleID) && !mediaApps.contains(frontmost->bundleID))
    return false;
  return probes.hasFullscreenWindow && probes.hasFullscreenWindow(frontmost->pid);
}

std::set<AwarenessBlocker> InterruptionGuard::blockers(
    const std::optional<AppIdentity>& frontmost) const {
  std::set<AwarenessBlocker> out;
  if (isQuietFullscreen(frontmost)) out.insert(AwarenessBlocker::fullscreen);
  if (settings.duringCalls) {
    // Both probes are always asked, so that each keeps its own view fresh.
    const bool mics = !microphoneUsers().empty();
    const bool camera = cameraOn();
    if (mics || camera) out.insert(AwarenessBlocker::call);
  }
  return out;
}

bool InterruptionGuard::wantsVisibilityRechecks(const std::optional<AppIdentity>& frontmost) const {
  if (!frontmost || !settings.hideGlimmetInFullscreen ||
      settings.fullscreen == FullscreenPolicy::never)
    return false;
  const auto kind = AppCatalog::quietKind(frontmost->bundleID);
  if (kind) return *kind != AppCatalog::QuietKind::browser;
  if (settings.fullscreen == FullscreenPolicy::anyApp) return true;
  return mediaApps.contains(frontmost->bundleID);
}

std::string InterruptionGuard::englishList(const std::vector<std::string>& items) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) {
      if (items.size() > 2) out += ",";
      out += i + 1 == items.size() ? " and " : " ";
    }
    out += items[i];
  }
  return out;
}

std::string InterruptionGuard::statusText(const std::optional<AppIdentity>& frontmost) const {
  std::vector<std::string> reasons;
  if (frontmost && isQuietFullscreen(frontmost))
    reasons.push_back(frontmost->name + " is fullscreen");
  std::vector<std::string> mics;
  bool camera = false;
  if (settings.duringCalls) {
    mics = microphoneUsers();
    camera = cameraOn();
  }
  if (!mics.empty())
    reasons.push_back("microphone in use by " +
                      (probes.formatList ? probes.formatList(mics) : englishList(mics)));
  if (camera) reasons.push_back("camera in use");
  if (reasons.empty()) return "Right now: nothing is holding Pimble back.";
  std::string text = "Right now Pimble is waiting: ";
  for (std::size_t i = 0; i < reasons.size(); ++i) {
    if (i > 0) text += ", ";
    text += reasons[i];
  }
  return text + ".";
}

}  // namespace pimble
