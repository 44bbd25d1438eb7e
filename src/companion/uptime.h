#pragma once

namespace pimble {

// Monotonic seconds of this process, for gesture timing and throttling.
double uptimeSeconds();

}  // namespace pimble
