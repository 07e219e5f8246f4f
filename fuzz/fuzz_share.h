#pragma once
// A share in a temporary folder for the fuzz targets: the engine is started afresh on files the
// fuzzer writes, with message boxes swallowed.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/business_basic.h"
#include "engine/system.h"
#include "host/host.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo::fuzz {

class FuzzShare {
 public:
  FuzzShare();
  ~FuzzShare();  // removes the temporary folder when the fuzzer exits
  FuzzShare(const FuzzShare&) = delete;
  FuzzShare& operator=(const FuzzShare&) = delete;
  // Writes a file into the data directory.
  void Write(const std::string& name, const std::string& bytes) const;
  // A new engine over the share (nothing cached from the last input).
  std::unique_ptr<cBusinessBasic> StartEngine();
  const share::ShareBuilder& share() const { return share_; }

 private:
  std::filesystem::path base_;
  share::ShareBuilder share_;
  cSystem system_;
};

}  // namespace tervalo::fuzz
