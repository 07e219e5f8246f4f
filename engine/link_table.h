#pragma once
// The link table: qualified logical names (":directory:NAME") mapped to resolution files in the
// link share, loaded once from LINKSFILE when the engine starts.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/keyed_collection.h"

namespace tervalo {

class Host;

struct cLink {
  std::string LinkFile;        // ":" directory ":" logical name
  std::string ResolutionFile;  // relative to the link share, ":" between path components
};

class cLinks : public KeyedCollection<cLink> {
 public:
  std::shared_ptr<cLink> Add(const std::string& LinkFile, const std::string& ResolutionFile,
                             std::string_view sKey = {});

  // Fills the table from the bytes of a LINKSFILE: 160-byte records, link name at 2..80,
  // resolution file at 82..160, padding removed; empty names skipped, the first of two equal
  // names kept.
  void LoadFrom(std::string_view file_bytes);
};

inline constexpr size_t kLinkRecordLength = 160;

// Where a logical name leads: the link's resolution file and data file as UNC paths, and the
// entry name to look up in the resolution file.
struct LinkResolution {
  std::string resolution_path;
  std::string data_path;
  std::string entry_name;
};

// Resolves a logical name through the link table for the given server and data directory;
// none when the qualified name has no link.
std::optional<LinkResolution> ResolveLogicalName(const cLinks& links, std::string_view name,
                                                 std::string_view server,
                                                 std::string_view directory);

}  // namespace tervalo
