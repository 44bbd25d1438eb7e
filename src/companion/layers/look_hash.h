#pragma once

#include <cstdint>
#include <cstring>

namespace pimble::look_hash {

// FNV-1a style folding of 64-bit words, with a shift so that nearby values
// spread; used to tell apart how a subtree looks.
inline void mix(uint64_t& hash, uint64_t v) {
  hash = (hash ^ v) * 0x100000001b3ULL;
  hash ^= hash >> 29;
}

inline void mixDouble(uint64_t& hash, double d) {
  if (d == 0) d = 0;  // -0 looks like 0
  uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  mix(hash, bits);
}

}  // namespace pimble::look_hash
