#pragma once
// Test fixtures: a share tree in the test's own temporary folder, a host whose computer name and
// address the test chooses and whose message boxes are recorded, and the engine started on it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo::testing {

// The machine's host with a chosen identity; message boxes are recorded, not shown.
class TestHost : public PosixHost {
 public:
  std::string computer_name = "BENCH4";
  uint32_t address = 0x0A000017;  // 10.0.0.23
  std::vector<MessageBoxRequest> messages;

  TestHost() {
    SetMessageBoxHandler([this](const MessageBoxRequest& m) { messages.push_back(m); });
  }
  std::string ComputerName() override { return computer_name; }
  uint32_t ResolveHostAddress(std::string_view name) override {
    return name == computer_name ? address : 0xFFFFFFFFu;
  }
};

// Where another workstation finds `path`: the smb tests mount the share twice, and a test folder
// on the first mount (TERVALO_TEST_SMB_MOUNT) is the same folder on the second
// (TERVALO_TEST_SMB_MOUNT_2). Elsewhere the path itself.
std::filesystem::path SecondWorkstationPath(const std::filesystem::path& path);

// Index files given block by block (block 0 the header), each under its logical name.
using NamedIndexBlocks = std::vector<std::pair<std::string, std::vector<std::string>>>;

// A fresh temporary folder (on the SMB mount when the smb tests name one) with unc/ (TERVALO_UNC_ROOT) and tmp/ (TMPDIR), a share builder for
// server SRV and directory CO1, and the test host in place. Ends the engine when the test ends.
class TempShareTest : public ::testing::Test {
 protected:
  TempShareTest();
  ~TempShareTest() override;

  // Writes a minimal working share: terminal map, the given link records, a catalog file.
  void WriteBasicShare(const std::vector<std::string>& link_records = {});
  // Runs LoadCatalogConfig and expects an engine with tables.
  void StartEngine();
  // Writes the indexes into one data file ("IDXLK", 512-byte records), then a basic share with
  // their links, and starts the engine.
  void InstallIndexes(const NamedIndexBlocks& indexes);

  std::filesystem::path base_;
  std::filesystem::path unc_root_;
  std::filesystem::path temp_dir_;
  share::ShareBuilder share_;
  TestHost host_;

 private:
  ScopedHost scoped_host_;
  std::string saved_root_;
  std::string saved_tmpdir_;
};

}  // namespace tervalo::testing
