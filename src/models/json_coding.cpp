#include "models/json_coding.h"

namespace pimble {

bool containsNonFinite(const Json& root) {
  // Iterative, so a deeply nested document cannot exhaust the stack.
  std::vector<const Json*> pending{&root};
  while (!pending.empty()) {
    const Json* j = pending.back();
    pending.pop_back();
    if (j->is_number_float() && !std::isfinite(j->get<double>())) return true;
    if (j->is_structured())
      for (const auto& child : *j) pending.push_back(&child);
  }
  return false;
}

std::optional<std::string> dumpDocument(const Json& j) {
  if (containsNonFinite(j)) return std::nullopt;
  try {
    return j.dump(2, ' ', false, Json::error_handler_t::replace);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::string> dumpCompactDocument(const Json& j) {
  if (containsNonFinite(j)) return std::nullopt;
  try {
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<Json> parseDocument(std::string_view text) {
  Json j = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (j.is_discarded()) return std::nullopt;
  return j;
}

}  // namespace pimble
