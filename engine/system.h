#pragma once
// Host paths of the system's shares and this workstation's identity.

#include <string>

namespace tervalo {

class cSystem {
 public:
  std::string mUNCDrive;   // server of the system shares, without backslashes
  std::string mDirectory;  // data directory (company) under the link share
  std::string TerminalID;  // this workstation's terminal number; "0" when the map has no line
  std::string ComputerName;
  std::string IP;       // dotted decimal IPv4 address
  std::string xtermid;  // terminal id as configured in the catalog configuration

  // "\\server\VLTRLNK\directory", the data directory; no final backslash.
  std::string VLTRLNK() const { return "\\\\" + mUNCDrive + "\\VLTRLNK\\" + mDirectory; }
  // "\\server\CATCON\", with the final backslash.
  std::string CATCON() const { return "\\\\" + mUNCDrive + "\\CATCON\\"; }
  // "\\server\VLTRLNK\", the root of the link share, with the final backslash.
  std::string LinkShareRoot() const { return "\\\\" + mUNCDrive + "\\VLTRLNK\\"; }
};

}  // namespace tervalo
