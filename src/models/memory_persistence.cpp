#include "models/memory_persistence.h"

namespace pimble {

void MemoryPersistence::readCandidates(std::string_view name, const Accepts& accept) const {
  if (const auto it = store_.find(name); it != store_.end()) accept(it->second);
}

void MemoryPersistence::write(std::string_view name, const Json* document, const Accepts&) {
  if (!document) return;
  auto bytes = dumpCompactDocument(*document);
  if (!bytes) return;
  store_.insert_or_assign(std::string(name), std::move(*bytes));
}

}  // namespace pimble
