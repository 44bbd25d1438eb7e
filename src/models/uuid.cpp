#include "models/uuid.h"

#include <uuid/uuid.h>

#include <algorithm>

namespace pimble {

Uuid Uuid::generate() {
  Uuid u;
  uuid_t raw;
  uuid_generate_random(raw);
  std::copy(std::begin(raw), std::end(raw), u.bytes_.begin());
  return u;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
  // Exactly the 36-character hyphenated form; libuuid would accept the same.
  if (text.size() != 36) return std::nullopt;
  Uuid u;
  size_t byte = 0;
  for (size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    auto nibble = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    const int hi = nibble(text[i]);
    const int lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    u.bytes_[byte++] = static_cast<std::uint8_t>(hi * 16 + lo);
    i += 2;
  }
  return u;
}

std::string Uuid::string() const {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(36);
  for (size_t i = 0; i < bytes_.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(kHex[bytes_[i] >> 4]);
    out.push_back(kHex[bytes_[i] & 0xF]);
  }
  return out;
}

bool Uuid::isNil() const {
  return std::all_of(bytes_.begin(), bytes_.end(), [](auto b) { return b == 0; });
}

}  // namespace pimble
