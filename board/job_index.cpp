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

bool JobIndexPlace(int32_t job_number, int32_t& block, int32_t& slot) {
  if (job_number < 1) return false;
  block = job_number < 1000 ? kLowIndexFirstBlock + job_number / kEntriesPerIndexBlock
                            : kHighIndexFirstBlock + (job_number - 999) / kEntriesPerIndexBlock;
  slot = job_number % kEntriesPerIndexBlock;
  const bool low = block < kLowIndexFirstBlock + kLowIndexBlocks;
  const bool high = block >= kHighIndexFirstBlock && block < kHighIndexFirstBlock + kHighIndexBlocks;
  return low || high;
}

JobIndex JobIndex::Load(cBusinessBasic& engine) {
  JobIndexParts parts;
  parts.entries.reserve((kLowIndexBlocks + kHighIndexBlocks) * kEntriesPerIndexBlock);
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
  const int32_t block_index = block < kHighIndexFirstBlock ? block - kLowIndexFirstBlock
                                                           : kLowIndexBlocks + block - kHighIndexFirstBlock;
  const int32_t value = entries_[static_cast<size_t>(block_index * kEntriesPerIndexBlock + slot)];
  return value < 1 ? 0 : value;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find('\n', start);
    lines.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return lines;
    start = at + 1;
  }
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text.push_back('\n');
    text += lines[i];
  }
  return text;
}

int32_t GetJobNumber(std::string_view job_text) {
  const size_t lf = job_text.find('\n');
  if (lf == std::string_view::npos) return 0;
  size_t start = lf >= 4 ? lf - 4 : 0;
  if (start > 0 && job_text[start - 1] >= '0' && job_text[start - 1] <= '9') --start;
  return static_cast<int32_t>(Val(job_text.substr(start, lf - start)));
}

int32_t ReferenceNumberOf(std::string_view job_text) {
  return static_cast<int32_t>(Val(Mid(job_text, 6, 7)));
}

int32_t RequestNumberOf(std::string_view job_text) {
  const auto lines = SplitLines(job_text);
  return lines.size() >= 6 ? static_cast<int32_t>(Val(Mid(lines[5], 5, 2))) : 0;
}

bool IsFinished(std::string_view job_text) {
  const auto lines = SplitLines(job_text);
  if (lines.size() < 3) return false;
  return lines[2].find("Complete") != std::string::npos || lines[2].find("Billed") != std::string::npos;
}

}  // namespace tervalo
