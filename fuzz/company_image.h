#pragma once
// The fuzz input of the board target: a company's data files packed into one byte string.
//
// The input is a run of sections, each a tag byte, a two-byte big-endian length and that many
// bytes (a section cut short by the end of the input keeps what is there). Sections with the
// same tag append to the same file. Tags:
//   'F'  FILE0, packed: only the blocks the board reads, in the order of kFile0Blocks; FILE0 ends
//        where the packed bytes end, so a short section gives a short FILE0
//   'i'  INVLK, resolution file of INVOL     'I'  INVDB, its data file
//   'm'  MANLK, resolution of MANL and MANI  'M'  MANDB, their data file
//   'p'  RPARLK, resolution of RPARTL/RPARTI 'P'  RPARDB, their data file
//   'S'  a schedule file: two bytes of mechanic number (big-endian), then the file's bytes
// Files that no section names are absent from the company.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tervalo::fuzz {

// Names of the data directory's files as the input gives them.
using CompanyFiles = std::map<std::string, std::string>;

// FILE0 blocks in packed order: the settings blocks, then the job index.
const std::vector<int32_t>& File0Blocks();
// Every data file name a section can give (schedule files aside).
const std::vector<std::string>& ImageFileNames();

CompanyFiles DecodeCompany(std::string_view input);
// The input that decodes to these files. FILE0 is packed; its trailing empty blocks are left
// out (they read as empty).
std::string EncodeCompany(const CompanyFiles& files);

}  // namespace tervalo::fuzz
