#include "board/job_index.h"

#include <algorithm>

#include "base/basic_text.h"
#include "engine/business_basic.h"

namespace tervalo {
namespace {

struct JobIndexParts {
  std::vector<int32_t> entries;
  std::string bytes;
  std::string path;
};

void AppendEntries(cBusinessBasic& engine, int64_t offset, int64_t size, JobIndexParts& parts) {
  const auto file0 = engine.OpenFile("FILE0");
  if (!file0) throw EngineError(kErrUndefined, "JobIndex", "File not Found: \"FILE0\"");
  parts.path = file0->Path;
  const int64_t length = engine.LengthOfFile(file0);
  std::string bytes(static_cast<size_t>(size), '\0');
  engine.ReadBytes(file0, offset, bytes.data(), bytes.size(), "JobIndex");
  // What lies past the end of FILE0 holds no jobs.
  const int64_t valid = std::clamp<int64_t>(length - offset, 0, static_cast<int64_t>(bytes.size()));
  std::fill(bytes.begin() + valid, bytes.end(), '\0');
  for (size_t at = 0; at < bytes.size(); at += 4) {
    parts.entries.push_back(engine.Unpack("L", std::string_view(bytes).substr(at, 4), 1));
  }
  parts.bytes += bytes;
}

}  // namespace

JobIndex JobIndex::Load(cBusinessBasic& engine) {
  JobIndexParts parts;
  parts.entries.reserve((file0::kLowIndexBlocks + file0::kHighIndexBlocks) * file0::kEntriesPerIndexBlock);
  for (const auto& [offset, size] : kJobIndexRanges) AppendEntries(engine, offset, size, parts);
  JobIndex index;
  index.entries_ = std::move(parts.entries);
  index.bytes_ = std::move(parts.bytes);
  index.path_ = std::move(parts.path);
  return index;
}

int32_t JobIndex::RecordNumber(int32_t job_number) const {
  int32_t block = 0;
  int32_t slot = 0;
  if (!JobIndexPlace(job_number, block, slot)) return 0;
  const int32_t block_index = block < file0::kHighIndexFirstBlock ? block - file0::kLowIndexFirstBlock
                                                           : file0::kLowIndexBlocks + block - file0::kHighIndexFirstBlock;
  const int32_t value = entries_[static_cast<size_t>(block_index * file0::kEntriesPerIndexBlock + slot)];
  return value < 1 ? 0 : value;
}

}  // namespace tervalo
