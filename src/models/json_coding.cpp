#include "models/json_coding.h"

namespace pimble {

namespace {

// What a document must be to read back: finite numbers only, within the
// depth and value bounds. Iterative, so a deep tree cannot exhaust the stack.
bool storable(const Json& root) {
  std::vector<std::pair<const Json*, std::size_t>> pending{{&root, 1}};
  std::size_t values = 0;
  while (!pending.empty()) {
    const auto [j, depth] = pending.back();
    pending.pop_back();
    if (++values > maxDocumentValues) return false;
    if (j->is_number_float() && !std::isfinite(j->get<double>())) return false;
    if (j->is_structured()) {
      if (depth > maxDocumentDepth) return false;
      for (const auto& child : *j) pending.emplace_back(&child, depth + 1);
    }
  }
  return true;
}

std::optional<std::string> dumpWithin(const Json& j, int indent) {
  if (!storable(j)) return std::nullopt;
  try {
    auto text = j.dump(indent, ' ', false, Json::error_handler_t::replace);
    if (text.size() > maxDocumentBytes) return std::nullopt;
    return text;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Builds the tree from the parser's events and stops the parse at the first
// level or value beyond the bounds, so a hostile document costs no more than
// its allowed part.
class BoundedTreeBuilder {
 public:
  explicit BoundedTreeBuilder(Json& root) : root_(root) {}

  bool null() { return place(Json(nullptr)) != nullptr; }
  bool boolean(bool v) { return place(Json(v)) != nullptr; }
  bool number_integer(Json::number_integer_t v) { return place(Json(v)) != nullptr; }
  bool number_unsigned(Json::number_unsigned_t v) { return place(Json(v)) != nullptr; }
  bool number_float(Json::number_float_t v, const Json::string_t&) {
    return place(Json(v)) != nullptr;
  }
  bool string(Json::string_t& v) { return place(Json(std::move(v))) != nullptr; }
  bool binary(Json::binary_t&) { return false; }  // JSON text has none
  bool start_object(std::size_t) { return open(Json::object()); }
  bool key(Json::string_t& k) {
    // A repeated key keeps its last value, as a plain parse does.
    slot_ = &(*open_.back())[std::move(k)];
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(Json::array()); }
  bool end_array() { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    return false;
  }

 private:
  // The new value's place in the tree; nothing past the value bound. An open
  // container gets no other child until it closes, so the pointers kept in
  // `open_` stay valid.
  Json* place(Json&& value) {
    if (++values_ > maxDocumentValues) return nullptr;
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *open_.back();
    if (parent.is_array()) {
      auto& items = parent.get_ref<Json::array_t&>();
      items.push_back(std::move(value));
      return &items.back();
    }
    *slot_ = std::move(value);
    return slot_;
  }
  bool open(Json&& container) {
    if (open_.size() >= maxDocumentDepth) return false;
    Json* at = place(std::move(container));
    if (!at) return false;
    open_.push_back(at);
    return true;
  }
  bool close() {
    open_.pop_back();
    return true;
  }

  Json& root_;
  std::vector<Json*> open_;
  Json* slot_ = nullptr;
  std::size_t values_ = 0;
};

}  // namespace

std::optional<std::string> dumpDocument(const Json& j) {
  return dumpWithin(j, 2);
}

std::optional<std::string> dumpCompactDocument(const Json& j) {
  return dumpWithin(j, -1);
}

std::optional<Json> parseDocument(std::string_view text) {
  if (text.size() > maxDocumentBytes) return std::nullopt;
  try {
    Json root;
    BoundedTreeBuilder builder(root);
    if (!Json::sax_parse(text.begin(), text.end(), &builder)) return std::nullopt;
    return root;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace pimble
