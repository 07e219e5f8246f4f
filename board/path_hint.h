#pragma once
// What a message about an unreachable place on the server adds for the person at the
// workstation: where on this machine the program looked for it, and how that place is chosen.

#include <string>
#include <string_view>

namespace tervalo {

class Host;

// For a text that names a UNC path (\\SERVER\SHARE\...): a paragraph that names the local path
// the host maps it to and says that TERVALO_UNC_ROOT is the folder the server's shares are
// mounted under. Empty when the text names no UNC path or the host uses UNC paths as they are.
std::string LocalPathHint(Host& host, std::string_view text);

// The catalog configuration that start-up reads is missing: the system's own message naming the
// file, and what writes it and how to name another one.
std::string MissingConfigurationMessage(const std::string& path);

}  // namespace tervalo
