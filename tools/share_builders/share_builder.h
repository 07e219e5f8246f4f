#pragma once
// Writes a system share tree (link table, terminal map, control file, catalog configuration) the
// way the business system lays it out, for tests and the demo company. Paths on disk follow the
// host's mapping of "\\SERVER\VLTRLNK\..." to ROOT/SERVER/VLTRLNK/...

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tervalo::share {

// One 160-byte LINKSFILE record: link name at 2..80, resolution file at 82..160, space padded.
std::string LinkRecord(std::string_view link_file, std::string_view resolution_file);

// The catalog configuration keys of section "Quorvexa"; empty values are left out of the file.
struct CatalogSettings {
  std::string server;
  std::string data_share = "VLTRLNK";
  std::string catalog_share = "CATCON";
  std::string directory;
  std::string terminal_id;
  std::string customer_number;
};
std::string CatalogIniText(const CatalogSettings& settings);

class ShareBuilder {
 public:
  ShareBuilder(std::filesystem::path unc_root, std::string server, std::string directory);

  const std::filesystem::path& unc_root() const { return unc_root_; }
  const std::string& server() const { return server_; }
  const std::string& directory() const { return directory_; }
  std::filesystem::path LinkShare() const;      // ROOT/SERVER/VLTRLNK
  std::filesystem::path DataDirectory() const;  // ROOT/SERVER/VLTRLNK/DIRECTORY

  // Creates the link share, its data directory and the catalog share.
  void CreateShares() const;
  // Writes bytes to a file relative to the link share, creating folders.
  void WriteLinkShareFile(const std::filesystem::path& relative, std::string_view bytes) const;
  void WriteLinksFile(const std::vector<std::string>& records) const;
  void WriteTerminalMap(std::string_view text) const;
  // Writes FILE0 in the data directory: the given 512-byte blocks (shorter ones padded with NUL)
  // at their block numbers, NUL elsewhere, blocks_total blocks long at least.
  void WriteFile0(const std::map<int32_t, std::string>& blocks, int32_t blocks_total) const;

  // A link record for logical name NAME in this directory, pointing at resolution file
  // DIRECTORY:resolution.
  std::string LinkFor(std::string_view logical_name, std::string_view resolution) const;

 private:
  std::filesystem::path unc_root_;
  std::string server_;
  std::string directory_;
};

// Writes the catalog configuration file into a temporary directory.
void WriteCatalogIni(const std::filesystem::path& temp_dir, const CatalogSettings& settings);

void WriteBinaryFile(const std::filesystem::path& path, std::string_view bytes);
// The whole file in one read; empty when it cannot be read.
std::string ReadBinaryFile(const std::filesystem::path& path);

}  // namespace tervalo::share
