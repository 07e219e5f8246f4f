#pragma once
// One refresh of the board reads the same index blocks and the same share directories again and
// again. A ReadScope lets the engine and the host keep them for as long as it lives; the engine
// keeps nothing between calls outside one.

#include "engine/business_basic.h"
#include "host/host.h"

namespace tervalo {

class ReadScope {
 public:
  explicit ReadScope(cBusinessBasic& engine) : engine_(engine) {
    engine_.BeginReadScope();
    engine_.host().BeginDirectoryCache();
  }
  ~ReadScope() {
    engine_.host().EndDirectoryCache();
    engine_.EndReadScope();
  }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  cBusinessBasic& engine_;
};

}  // namespace tervalo
