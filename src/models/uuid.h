#pragma once

// A UUID, written as upper-case hyphenated hex and read in either case.

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pimble {

class Uuid {
 public:
  Uuid() = default;  // the nil UUID
  static Uuid generate();
  static std::optional<Uuid> parse(std::string_view text);

  std::string string() const;
  bool isNil() const;
  const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

  friend auto operator<=>(const Uuid&, const Uuid&) = default;

 private:
  std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace pimble

template <>
struct std::hash<pimble::Uuid> {
  std::size_t operator()(const pimble::Uuid& u) const noexcept {
    std::size_t h = 1469598103934665603ull;
    for (auto b : u.bytes()) h = (h ^ b) * 1099511628211ull;
    return h;
  }
};
