#pragma once
// The program's shared instances. gEpcInfo, gSystem and gEngine are created by
// LoadCatalogConfig; the engine's own tables (gCharTable, gLinks, gOpenFiles, gLogicalFiles) are
// declared with the engine in engine/engine_tables.h.

#include <memory>

#include "engine/engine_tables.h"

namespace tervalo {

class cBusinessBasic;
class cEpcInfo;
class cSystem;

extern std::unique_ptr<cEpcInfo> gEpcInfo;
extern std::unique_ptr<cSystem> gSystem;
extern std::unique_ptr<cBusinessBasic> gEngine;

// Ends the engine and clears every shared instance (program end, and between tests).
void ResetSharedInstances();

}  // namespace tervalo
