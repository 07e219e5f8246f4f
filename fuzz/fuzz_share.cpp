#include "fuzz/fuzz_share.h"

#include <unistd.h>

namespace tervalo::fuzz {

FuzzShare::FuzzShare()
    : base_(std::filesystem::temp_directory_path() / ("tervalo-fuzz-" + std::to_string(::getpid()))),
      share_(base_ / "unc", "SRV", "CO1") {
  share_.CreateShares();
  share_.WriteTerminalMap("FUZZ 1\r\n");
  share_.WriteLinksFile({share_.LinkFor("FUZZI", "FUZZLK"), share_.LinkFor("FUZZL", "FUZZLK")});
  ::setenv("TERVALO_UNC_ROOT", (base_ / "unc").c_str(), 1);
  CurrentHost().SetMessageBoxHandler([](const MessageBoxRequest&) {});
  system_.mUNCDrive = "SRV";
  system_.mDirectory = "CO1";
}

FuzzShare::~FuzzShare() {
  std::error_code ignored;
  std::filesystem::remove_all(base_, ignored);
}

void FuzzShare::Write(const std::string& name, const std::string& bytes) const {
  share::WriteBinaryFile(share_.DataDirectory() / name, bytes);
}

std::unique_ptr<cBusinessBasic> FuzzShare::StartEngine() {
  return std::make_unique<cBusinessBasic>(system_, CurrentHost());
}

}  // namespace tervalo::fuzz
