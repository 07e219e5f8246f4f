// Tervalo: starts the data engine on this workstation's catalog configuration and reports what
// it found (the board window is built on top of this start-up).

#include <iostream>

#include "engine/business_basic.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "environment/system.h"

int main() {
  using namespace tervalo;
  try {
    LoadCatalogConfig();
  } catch (const EngineError& e) {
    std::cerr << "Error " << e.number() << " (" << e.source() << "): " << e.description() << "\n";
    return 1;
  }
  if (!gEngine) {
    if (const auto& failure = EngineStartupFailure()) {
      std::cerr << "Error " << failure->number() << " (" << failure->source()
                << "): " << failure->description() << "\n";
    }
    return 1;
  }
  if (!gEngine->HasTables()) {
    std::cerr << "The link share " << gSystem->LinkShareRoot() << " cannot be reached.\n";
    return 1;
  }
  std::cout << "Computer name:   " << gSystem->ComputerName << "\n"
            << "Address:         " << gSystem->IP << "\n"
            << "Terminal number: " << gSystem->TerminalID << "\n"
            << "Data directory:  " << gSystem->VLTRLNK() << "\n"
            << "Link table (" << gLinks->Count() << " links):\n";
  for (const auto& link : *gLinks) {
    std::cout << "  " << link->LinkFile << "  ->  " << link->ResolutionFile << "\n";
  }
  ResetSharedInstances();
  return 0;
}
