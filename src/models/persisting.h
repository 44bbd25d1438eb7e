#pragma once

// The one way in and out of storage: named JSON documents. Loads answer
// nothing when no readable, decodable copy exists; saves swallow failures.
// Nothing here throws.

#include <functional>
#include <optional>
#include <string_view>

#include "models/json_coding.h"

namespace pimble {

class Persisting {
 public:
  virtual ~Persisting() = default;

  template <class T>
  std::optional<T> load(std::string_view name) const noexcept {
    try {
      std::optional<T> out;
      readCandidates(name, [&out](std::string_view bytes) {
        out = decodeDocument<T>(bytes);
        return out.has_value();
      });
      return out;
    } catch (...) {
      return std::nullopt;
    }
  }

  template <class T>
  void save(const T& value, std::string_view name) noexcept {
    try {
      std::optional<Json> document;
      try {
        document = Coder<T>::encode(value);
      } catch (const std::exception&) {
      }
      write(name, document ? &*document : nullptr,
            [](std::string_view bytes) { return decodeDocument<T>(bytes).has_value(); });
    } catch (...) {
    }
  }

 protected:
  // True when the bytes decode as the document's record type.
  using Accepts = std::function<bool(std::string_view bytes)>;
  // Offers the stored copies of `name`, best first, until one is accepted.
  virtual void readCandidates(std::string_view name, const Accepts& accept) const = 0;
  // Stores `document` (nullptr: the value could not be encoded) under `name`.
  virtual void write(std::string_view name, const Json* document, const Accepts& decodes) = 0;
};

}  // namespace pimble
