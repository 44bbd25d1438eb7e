#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>

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
//
// Callers never see a failure, but the user must be able to learn why
// changes are not kept: a directory that cannot be made or written, and
// each save that does not land, is told in one line to `report`.
class FilePersistence : public Persisting {
 public:
  // Takes one line of text, without its newline.
  using Report = std::function<void(const std::string& line)>;
  // Writes the line to standard error.
  static void toStandardError(const std::string& line);

  // "PIMBLE_DATA_DIR" when set and not empty (the directory itself);
  // otherwise $XDG_DATA_HOME when absolute, else ~/.local/share, plus
  // "PimbleGlimmet"; without a home, a private per-user folder.
  static std::filesystem::path defaultDirectory();
  // The folder used when no home can be found: "pimble-<uid>" under `root`
  // when it is a directory of this user that nobody else can enter, else a
  // freshly made unique one; plus "PimbleGlimmet".
  static std::filesystem::path perUserFallbackDirectory(const std::filesystem::path& root);

  // Creates the directory (and missing parents) when it does not exist and
  // tries it: when it cannot be made or written, one line says so (loads
  // then find nothing and saves fail). A save that fails reports the
  // document, the directory and the reason once; the same document failing
  // for the same reason stays quiet until one of its saves succeeds.
  explicit FilePersistence(std::filesystem::path directory, Report report = &toStandardError);

  const std::filesystem::path& directory() const { return directory_; }

 protected:
  void readCandidates(std::string_view name, const Accepts& accept) const override;
  void write(std::string_view name, const Json* document, const Accepts& decodes) override;

 private:
  void tell(const std::string& what) const;
  void saveFailed(const std::string& file, int error);

  std::filesystem::path directory_;
  Report report_;
  // The reasons already told per document file since its last good save.
  std::map<std::string, std::set<int>> toldFailures_;
};

}  // namespace pimble
