#pragma once

#include <map>
#include <string>

#include "models/persisting.h"

namespace pimble {

// Documents kept in memory, compact, without backups; for running the model
// or the controller without a data directory.
class MemoryPersistence : public Persisting {
 protected:
  void readCandidates(std::string_view name, const Accepts& accept) const override;
  // A value that cannot be encoded keeps the previous entry.
  void write(std::string_view name, const Json* document, const Accepts& decodes) override;

 private:
  std::map<std::string, std::string, std::less<>> store_;
};

}  // namespace pimble
