#pragma once
// The engine's tables as the program's shared instances. gCharTable is the alphabet of
// compressed text and part numbers: the engine's start-up sets it to the standard alphabet and
// Stma 10 changes it. gLinks, gOpenFiles and gLogicalFiles point at the tables of the running
// engine (null while there is none, or when its start-up ended at the share check).

#include "engine/char_table.h"

namespace tervalo {

class cLinks;
class cOpenFiles;
class cLogicalFiles;

extern CharTable gCharTable;
extern cLinks* gLinks;
extern cOpenFiles* gOpenFiles;
extern cLogicalFiles* gLogicalFiles;

}  // namespace tervalo
