#include "board/job_index.h"

#include <algorithm>

#include "base/basic_text.h"
#include "board/board_state.h"
#include "engine/business_basic.h"

namespace tervalo {

std::string JobIndexRuns(std::string_view span) {
  std::string runs;
  for (const auto& [offset, size] : kJobIndexRanges) {
    runs += span.substr(static_cast<size_t>(offset - kJobIndexSpan.first), static_cast<size_t>(size));
  }
  return runs;
}

JobIndex JobIndex::Load(cBusinessBasic& engine) {
  const auto file0 = engine.OpenFile("FILE0");
  if (!file0) throw EngineError(kErrUndefined, "JobIndex", "File not Found: \"FILE0\"");
  engine.HoldFile(file0, kHeldFileBytes);
  const int64_t length = engine.LengthOfFile(file0);
  const auto [offset, size] = kJobIndexSpan;
  std::string span(static_cast<size_t>(size), '\0');
  engine.ReadBytes(file0, offset, span.data(), span.size(), "JobIndex");
  // What lies past the end of FILE0 holds no jobs.
  const int64_t valid = std::clamp<int64_t>(length - offset, 0, size);
  std::fill(span.begin() + valid, span.end(), '\0');
  JobIndex index;
  index.bytes_ = JobIndexRuns(span);
  index.path_ = file0->Path;
  index.entries_.reserve(index.bytes_.size() / 4);
  for (size_t at = 0; at < index.bytes_.size(); at += 4) {
    index.entries_.push_back(engine.Unpack("L", std::string_view(index.bytes_).substr(at, 4), 1));
  }
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
