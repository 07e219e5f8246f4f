#pragma once
// The program's shared instances. gEpcInfo, gSystem and gEngine are created by
// LoadCatalogConfig; gLinks, gOpenFiles and gLogicalFiles point at the tables of the running
// engine (null while there is none, or when its start-up ended at the share check).

#include <memory>

#include "engine/char_table.h"

namespace tervalo {

class cBusinessBasic;
class cEpcInfo;
class cSystem;
class cLinks;
class cOpenFiles;
class cLogicalFiles;

extern std::unique_ptr<cEpcInfo> gEpcInfo;
extern std::unique_ptr<cSystem> gSystem;
extern std::unique_ptr<cBusinessBasic> gEngine;
extern CharTable gCharTable;
extern cLinks* gLinks;
extern cOpenFiles* gOpenFiles;
extern cLogicalFiles* gLogicalFiles;

// Ends the engine and clears every shared instance (program end, and between tests).
void ResetSharedInstances();

}  // namespace tervalo
