#pragma once
// The demo company: a small shop's share tree and catalog configuration, used by `make demo` and
// by tests that want a realistic company.

#include <filesystem>
#include <string>

namespace tervalo::share {

struct DemoLocation {
  std::filesystem::path unc_root;  // value for TERVALO_UNC_ROOT
  std::filesystem::path temp_dir;  // value for TMPDIR (holds vltCatalog.ini)
};

inline constexpr const char* kDemoServer = "QSERVER";
inline constexpr const char* kDemoDirectory = "SHOP1";

// Builds the demo company under base (base/unc and base/tmp), replacing an earlier one. The
// terminal map gives this machine (computer_name) terminal 7.
DemoLocation BuildDemoCompany(const std::filesystem::path& base, const std::string& computer_name);

}  // namespace tervalo::share
