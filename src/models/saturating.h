#pragma once

// Integer arithmetic on values read from files, which may be anything an
// editor puts there: results stop at the type's limits instead of overflowing.

#include <cstdint>
#include <limits>

namespace pimble {

inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
  std::int64_t out;
  if (!__builtin_add_overflow(a, b, &out)) return out;
  return b > 0 ? std::numeric_limits<std::int64_t>::max()
               : std::numeric_limits<std::int64_t>::min();
}

}  // namespace pimble
