#include "tools/share_builders/data_file_builder.h"
#include "engine/file_format.h"

#include <stdexcept>

namespace tervalo::share {

std::string ResolutionEntry(std::string_view name, int32_t flags, int32_t position,
                            int32_t record_length, char file_type, int32_t last_record) {
  std::string entry(name.substr(0, 10));
  entry.resize(10, ' ');
  if (flags != 0) entry.replace(6, 2, C2(flags));
  entry += D3(position) + C2(record_length) + std::string(1, file_type) + L4(last_record);
  entry.resize(32, '\0');
  return entry;
}

std::string LHeader(int32_t free_head, int32_t high_used, int32_t active) {
  return C2(-2) + L4(free_head) + L4(high_used) + L4(active) + std::string(2, '\0');
}

DataFileBuilder::DataFileBuilder(const ShareBuilder& share, std::string resolution_name)
    : share_(share), resolution_name_(std::move(resolution_name)) {}

int32_t DataFileBuilder::Add(const LogicalFileSpec& layout) {
  const int32_t position = next_block_;
  const int64_t bytes = layout.type == 'I'
                            ? BlockOffset(static_cast<int64_t>(layout.last_record) + 1)
                            : (static_cast<int64_t>(layout.last_record) + 1) * layout.record_length;
  next_block_ += static_cast<int32_t>((bytes + BlockOffset(1) - 1) / BlockOffset(1));
  image_.resize(static_cast<size_t>(BlockOffset(next_block_)), '\0');
  files_.push_back({layout, position});
  if (layout.type == 'L') Place(BlockOffset(position), LHeader(-1, 0, 0));
  return position;
}

const DataFileBuilder::Placed& DataFileBuilder::Find(std::string_view name) const {
  for (const auto& f : files_) {
    if (f.layout.name == name) return f;
  }
  throw std::invalid_argument("no logical file " + std::string(name));
}

void DataFileBuilder::Place(int64_t offset, std::string_view bytes) {
  const size_t end = static_cast<size_t>(offset) + bytes.size();
  if (image_.size() < end) image_.resize(end, '\0');
  image_.replace(static_cast<size_t>(offset), bytes.size(), bytes);
}

void DataFileBuilder::SetRecord(std::string_view name, int32_t record_number,
                                std::string_view bytes) {
  const Placed& f = Find(name);
  if (bytes.size() != static_cast<size_t>(f.layout.record_length)) {
    throw std::invalid_argument("record of " + std::string(name) + " has the wrong length");
  }
  Place(BlockOffset(f.position) +
            static_cast<int64_t>(record_number) * f.layout.record_length,
        bytes);
}

void DataFileBuilder::SetBlock(std::string_view name, int32_t block, std::string_view bytes) {
  std::string padded(bytes.substr(0, kBlockSize));
  padded.resize(kBlockSize, '\0');
  SetBytes(name, BlockOffset(block), padded);
}

void DataFileBuilder::SetBytes(std::string_view name, int64_t offset, std::string_view bytes) {
  Place(BlockOffset(Find(name).position) + offset, bytes);
}

void DataFileBuilder::Write() const {
  std::string resolution;
  for (const auto& f : files_) {
    resolution += ResolutionEntry(f.layout.name, f.layout.flags, f.position, f.layout.record_length,
                                  f.layout.type, f.layout.last_record);
  }
  const auto dir = share_.DataDirectory();
  WriteBinaryFile(dir / resolution_name_, resolution);
  WriteBinaryFile(dir / (resolution_name_.substr(0, resolution_name_.size() - 2) + "DB"), image_);
}

std::vector<std::string> DataFileBuilder::Links() const {
  std::vector<std::string> links;
  for (const auto& f : files_) links.push_back(share_.LinkFor(f.layout.name, resolution_name_));
  return links;
}

int32_t DataFileBuilder::FirstBlock(std::string_view name) const { return Find(name).position; }

}  // namespace tervalo::share
