// Engine start-up: share check, workstation identity from the terminal map, and the engine's
// tables; and the order in which they end.

#include "engine/business_basic.h"
#include "engine/engine_tables.h"
#include "engine/system.h"
#include "host/host.h"

namespace tervalo {

CharTable gCharTable;
cLinks* gLinks = nullptr;
cOpenFiles* gOpenFiles = nullptr;
cLogicalFiles* gLogicalFiles = nullptr;

namespace {

std::string DottedAddress(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

}  // namespace

cBusinessBasic::cBusinessBasic(cSystem& system, Host& host) : system_(system), host_(host) {
  gCharTable.Set(CharTable::kDefault);
  // Sockets need no start-up on this platform. The share check stands for the volume query: when
  // the link share cannot be reached the engine exists without identity and tables.
  if (!host_.DirectoryExists(system_.LinkShareRoot())) return;
  IdentifyWorkstation();
  LoadTerminalNumber();

  auto links = std::make_unique<cLinks>();
  const std::string links_path = system_.LinkShareRoot() + "LINKSFILE";
  const HostResult<std::unique_ptr<HostFile>> file = host_.OpenShared(links_path, /*create=*/true);
  if (!file.ok()) {
    throw EngineError(file.status().error(), "vltDataEngine_Initialization",
                      "Could not open file: " + links_path + " (" + file.status().Reason() + ")");
  }
  const HostResult<int64_t> size = (*file)->Size();
  std::string bytes(static_cast<size_t>(size.value_or(0)), '\0');
  // A short read fails too, with error number 0.
  const HostResult<int64_t> got = size.ok() ? (*file)->ReadAt(0, bytes.data(), bytes.size()) : size;
  if (!got.ok() || *got != *size) {
    throw EngineError(got.status().error(), "vltDataEngine_Initialization",
                      "Could not read file: " + links_path);
  }
  links->LoadFrom(bytes);

  links_ = std::move(links);
  open_files_ = std::make_unique<cOpenFiles>();
  logical_files_ = std::make_unique<cLogicalFiles>();
  gLinks = links_.get();
  gOpenFiles = open_files_.get();
  gLogicalFiles = logical_files_.get();
}

cBusinessBasic::~cBusinessBasic() {
  if (gOpenFiles == open_files_.get()) {
    gOpenFiles = nullptr;
    gLinks = nullptr;
    gLogicalFiles = nullptr;
  }
  // Closes every file still open, then the link table, then the logical files.
  open_files_.reset();
  links_.reset();
  logical_files_.reset();
}

void cBusinessBasic::IdentifyWorkstation() {
  system_.ComputerName = Trun(host_.ComputerName().substr(0, 80), 1);
  system_.IP = DottedAddress(host_.ResolveHostAddress(system_.ComputerName));
  system_.TerminalID = "0";
}

void cBusinessBasic::LoadTerminalNumber() {
  const auto lines = host_.ReadTextLines(system_.LinkShareRoot() + "ttymap");
  if (!lines.ok()) {
    throw EngineError(kErrUndefined, "vltDataEngine_Initialization",
                      "Terminal File 'ttymap' not found on drive \\\\" + system_.mUNCDrive +
                          "\\VLTRLNK");
  }
  const std::string upper_name = UCase(system_.ComputerName);
  for (const std::string& line : *lines) {
    const auto pieces = Split(line, " ", -1, 0);
    if (pieces.size() < 2) continue;
    if (pieces[0] == system_.IP || UCase(pieces[0]) == upper_name) {
      const auto numbers = Split(pieces[1], ",", -1, 0);
      if (!numbers.empty()) system_.TerminalID = numbers[0];
      return;
    }
  }
}

cOpenFiles& cBusinessBasic::OpenFiles() const {
  if (!open_files_) throw EngineError(kErrObjectNotSet, "cBusinessBasic", "Object variable or With block variable not set");
  return *open_files_;
}

cLogicalFiles& cBusinessBasic::LogicalFiles() const {
  if (!logical_files_) throw EngineError(kErrObjectNotSet, "cBusinessBasic", "Object variable or With block variable not set");
  return *logical_files_;
}

}  // namespace tervalo
