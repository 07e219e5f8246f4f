#pragma once
// The workstation's catalog configuration ("vltCatalog.ini" in the temporary directory) and the
// start-up routine that reads it and builds the data engine.

#include <cstdint>
#include <optional>
#include <string>

#include "base/engine_error.h"

namespace tervalo {

class cEpcInfo {
 public:
  std::string Server;
  std::string DataShare;
  std::string CatalogShare;  // "\\" Server "\" share "\"
  std::string Directory;
  std::string TerminalID;
  int32_t CustomerNumber = 0;
};

inline constexpr const char* kCatalogFileName = "vltCatalog.ini";
inline constexpr const char* kCatalogSection = "Quorvexa";

// Creates gEpcInfo and gSystem, reads the configuration into them and constructs gEngine.
// A missing file shows the "EpcError" message and leaves everything empty; an engine that fails
// to start leaves gEngine unset. A CustomerNumber that is not a number raises error 13.
void LoadCatalogConfig();
// The same start-up from a configuration file at another place (the tools' --ini option).
void LoadCatalogConfigFrom(const std::string& path);

// Why the last LoadCatalogConfig built no engine, when its start-up failed with an error.
const std::optional<EngineError>& EngineStartupFailure();

// The temporary directory with its final separator; empty when there is none.
std::string GetTempDirectory();
// The path with every component in its long form (the machine's names are already long).
std::string GetLongPathForm(const std::string& path);

}  // namespace tervalo
