#include "tests/support/temp_share.h"

#include <sys/statfs.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

#include "engine/business_basic.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "tools/share_builders/data_file_builder.h"

namespace tervalo::testing {
namespace {

std::string GetEnv(const char* name);

// FUSE's magic number in statfs: smbnetfs mounts are FUSE file systems.
constexpr long kFuseSuperMagic = 0x65735546;

// A test that was meant to run on the SMB mount must never run on a local disk instead: a folder
// that is not on a FUSE file system stops the test.
void RequireSmbMount(const std::filesystem::path& folder, const char* variable) {
  struct statfs info {};
  if (::statfs(folder.c_str(), &info) != 0) {
    throw std::runtime_error(std::string(variable) + ": " + folder.string() + " cannot be reached (" +
                             std::strerror(errno) + "); is the SMB test server started?");
  }
  if (info.f_type != kFuseSuperMagic) {
    throw std::runtime_error(std::string(variable) + ": " + folder.string() +
                             " is not on the smbnetfs mount (a local disk?)");
  }
}

// The smb tests set TERVALO_TEST_SMB_MOUNT to a folder of the mounted SMB share.
std::filesystem::path SmbFolder() {
  const std::string mount = GetEnv("TERVALO_TEST_SMB_MOUNT");
  if (mount.empty()) return {};
  RequireSmbMount(mount, "TERVALO_TEST_SMB_MOUNT");
  return mount;
}

std::filesystem::path NewTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path smb = SmbFolder();
  const std::filesystem::path parent =
      !smb.empty() ? smb : (tmp != nullptr && *tmp != '\0') ? std::filesystem::path(tmp) : "/tmp";
  std::random_device random;
  for (;;) {
    auto candidate = parent / ("tervalo-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      if (!smb.empty()) RequireSmbMount(candidate, "TERVALO_TEST_SMB_MOUNT");
      return candidate;
    }
  }
}

std::string GetEnv(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

void RestoreEnv(const char* name, const std::string& value) {
  if (value.empty()) {
    ::unsetenv(name);
  } else {
    ::setenv(name, value.c_str(), 1);
  }
}

}  // namespace

std::filesystem::path SecondWorkstationPath(const std::filesystem::path& path) {
  const std::string first = GetEnv("TERVALO_TEST_SMB_MOUNT");
  const std::string second = GetEnv("TERVALO_TEST_SMB_MOUNT_2");
  if (first.empty() || second.empty()) return path;
  const std::filesystem::path relative = path.lexically_relative(first);
  if (relative.empty() || *relative.begin() == "..") {
    throw std::runtime_error(path.string() + " is not under TERVALO_TEST_SMB_MOUNT " + first);
  }
  RequireSmbMount(second, "TERVALO_TEST_SMB_MOUNT_2");
  return std::filesystem::path(second) / relative;
}

TempShareTest::TempShareTest()
    : base_(NewTempFolder()),
      unc_root_(base_ / "unc"),
      temp_dir_(base_ / "tmp"),
      share_(unc_root_, "SRV", "CO1"),
      scoped_host_(host_),
      saved_root_(GetEnv("TERVALO_UNC_ROOT")),
      saved_tmpdir_(GetEnv("TMPDIR")) {
  std::filesystem::create_directories(temp_dir_);
  ::setenv("TERVALO_UNC_ROOT", unc_root_.c_str(), 1);
  ::setenv("TMPDIR", temp_dir_.c_str(), 1);
}

TempShareTest::~TempShareTest() {
  ResetSharedInstances();
  RestoreEnv("TERVALO_UNC_ROOT", saved_root_);
  RestoreEnv("TMPDIR", saved_tmpdir_);
  std::error_code ignored;
  std::filesystem::remove_all(base_, ignored);
}

void TempShareTest::WriteBasicShare(const std::vector<std::string>& link_records) {
  share_.CreateShares();
  share_.WriteTerminalMap(host_.computer_name + " 12,A\r\n");
  share_.WriteLinksFile(link_records);
  share::CatalogSettings settings;
  settings.server = "SRV";
  settings.directory = "CO1";
  share::WriteCatalogIni(temp_dir_, settings);
}

void TempShareTest::StartEngine() {
  LoadCatalogConfig();
  ASSERT_TRUE(gEngine) << (EngineStartupFailure() ? EngineStartupFailure()->description() : "");
  ASSERT_TRUE(gEngine->HasTables());
}

void TempShareTest::InstallIndexes(const NamedIndexBlocks& indexes) {
  share::DataFileBuilder data(share_, "IDXLK");
  for (const auto& [name, blocks] : indexes) {
    data.Add({name, 'I', 512, static_cast<int32_t>(blocks.size()) - 1});
    for (size_t b = 0; b < blocks.size(); ++b) data.SetBlock(name, static_cast<int32_t>(b), blocks[b]);
  }
  data.Write();
  WriteBasicShare(data.Links());
  StartEngine();
}

}  // namespace tervalo::testing
