#pragma once
// Logical record files and the engine's table of them.

#include <cstdint>
#include <memory>
#include <string>

#include "base/keyed_collection.h"
#include "engine/file_format.h"
#include "engine/physical_files.h"

namespace tervalo {

class cBusinessBasic;

// A logical file: a named run of fixed-length records (or of 512-byte index blocks) inside a
// physical data file, starting at block Position.
struct cLogicalFile {
  std::string FileName;
  std::string FileType;  // "L" record file with allocation header, "I" index file
  std::shared_ptr<cOpenFile> OpenFile;
  int32_t Position = 0;
  int32_t Flags = 0;
  int32_t RecordLength = 0;
  int32_t LastRecord = 0;

  // Records in use and highest record ever allocated, from the header of an "L" file; 0 for any
  // other type or without a data file.
  int32_t ActiveCount(bool Orb = false) const;
  int32_t HighUsedRecord(bool Orb = false) const;

  cBusinessBasic* engine = nullptr;  // the engine that opened it, for the two header reads

  // Byte offset of the file's first block in its data file.
  int64_t BaseOffset() const { return BlockOffset(Position); }
};

// One 32-byte entry of a resolution file: the name field (bytes 1-10, padding removed), the
// Flags overlapping it (7-8), first block (11-13), record length (14-15), type (16) and last
// record (17-20).
struct ResolutionEntry {
  std::string name;
  int32_t flags = 0;
  int32_t position = 0;
  int32_t record_length = 0;
  std::string file_type;
  int32_t last_record = 0;
};
inline constexpr size_t kResolutionEntryLength = 32;

// REQUIRES: entry holds kResolutionEntryLength bytes.
ResolutionEntry DecodeResolutionEntry(cBusinessBasic& engine, const std::string& entry);

class cLogicalFiles : public KeyedCollection<cLogicalFile> {
 public:
  std::shared_ptr<cLogicalFile> Add(const std::string& FileName, const std::string& FileType,
                                    std::shared_ptr<cOpenFile> OpenFile, int32_t Position,
                                    int32_t Flags, int32_t RecordLength, int32_t LastRecord,
                                    std::string_view sKey = {});
};

}  // namespace tervalo
