#pragma once

#include <QString>
#include <cstdint>

namespace pimble {

// A display's id: a 32-bit hash of its connector name and its serial number,
// the same on every run and across reconnections, so a saved position finds
// its display again. 0 (no id) only when both are empty.
std::uint32_t displayID(const QString& name, const QString& serial);

}  // namespace pimble
