#include "environment/shared_instances.h"

#include "engine/business_basic.h"
#include "engine/system.h"
#include "environment/catalog_config.h"

namespace tervalo {

std::unique_ptr<cEpcInfo> gEpcInfo;
std::unique_ptr<cSystem> gSystem;
std::unique_ptr<cBusinessBasic> gEngine;

void ResetSharedInstances() {
  gEngine.reset();
  gSystem.reset();
  gEpcInfo.reset();
  gCharTable.Set(CharTable::kDefault);
}

}  // namespace tervalo
