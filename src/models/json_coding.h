#pragma once

// Strict, tolerant JSON coding shared by every stored record.
//
// Decoding starts from a record's defaults: a key that is present and not
// null overrides its field; a missing or null key keeps the default. A value
// of the wrong JSON type, an enumeration string naming no case, a malformed
// UUID or date, or a missing required key throws DecodeError, which fails the
// whole document. Integers accept integral numbers only (3 and 3.0, never 1.5,
// "3" or true); booleans only true and false. Never call json::get<T>() on
// untrusted input: go through Coder<T>.
//
// A record R joins in by providing
//   nlohmann::json R::toJson() const;
//   static R R::fromJson(const nlohmann::json&);   // throws DecodeError
// and an enumeration E by specializing EnumNames<E> (see PIMBLE_ENUM_NAMES).

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "models/date.h"
#include "models/uuid.h"

namespace pimble {

using Json = nlohmann::json;

class DecodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Case names of an enumeration, in declaration order.
template <class E>
struct EnumNames;

// PIMBLE_ENUM_NAMES(ReminderKind, {{ReminderKind::water, "water"}, ...});
#define PIMBLE_ENUM_NAMES(Type, ...)                                                             \
  template <>                                                                                    \
  struct EnumNames<Type> {                                                                       \
    static constexpr auto cases = std::to_array<std::pair<Type, std::string_view>>(__VA_ARGS__); \
  }

template <class E>
concept NamedEnum = std::is_enum_v<E> && requires {
  EnumNames<E>::cases;
};

template <NamedEnum E>
std::string_view enumName(E value) {
  for (const auto& [v, name] : EnumNames<E>::cases)
    if (v == value) return name;
  return {};
}

template <NamedEnum E>
std::optional<E> enumFromName(std::string_view name) {
  for (const auto& [v, n] : EnumNames<E>::cases)
    if (n == name) return v;
  return std::nullopt;
}

// Every case in declaration order.
template <NamedEnum E>
std::vector<E> allCases() {
  std::vector<E> out;
  for (const auto& [v, n] : EnumNames<E>::cases) out.push_back(v);
  return out;
}

template <class T>
concept JsonRecord = requires(const T& t, const Json& j) {
  { t.toJson() } -> std::convertible_to<Json>;
  { T::fromJson(j) } -> std::convertible_to<T>;
};

template <class T, class Enable = void>
struct Coder;

template <>
struct Coder<bool> {
  static Json encode(bool v) { return v; }
  static bool decode(const Json& j) {
    if (!j.is_boolean()) throw DecodeError("expected a boolean");
    return j.get<bool>();
  }
};

template <std::integral T>
requires(!std::same_as<T, bool>) struct Coder<T> {
  static Json encode(T v) { return v; }
  static T decode(const Json& j) {
    if (j.is_number_integer() && !j.is_number_unsigned()) {
      const auto v = j.get<std::int64_t>();
      if (std::cmp_less(v, std::numeric_limits<T>::min()) ||
          std::cmp_greater(v, std::numeric_limits<T>::max()))
        throw DecodeError("integer out of range");
      return static_cast<T>(v);
    }
    if (j.is_number_unsigned()) {
      const auto v = j.get<std::uint64_t>();
      if (std::cmp_greater(v, std::numeric_limits<T>::max()))
        throw DecodeError("integer out of range");
      return static_cast<T>(v);
    }
    if (j.is_number_float()) {
      const double d = j.get<double>();
      if (!std::isfinite(d) || std::trunc(d) != d) throw DecodeError("expected an integer");
      // The bounds are exact powers of two or their neighbours in double.
      if (d < static_cast<double>(std::numeric_limits<T>::min()) ||
          d >= static_cast<double>(std::numeric_limits<T>::max()))
        throw DecodeError("integer out of range");
      return static_cast<T>(d);
    }
    throw DecodeError("expected an integer");
  }
};

template <>
struct Coder<double> {
  static Json encode(double v) { return v; }
  static double decode(const Json& j) {
    if (!j.is_number()) throw DecodeError("expected a number");
    return j.get<double>();
  }
};

template <>
struct Coder<std::string> {
  static Json encode(const std::string& v) { return v; }
  static std::string decode(const Json& j) {
    if (!j.is_string()) throw DecodeError("expected a string");
    return j.get<std::string>();
  }
};

template <>
struct Coder<Date> {
  static Json encode(Date v) { return formatISO8601(v); }
  static Date decode(const Json& j) {
    if (!j.is_string()) throw DecodeError("expected a date string");
    auto d = parseISO8601(j.get_ref<const std::string&>());
    if (!d) throw DecodeError("malformed date");
    return *d;
  }
};

template <>
struct Coder<Uuid> {
  static Json encode(const Uuid& v) { return v.string(); }
  static Uuid decode(const Json& j) {
    if (!j.is_string()) throw DecodeError("expected a UUID string");
    auto u = Uuid::parse(j.get_ref<const std::string&>());
    if (!u) throw DecodeError("malformed UUID");
    return *u;
  }
};

template <NamedEnum E>
struct Coder<E> {
  static Json encode(E v) { return std::string(enumName(v)); }
  static E decode(const Json& j) {
    if (!j.is_string()) throw DecodeError("expected an enumeration string");
    auto v = enumFromName<E>(j.get_ref<const std::string&>());
    if (!v) throw DecodeError("unknown enumeration case");
    return *v;
  }
};

template <JsonRecord R>
struct Coder<R> {
  static Json encode(const R& v) { return v.toJson(); }
  static R decode(const Json& j) {
    if (!j.is_object()) throw DecodeError("expected an object");
    return R::fromJson(j);
  }
};

template <class T>
struct Coder<std::vector<T>> {
  static Json encode(const std::vector<T>& v) {
    Json out = Json::array();
    for (const auto& e : v) out.push_back(Coder<T>::encode(e));
    return out;
  }
  static std::vector<T> decode(const Json& j) {
    if (!j.is_array()) throw DecodeError("expected an array");
    std::vector<T> out;
    out.reserve(j.size());
    for (const auto& e : j) out.push_back(Coder<T>::decode(e));
    return out;
  }
};

template <class T>
struct Coder<std::set<T>> {
  static Json encode(const std::set<T>& v) {
    Json out = Json::array();
    for (const auto& e : v) out.push_back(Coder<T>::encode(e));
    return out;
  }
  static std::set<T> decode(const Json& j) {
    if (!j.is_array()) throw DecodeError("expected an array");
    std::set<T> out;
    for (const auto& e : j) out.insert(Coder<T>::decode(e));
    return out;
  }
};

template <class T>
struct Coder<std::map<std::string, T>> {
  static Json encode(const std::map<std::string, T>& v) {
    Json out = Json::object();
    for (const auto& [k, e] : v) out[k] = Coder<T>::encode(e);
    return out;
  }
  static std::map<std::string, T> decode(const Json& j) {
    if (!j.is_object()) throw DecodeError("expected an object");
    std::map<std::string, T> out;
    for (const auto& [k, e] : j.items()) out.emplace(k, Coder<T>::decode(e));
    return out;
  }
};

template <class T>
Json encodeValue(const T& v) {
  return Coder<T>::encode(v);
}

template <class T>
T decodeValue(const Json& j) {
  return Coder<T>::decode(j);
}

// The object a record decodes from; anything else fails the document.
inline const Json& requireObject(const Json& j) {
  if (!j.is_object()) throw DecodeError("expected an object");
  return j;
}

// Overrides `field` when `key` is present and not null; true when it did.
template <class T>
bool readField(const Json& obj, std::string_view key, T& field) {
  auto it = obj.find(key);
  if (it == obj.end() || it->is_null()) return false;
  field = Coder<T>::decode(*it);
  return true;
}

template <class T>
bool readField(const Json& obj, std::string_view key, std::optional<T>& field) {
  auto it = obj.find(key);
  if (it == obj.end() || it->is_null()) return false;
  field = Coder<T>::decode(*it);
  return true;
}

// A key that must be present and not null.
template <class T>
T readRequired(const Json& obj, std::string_view key) {
  auto it = obj.find(key);
  if (it == obj.end() || it->is_null()) throw DecodeError("missing key " + std::string(key));
  return Coder<T>::decode(*it);
}

// Writes `key`; an optional holding nothing is left out.
template <class T>
void writeField(Json& obj, std::string_view key, const T& value) {
  obj[std::string(key)] = Coder<T>::encode(value);
}

template <class T>
void writeField(Json& obj, std::string_view key, const std::optional<T>& value) {
  if (value) obj[std::string(key)] = Coder<T>::encode(*value);
}

// Writes `key` always: the value, or JSON null when the optional holds nothing.
template <class T>
void writeNullable(Json& obj, std::string_view key, const std::optional<T>& value) {
  obj[std::string(key)] = value ? Coder<T>::encode(*value) : Json(nullptr);
}

// What a stored document may be. The largest the program writes (activity
// over 120 days of 100 watched applications) is under 1 MiB and 15 000
// values; the bounds leave several times that room, and keep a hostile or
// damaged file cheap to refuse: it is turned away while it is read, before
// a deep or huge tree is built.
inline constexpr std::size_t maxDocumentBytes = 4 * 1024 * 1024;
// Levels of arrays and objects; the records nest at most four deep.
inline constexpr std::size_t maxDocumentDepth = 64;
// Values of every kind, containers included.
inline constexpr std::size_t maxDocumentValues = 100'000;

// Pretty-printed (two spaces, sorted keys) with invalid UTF-8 replaced, or
// nothing when the tree holds a non-finite number or the document would be
// beyond the bounds above: what is written always reads back.
std::optional<std::string> dumpDocument(const Json& j);

// The same on one line, for documents kept in memory.
std::optional<std::string> dumpCompactDocument(const Json& j);

// Parses text without throwing; nothing on any syntax error and for text
// beyond the document bounds.
std::optional<Json> parseDocument(std::string_view text);

// Decodes a whole document as T: nothing on a syntax error or any DecodeError
// (and on any other exception the coding may raise).
template <class T>
std::optional<T> decodeDocument(std::string_view text) {
  auto j = parseDocument(text);
  if (!j) return std::nullopt;
  try {
    return Coder<T>::decode(*j);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Encodes T as a document: nothing when the value cannot be written.
template <class T>
std::optional<std::string> encodeDocument(const T& value) {
  try {
    return dumpDocument(Coder<T>::encode(value));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace pimble
