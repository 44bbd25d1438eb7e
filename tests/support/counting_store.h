#pragma once

// Documents in memory; every read and write is noted by name, in order.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "models/memory_persistence.h"

namespace pimble::testing {

class CountingStore : public MemoryPersistence {
 public:
  mutable std::vector<std::string> reads;
  std::vector<std::string> writes;

  int writeCount(const std::string& name) const {
    return int(std::count(writes.begin(), writes.end(), name));
  }
  void forget() {
    reads.clear();
    writes.clear();
  }

 protected:
  void readCandidates(std::string_view name, const Accepts& accept) const override {
    reads.emplace_back(name);
    MemoryPersistence::readCandidates(name, accept);
  }
  void write(std::string_view name, const Json* document, const Accepts& decodes) override {
    writes.emplace_back(name);
    MemoryPersistence::write(name, document, decodes);
  }
};

}  // namespace pimble::testing
