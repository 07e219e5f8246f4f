#pragma once
// Builds a physical data file holding several logical files, with its resolution file (32-byte
// entries) and link records, byte for byte as the system stores them.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/coding.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo::share {

// Short names for the field widths of hand-built bytes (big-endian, low bytes of value).
inline std::string C2(int64_t v) { return BigEndianBytes(v, 2); }
inline std::string D3(int64_t v) { return BigEndianBytes(v, 3); }
inline std::string L4(int64_t v) { return BigEndianBytes(v, 4); }

// One 32-byte resolution entry. The name fills bytes 1-10 (space padded); a non-zero flags value
// is written over bytes 7-8, as the system stores it.
std::string ResolutionEntry(std::string_view name, int32_t flags, int32_t position,
                            int32_t record_length, char file_type, int32_t last_record);

// The 16-byte header of an "L" file: marker -2, free-chain head, highest used, records in use.
std::string LHeader(int32_t free_head, int32_t high_used, int32_t active);

struct LogicalFileSpec {
  std::string name;
  char type = 'L';
  int32_t record_length = 0;  // bytes per record ("I" files: 512)
  int32_t last_record = 0;    // highest record ("I" files: highest block)
  int32_t flags = 0;
};

class DataFileBuilder {
 public:
  // resolution_name ends in two characters that "DB" replaces for the data file (INVLK -> INVDB).
  DataFileBuilder(const ShareBuilder& share, std::string resolution_name);

  // Adds a logical file at the next free block and returns its first block. An "L" file gets an
  // empty header (marker -2, chain -1, counts 0) in record zero.
  int32_t Add(const LogicalFileSpec& layout);
  // Record n of an "L" (or other record) file; REQUIRES bytes.size() == record_length.
  void SetRecord(std::string_view name, int32_t record_number, std::string_view bytes);
  // Block b of an "I" file; shorter blocks are padded with NUL.
  void SetBlock(std::string_view name, int32_t block, std::string_view bytes);
  // Bytes at an offset relative to the logical file's first block.
  void SetBytes(std::string_view name, int64_t offset, std::string_view bytes);

  // Writes the resolution file and the data file into the data directory.
  void Write() const;
  // Link records ":DIR:NAME" -> "DIR:resolution" for every logical file added.
  std::vector<std::string> Links() const;
  int32_t FirstBlock(std::string_view name) const;
  const std::string& image() const { return image_; }

 private:
  struct Placed {
    LogicalFileSpec layout;
    int32_t position;
  };
  const Placed& Find(std::string_view name) const;
  void Place(int64_t offset, std::string_view bytes);

  const ShareBuilder& share_;
  std::string resolution_name_;
  std::vector<Placed> files_;
  std::string image_;
  int32_t next_block_ = 0;
};

}  // namespace tervalo::share
