#pragma once

// Runs libpulse on the Qt event loop of the main thread: its descriptors
// become socket notifiers, its time events Qt timers and its deferred events
// zero-delay timers, so every callback of a context arrives on the main
// thread without a second loop or thread.

#include <pulse/mainloop-api.h>

namespace pimble {

class PulseQtMainloop {
 public:
  PulseQtMainloop();
  ~PulseQtMainloop();
  PulseQtMainloop(const PulseQtMainloop&) = delete;
  PulseQtMainloop& operator=(const PulseQtMainloop&) = delete;

  pa_mainloop_api* api() { return &api_; }

 private:
  pa_mainloop_api api_{};
};

}  // namespace pimble
