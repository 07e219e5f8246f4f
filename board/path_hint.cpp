#include "board/path_hint.h"

#include <cctype>

#include "host/host.h"

namespace tervalo {

std::string LocalPathHint(Host& host, std::string_view text) {
  const size_t start = text.find("\\\\");
  if (start == std::string_view::npos) return {};
  size_t end = start;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) && text[end] != '"' &&
         text[end] != '\'') {
    ++end;
  }
  // A sentence's closing mark is not part of the path (a share's folder ends in "\", never ".").
  while (end > start && std::string_view(".,;:)").find(text[end - 1]) != std::string_view::npos) --end;
  const std::string unc(text.substr(start, end - start));
  std::optional<std::string> local = host.MapPath(unc);
  if (!local || *local == unc) return {};
  // A folder is shown as one, as its UNC path shows it.
  if (unc.back() == '\\' && !local->empty() && local->back() != '/') local->push_back('/');
  return "\n\nOn this workstation " + unc + " is looked for at " + *local +
         ". UNC paths are mapped under the folder named by TERVALO_UNC_ROOT (/mnt when it is not set), "
         "where the server's shares are to be mounted.";
}

std::string MissingConfigurationMessage(const std::string& path) {
  return "You are missing file: " + path + "    Are you running Veltrane Workstation?" +
         "\n\nThe workstation software writes this catalog configuration into the temporary directory "
         "(TMPDIR, else /tmp); tervalo --ini PATH reads it from another place.";
}

}  // namespace tervalo
