// The link table: loading LINKSFILE and resolving logical names to resolution and data files.

#include "engine/link_table.h"

#include "base/basic_text.h"

namespace tervalo {
namespace {

// Removes trailing NUL, tab, line feed, carriage return and space characters.
std::string_view TrimPadding(std::string_view field) {
  size_t end = field.size();
  while (end > 0) {
    const char c = field[end - 1];
    if (c != '\0' && c != '\t' && c != '\n' && c != '\r' && c != ' ') break;
    --end;
  }
  return field.substr(0, end);
}

}  // namespace

std::shared_ptr<cLink> cLinks::Add(const std::string& LinkFile, const std::string& ResolutionFile,
                                   std::string_view sKey) {
  return AddItem(std::make_shared<cLink>(cLink{LinkFile, ResolutionFile}), sKey);
}

void cLinks::LoadFrom(std::string_view file_bytes) {
  for (size_t start = 1; start <= file_bytes.size(); start += kLinkRecordLength) {
    const std::string link(TrimPadding(Mid(file_bytes, static_cast<int64_t>(start) + 1, 79)));
    if (link.empty()) continue;
    // A repeated name (in any letter case) leaves the first record in force.
    if (Find(link)) continue;
    Add(link, std::string(TrimPadding(Mid(file_bytes, static_cast<int64_t>(start) + 81, 79))), link);
  }
}

std::optional<LinkResolution> ResolveLogicalName(const cLinks& links, std::string_view name,
                                                 std::string_view server,
                                                 std::string_view directory) {
  const std::string qualified = !name.empty() && name.front() == ':'
                                    ? std::string(name)
                                    : ":" + std::string(directory) + ":" + std::string(name);
  const auto link = links.Find(qualified);
  if (!link) return std::nullopt;
  std::string relative = link->ResolutionFile;
  for (char& c : relative) {
    if (c == ':') c = '\\';
  }
  LinkResolution resolution;
  resolution.resolution_path = "\\\\" + std::string(server) + "\\VLTRLNK\\" + relative;
  const size_t keep = resolution.resolution_path.size() >= 2 ? resolution.resolution_path.size() - 2 : 0;
  resolution.data_path = resolution.resolution_path.substr(0, keep) + "DB";
  const size_t colon = name.rfind(':');
  resolution.entry_name = std::string(colon == std::string_view::npos ? name : name.substr(colon + 1));
  return resolution;
}

}  // namespace tervalo
