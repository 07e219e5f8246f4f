// Fuzzes the board over a whole company built from the input (see company_image.h for its
// layout): FILE0, INVOL, MANL/MANI, RPARTL/RPARTI and schedule files. Each input runs the
// board's start-up, Update and Refresh without a window. A run may end in an engine error (the
// program would show it and end); it must never crash, hang or end in another exception, and it
// may change only what the board writes: byte 141 of INVOL records, the sort order in block 499
// of FILE0, and schedule files.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include "board/frm_tervalo.h"
#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "fuzz/company_image.h"
#include "host/host.h"
#include "tools/share_builders/company_builder.h"
#include "tools/share_builders/share_builder.h"

using namespace tervalo;

namespace {

constexpr int64_t kSortOrderAt = 499 * 512 + 24;
constexpr int64_t kSortOrderLength = 4;
constexpr int64_t kMechanicByteAt = 140;  // byte 141 of a record

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "board_fuzz: %s\n", what.c_str());
  std::abort();
}

std::optional<std::string> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Where INVOL's records lie in its data file, as the engine opened it.
struct InvoiceLayout {
  int64_t first_byte = 0;
  int64_t record_length = 0;
  int64_t last_record = 0;
};

// The base company gives the link table, terminal map and catalog configuration; each input
// replaces every other file of the data directory.
class BoardShare {
 public:
  BoardShare()
      : base_(std::filesystem::temp_directory_path() /
              ("tervalo-board-fuzz-" + std::to_string(::getpid()))),
        share_(base_ / "unc", "SRV", "CO1") {
    std::filesystem::create_directories(base_ / "tmp");
    ::setenv("TERVALO_UNC_ROOT", (base_ / "unc").c_str(), 1);
    share::CompanyBuilder company(share_);
    company.AddMechanic({3, "DAVE RUIZ"});
    company.Write(base_ / "tmp", CurrentHost().ComputerName());
    for (const auto& entry : std::filesystem::directory_iterator(share_.DataDirectory())) {
      kept_.insert(entry.path().filename().string());
    }
    for (const std::string& name : fuzz::ImageFileNames()) kept_.erase(name);
    CurrentHost().SetMessageBoxHandler([](const MessageBoxRequest&) {});
  }
  ~BoardShare() {
    std::error_code ignored;
    std::filesystem::remove_all(base_, ignored);
  }

  void Install(const fuzz::CompanyFiles& files) const {
    for (const auto& entry : std::filesystem::directory_iterator(share_.DataDirectory())) {
      if (!kept_.count(entry.path().filename().string())) std::filesystem::remove(entry.path());
    }
    for (const auto& [name, bytes] : files) share::WriteBinaryFile(Path(name), bytes);
  }
  std::filesystem::path Path(const std::string& name) const {
    return share_.DataDirectory() / name;
  }
  std::string Ini() const { return (base_ / "tmp" / "vltCatalog.ini").string(); }

 private:
  std::filesystem::path base_;
  share::ShareBuilder share_;
  std::set<std::string> kept_;
};

std::optional<InvoiceLayout> OpenedInvoiceLayout() {
  if (!gEngine || !gEngine->HasTables()) return std::nullopt;
  try {
    const auto file = gEngine->LogicalOpen("INVOL");
    if (!file) return std::nullopt;
    return InvoiceLayout{static_cast<int64_t>(file->Position) * 512, file->RecordLength,
                         file->LastRecord};
  } catch (const EngineError&) {
    return std::nullopt;
  }
}

// Start-up, Update, Refresh; an engine error ends the run as it would end the program.
std::optional<InvoiceLayout> RunBoard(const std::string& ini) {
  ResetSharedInstances();
  std::optional<InvoiceLayout> layout;
  {
    frmTervalo form;
    form.SetConfigurationFile(ini);
    try {
      if (form.Form_Load()) {
        form.Save();
        form.btnRefresh_Click();
      }
    } catch (const EngineError&) {
    }
    layout = OpenedInvoiceLayout();
  }
  ResetSharedInstances();
  return layout;
}

// Compares a file after the run with the input; `may_change` says which offsets the board may
// write (bytes the file grew by must be zero elsewhere).
template <typename MayChange>
void CheckChanges(const std::string& name, const std::optional<std::string>& before,
                  const std::optional<std::string>& after, MayChange may_change) {
  if (!before) {
    if (after) Fail(name + " was created");
    return;
  }
  if (!after) Fail(name + " was removed");
  for (size_t at = 0; at < after->size(); ++at) {
    const char was = at < before->size() ? (*before)[at] : '\0';
    if ((*after)[at] != was && !may_change(static_cast<int64_t>(at))) {
      Fail(name + ": byte at offset " + std::to_string(at) + " changed");
    }
  }
  if (after->size() < before->size()) Fail(name + " was cut short");
}

std::optional<std::string> Given(const fuzz::CompanyFiles& files, const std::string& name) {
  const auto file = files.find(name);
  if (file == files.end()) return std::nullopt;
  return file->second;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const BoardShare share;
  const fuzz::CompanyFiles files =
      fuzz::DecodeCompany(std::string_view(reinterpret_cast<const char*>(data), size));
  share.Install(files);
  const std::optional<InvoiceLayout> invoices = RunBoard(share.Ini());

  for (const std::string& name : fuzz::ImageFileNames()) {
    const auto after = ReadWhole(share.Path(name));
    if (name == "FILE0") {
      CheckChanges(name, Given(files, name), after, [](int64_t at) {
        return at >= kSortOrderAt && at < kSortOrderAt + kSortOrderLength;
      });
    } else if (name == "INVDB") {
      CheckChanges(name, Given(files, name), after, [&](int64_t at) {
        if (!invoices || invoices->record_length <= kMechanicByteAt) return false;
        const int64_t inside = at - invoices->first_byte;
        const int64_t record = inside < 0 ? 0 : inside / invoices->record_length;
        return record >= 1 && record <= invoices->last_record &&
               inside % invoices->record_length == kMechanicByteAt;
      });
    } else {
      CheckChanges(name, Given(files, name), after, [](int64_t) { return false; });
    }
  }
  return 0;
}
