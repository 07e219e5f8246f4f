#pragma once
// The 40-character alphabet of compressed text and of part numbers, with a reverse lookup kept in
// step with it so that compression costs one table read per character.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tervalo {

class CharTable {
 public:
  static constexpr std::string_view kDefault = " ,/.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static constexpr int kSize = 40;

  CharTable() { Set(kDefault); }

  // REQUIRES: table holds exactly 40 characters.
  void Set(std::string_view table) {
    chars_.assign(table);
    index_.fill(0);
    // The first occurrence wins, as a left-to-right search of the table finds it.
    for (int i = kSize - 1; i >= 0; --i) index_[static_cast<unsigned char>(chars_[i])] = static_cast<uint8_t>(i);
    present_.fill(false);
    for (char c : chars_) present_[static_cast<unsigned char>(c)] = true;
  }

  const std::string& Text() const { return chars_; }
  char At(int index) const { return chars_[static_cast<size_t>(index)]; }
  // 0-based index of c; a character outside the table counts as index 0.
  int IndexOf(char c) const { return index_[static_cast<unsigned char>(c)]; }
  bool Contains(char c) const { return present_[static_cast<unsigned char>(c)]; }

 private:
  std::string chars_;
  std::array<uint8_t, 256> index_{};
  std::array<bool, 256> present_{};
};

}  // namespace tervalo
