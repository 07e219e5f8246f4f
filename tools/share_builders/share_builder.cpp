#include "tools/share_builders/share_builder.h"
#include "engine/file_format.h"

#include <fstream>
#include <stdexcept>

namespace tervalo::share {
namespace {

std::string Padded(std::string_view text, size_t width) {
  std::string out(text.substr(0, width));
  out.resize(width, ' ');
  return out;
}

}  // namespace

std::string LinkRecord(std::string_view link_file, std::string_view resolution_file) {
  return " " + Padded(link_file, 79) + " " + Padded(resolution_file, 79);
}

std::string CatalogIniText(const CatalogSettings& settings) {
  std::string text = "[Quorvexa]\r\n";
  auto line = [&](const char* key, const std::string& value) {
    if (!value.empty()) text += std::string(key) + "=" + value + "\r\n";
  };
  line("Server", settings.server);
  line("DataShare", settings.data_share);
  line("CatalogShare", settings.catalog_share);
  line("Directory", settings.directory);
  line("TerminalID", settings.terminal_id);
  line("CustomerNumber", settings.customer_number);
  return text;
}

void WriteBinaryFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadBinaryFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::string bytes(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

void WriteCatalogIni(const std::filesystem::path& temp_dir, const CatalogSettings& settings) {
  WriteBinaryFile(temp_dir / "vltCatalog.ini", CatalogIniText(settings));
}

ShareBuilder::ShareBuilder(std::filesystem::path unc_root, std::string server, std::string directory)
    : unc_root_(std::move(unc_root)), server_(std::move(server)), directory_(std::move(directory)) {}

std::filesystem::path ShareBuilder::LinkShare() const { return unc_root_ / server_ / "VLTRLNK"; }

std::filesystem::path ShareBuilder::DataDirectory() const { return LinkShare() / directory_; }

void ShareBuilder::CreateShares() const {
  std::filesystem::create_directories(DataDirectory());
  std::filesystem::create_directories(unc_root_ / server_ / "CATCON");
}

void ShareBuilder::WriteLinkShareFile(const std::filesystem::path& relative,
                                      std::string_view bytes) const {
  WriteBinaryFile(LinkShare() / relative, bytes);
}

void ShareBuilder::WriteLinksFile(const std::vector<std::string>& records) const {
  std::string bytes;
  for (const auto& r : records) bytes += r;
  WriteLinkShareFile("LINKSFILE", bytes);
}

void ShareBuilder::WriteTerminalMap(std::string_view text) const {
  WriteLinkShareFile("ttymap", text);
}

void ShareBuilder::WriteFile0(const std::map<int32_t, std::string>& blocks,
                              int32_t blocks_total) const {
  int32_t count = blocks_total;
  for (const auto& [number, unused] : blocks) count = std::max(count, number + 1);
  std::string bytes(static_cast<size_t>(BlockOffset(count)), '\0');
  for (const auto& [number, block] : blocks) {
    bytes.replace(static_cast<size_t>(BlockOffset(number)), std::min(block.size(), kBlockSize),
                  block.substr(0, kBlockSize));
  }
  WriteBinaryFile(DataDirectory() / "FILE0", bytes);
}

std::string ShareBuilder::LinkFor(std::string_view logical_name, std::string_view resolution) const {
  return LinkRecord(":" + directory_ + ":" + std::string(logical_name),
                    directory_ + ":" + std::string(resolution));
}

}  // namespace tervalo::share
