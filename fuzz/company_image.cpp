#include "fuzz/company_image.h"

#include <algorithm>
#include <utility>

namespace tervalo::fuzz {
namespace {

constexpr size_t kBlock = 512;
constexpr size_t kMaxSection = 0xFFFF;
constexpr const char* kSchedulePrefix = "SCHEDULE.";

const std::vector<std::pair<char, std::string>>& Tags() {
  static const std::vector<std::pair<char, std::string>> tags = {
      {'F', "FILE0"}, {'i', "INVLK"},  {'I', "INVDB"}, {'m', "MANLK"},
      {'M', "MANDB"}, {'p', "RPARLK"}, {'P', "RPARDB"}};
  return tags;
}

std::string UnpackFile0(std::string_view packed) {
  const auto& blocks = File0Blocks();
  std::string file;
  for (size_t k = 0; k < blocks.size() && k * kBlock < packed.size(); ++k) {
    const std::string_view part = packed.substr(k * kBlock, kBlock);
    const size_t at = static_cast<size_t>(blocks[k]) * kBlock;
    if (file.size() < at + part.size()) file.resize(at + part.size(), '\0');
    std::copy(part.begin(), part.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
  }
  return file;
}

std::string PackFile0(const std::string& file) {
  std::string packed;
  for (int32_t block : File0Blocks()) {
    std::string part(kBlock, '\0');
    const size_t at = static_cast<size_t>(block) * kBlock;
    if (at < file.size()) file.copy(part.data(), kBlock, at);
    packed += part;
  }
  while (packed.size() >= kBlock &&
         std::all_of(packed.end() - kBlock, packed.end(), [](char c) { return c == '\0'; })) {
    packed.resize(packed.size() - kBlock);
  }
  return packed;
}

void AppendSections(char tag, std::string_view bytes, std::string& out) {
  do {
    const std::string_view part = bytes.substr(0, kMaxSection);
    out.push_back(tag);
    out.push_back(static_cast<char>(part.size() >> 8));
    out.push_back(static_cast<char>(part.size() & 0xFF));
    out.append(part);
    bytes.remove_prefix(part.size());
  } while (!bytes.empty());
}

}  // namespace

const std::vector<int32_t>& File0Blocks() {
  static const std::vector<int32_t> blocks = [] {
    std::vector<int32_t> b = {401, 450, 499};
    for (int32_t n = 451; n <= 458; ++n) b.push_back(n);
    for (int32_t n = 501; n <= 571; ++n) b.push_back(n);
    return b;
  }();
  return blocks;
}

const std::vector<std::string>& ImageFileNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const auto& tag : Tags()) n.push_back(tag.second);
    return n;
  }();
  return names;
}

CompanyFiles DecodeCompany(std::string_view input) {
  CompanyFiles files;
  std::string packed_file0;
  bool has_file0 = false;
  while (input.size() >= 3) {
    const char tag = input[0];
    const size_t length =
        static_cast<size_t>(static_cast<uint8_t>(input[1])) << 8 | static_cast<uint8_t>(input[2]);
    const std::string_view body = input.substr(3, length);
    input.remove_prefix(3 + body.size());
    if (tag == 'F') {
      packed_file0.append(body);
      has_file0 = true;
    } else if (tag == 'S' && body.size() >= 2) {
      const int number = static_cast<uint8_t>(body[0]) << 8 | static_cast<uint8_t>(body[1]);
      files[kSchedulePrefix + std::to_string(number)].append(body.substr(2));
    } else {
      for (const auto& [known, name] : Tags()) {
        if (known == tag) files[name].append(body);
      }
    }
  }
  if (has_file0) files["FILE0"] = UnpackFile0(packed_file0);
  return files;
}

std::string EncodeCompany(const CompanyFiles& files) {
  std::string out;
  for (const auto& [tag, name] : Tags()) {
    const auto file = files.find(name);
    if (file == files.end()) continue;
    AppendSections(tag, tag == 'F' ? PackFile0(file->second) : file->second, out);
  }
  for (const auto& [name, bytes] : files) {
    if (name.rfind(kSchedulePrefix, 0) != 0) continue;
    const int number = std::stoi(name.substr(std::string(kSchedulePrefix).size()));
    const std::string prefix = {static_cast<char>(number >> 8), static_cast<char>(number & 0xFF)};
    std::string_view rest = bytes;
    do {
      AppendSections('S', prefix + std::string(rest.substr(0, kMaxSection - prefix.size())), out);
      rest.remove_prefix(std::min(rest.size(), kMaxSection - prefix.size()));
    } while (!rest.empty());
  }
  return out;
}

}  // namespace tervalo::fuzz
