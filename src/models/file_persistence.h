#pragma once

#include <filesystem>

#include "models/persisting.h"

namespace pimble {

// Documents as pretty-printed JSON files with sorted keys in one private
// data directory: the document N lives in "N.json", its previous good
// generation in "N.json.backup", and a primary that no longer decoded is
// kept aside once as "N.json.unreadable" (never loaded).
//
// The directory is created 0700 and files are written 0600 (activity holds
// per-application usage); every write goes to a temporary file in the same
// directory that is flushed and then renamed over the target, so a crash
// leaves either the old or the new content. Symbolic links are not followed.
class FilePersistence : public Persisting {
 public:
  // "PIMBLE_DATA_DIR" when set and not empty (the directory itself);
  // otherwise $XDG_DATA_HOME when absolute, else ~/.local/share, plus
  // "PimbleGlimmet"; without a home, a private per-user folder.
  static std::filesystem::path defaultDirectory();
  // The folder used when no home can be found: "pimble-<uid>" under `root`
  // when it is a directory of this user that nobody else can enter, else a
  // freshly made unique one; plus "PimbleGlimmet".
  static std::filesystem::path perUserFallbackDirectory(const std::filesystem::path& root);

  // Creates the directory (and missing parents) when it does not exist;
  // failures are ignored: loads then find nothing and saves fail silently.
  explicit FilePersistence(std::filesystem::path directory);

  const std::filesystem::path& directory() const { return directory_; }

 protected:
  void readCandidates(std::string_view name, const Accepts& accept) const override;
  void write(std::string_view name, const Json* document, const Accepts& decodes) override;

 private:
  std::filesystem::path directory_;
};

}  // namespace pimble
