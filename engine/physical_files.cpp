// Physical files: the open-file table and byte / 512-byte block access at given offsets.

#include "engine/physical_files.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/business_basic.h"
#include "engine/file_format.h"
#include "engine/system.h"

namespace tervalo {
namespace {

constexpr const char* kUndefinedOpenFile = "OpenFile parameter is undefined";

// The offset of a block, which the system keeps within 32 bits.
int64_t CheckedBlockOffset(int32_t block_number) {
  const int64_t offset = BlockOffset(block_number);
  if (offset > std::numeric_limits<int32_t>::max() || offset < std::numeric_limits<int32_t>::min()) {
    throw EngineError(kErrOverflow, "BlockReadFile", kOverflowText);
  }
  return offset;
}

}  // namespace

std::shared_ptr<cOpenFile> cOpenFiles::Add(int32_t vbFileNumber, const std::string& Path,
                                           int32_t Position, std::string_view sKey) {
  return AddItem(std::make_shared<cOpenFile>(cOpenFile{vbFileNumber, Path, Position}), sKey);
}

int32_t cOpenFiles::AttachHandle(std::unique_ptr<HostFile> file) {
  int32_t number = 1;
  for (const auto& [used, unused] : handles_) {
    if (used != number) break;
    ++number;
  }
  handles_.emplace(number, std::move(file));
  return number;
}

HostFile* cOpenFiles::Handle(int32_t vbFileNumber) const {
  auto it = handles_.find(vbFileNumber);
  return it == handles_.end() ? nullptr : it->second.get();
}

void cOpenFiles::CloseHandle(int32_t vbFileNumber) { handles_.erase(vbFileNumber); }

std::shared_ptr<cOpenFile> cBusinessBasic::OpenFile(const std::string& FileName) {
  const std::string path =
      FileName.find('\\') == std::string::npos ? system_.VLTRLNK() + "\\" + FileName : FileName;
  if (auto open = OpenFiles().Find(path)) return open;
  if (!host_.FileExists(path)) return nullptr;
  HostResult<std::unique_ptr<HostFile>> file = host_.OpenShared(path, /*create=*/false);
  if (!file.ok()) {
    last_error_ = EngineError(file.status().error(), "iOpenFile", "Could not open file: " + path);
    return nullptr;
  }
  const int32_t handle = OpenFiles().AttachHandle(std::move(file).value());
  OpenFiles().Add(handle, path, 0, path);
  // The caller's descriptor is its own; later opens of the path return the table's.
  return std::make_shared<cOpenFile>(cOpenFile{handle, path, 0});
}

std::shared_ptr<cOpenFile> cBusinessBasic::ResolveOpenFile(const OpenFileArg& arg) {
  return arg.is_name() ? OpenFile(arg.name()) : arg.file();
}

void cBusinessBasic::CloseFile(const OpenFileArg& FileName) {
  const auto file = ResolveOpenFile(FileName);
  if (!file) return;
  const auto open = OpenFiles().Find(file->Path);
  if (!open) return;
  // a handle number may be given to another file later
  index_blocks_.clear();
  held_files_.erase(open->vbFileNumber);
  OpenFiles().CloseHandle(open->vbFileNumber);
  OpenFiles().Remove(file->Path);
}

void cBusinessBasic::ReadBytes(const std::shared_ptr<cOpenFile>& file, int64_t offset, char* dst,
                               size_t n, const char* source) {
  HostFile* handle = file ? OpenFiles().Handle(file->vbFileNumber) : nullptr;
  if (handle == nullptr) throw EngineError(kErrUndefined, source, kUndefinedOpenFile);
  if (offset < 0) throw EngineError(kErrInvalidArgument, source, kInvalidArgumentText);
  if (!held_files_.empty()) {
    if (const auto held = held_files_.find(file->vbFileNumber); held != held_files_.end()) {
      const std::string& bytes = held->second;
      const size_t from = static_cast<size_t>(std::min<int64_t>(offset, static_cast<int64_t>(bytes.size())));
      const size_t got = std::min(n, bytes.size() - from);
      std::memcpy(dst, bytes.data() + from, got);
      std::memset(dst + got, ' ', n - got);
      return;
    }
  }
  const HostResult<int64_t> got = handle->ReadAt(offset, dst, n);
  if (!got.ok()) {
    throw EngineError(got.status().error(), source,
                      "Could not read file: " + file->Path + " (" + got.status().Reason() + ")");
  }
  // Bytes past the end of the file read as spaces.
  std::memset(dst + *got, ' ', n - static_cast<size_t>(*got));
}

void cBusinessBasic::WriteBytes(const std::shared_ptr<cOpenFile>& file, int64_t offset,
                                std::string_view data, const char* source) {
  HostFile* handle = file ? OpenFiles().Handle(file->vbFileNumber) : nullptr;
  if (handle == nullptr) throw EngineError(kErrUndefined, source, kUndefinedOpenFile);
  if (offset < 0) throw EngineError(kErrInvalidArgument, source, kInvalidArgumentText);
  // whatever the write touched is read afresh
  index_blocks_.clear();
  held_files_.clear();
  if (const HostStatus written = handle->WriteAt(offset, data.data(), data.size()); !written.ok()) {
    throw EngineError(written.error(), source,
                      "Could not write file: " + file->Path + " (" + written.Reason() + ")");
  }
}

void cBusinessBasic::BeginReadScope() { ++read_scope_depth_; }

void cBusinessBasic::EndReadScope() {
  if (read_scope_depth_ > 0 && --read_scope_depth_ == 0) {
    index_blocks_.clear();
    held_files_.clear();
  }
}

bool cBusinessBasic::HoldFile(const std::shared_ptr<cOpenFile>& file, int64_t max_bytes) {
  if (read_scope_depth_ == 0 || !file) return false;
  if (held_files_.count(file->vbFileNumber) != 0) return true;
  const int64_t length = LengthOfFile(file);
  if (length < 0 || length > max_bytes) return false;
  std::string bytes(static_cast<size_t>(length), ' ');
  for (int64_t at = 0; at < length; at += kHeldPieceBytes) {
    const int64_t piece = std::min(kHeldPieceBytes, length - at);
    ReadBytes(file, at, bytes.data() + at, static_cast<size_t>(piece), "iReadFile");
  }
  held_files_.emplace(file->vbFileNumber, std::move(bytes));
  return true;
}

bool cBusinessBasic::HoldFile(const LogicalFileArg& file, int64_t max_bytes) {
  if (read_scope_depth_ == 0) return false;
  // A name that does not open holds nothing; the read that follows reports it as it would.
  const auto logical = file.is_name() ? LogicalOpen(file.name()) : file.file();
  return logical && HoldFile(logical->OpenFile, max_bytes);
}

void cBusinessBasic::ReadIndexBlock(const std::shared_ptr<cOpenFile>& file, int64_t offset,
                                    char* into, const char* source) {
  if (read_scope_depth_ == 0 || !file) {
    ReadBytes(file, offset, into, kBlockSize, source);
    return;
  }
  const auto key = std::make_pair(file->vbFileNumber, offset);
  auto it = index_blocks_.find(key);
  if (it == index_blocks_.end()) {
    std::string block(kBlockSize, ' ');
    ReadBytes(file, offset, block.data(), block.size(), source);
    it = index_blocks_.emplace(key, std::move(block)).first;
  }
  std::memcpy(into, it->second.data(), it->second.size());
}

std::string cBusinessBasic::ReadFile(const OpenFileArg& OpenFile, int32_t BytesToRead,
                                     int32_t Position, bool /*Orb*/) {
  if (BytesToRead < 0) throw EngineError(kErrInvalidArgument, "ReadFile", kInvalidArgumentText);
  std::string data(static_cast<size_t>(BytesToRead), ' ');
  ReadBytes(ResolveOpenFile(OpenFile), Position, data.data(), data.size(), "iReadFile");
  return data;
}

void cBusinessBasic::WriteFile(const OpenFileArg& OpenFile, std::string_view Data, int32_t Position,
                               bool /*Orb*/) {
  const auto file = ResolveOpenFile(OpenFile);
  if (!file) throw EngineError(kErrUndefined, "iwriteFile", kUndefinedOpenFile);
  if (Position > -1) file->Position = Position;
  WriteBytes(file, file->Position, Data, "iwriteFile");
}

int64_t cBusinessBasic::LengthOfFile(const OpenFileArg& OpenFile) {
  const auto file = ResolveOpenFile(OpenFile);
  HostFile* handle = file ? OpenFiles().Handle(file->vbFileNumber) : nullptr;
  if (handle == nullptr) throw EngineError(kErrUndefined, "LengthOfFile", kUndefinedOpenFile);
  if (const auto held = held_files_.find(file->vbFileNumber); held != held_files_.end()) {
    return static_cast<int64_t>(held->second.size());
  }
  return handle->Size().value_or(-1);
}

std::string cBusinessBasic::BlockReadFile(const OpenFileArg& OpenFile, int32_t BlockNumber,
                                          bool Orb) {
  return ReadFile(OpenFile, static_cast<int32_t>(kBlockSize),
                  static_cast<int32_t>(CheckedBlockOffset(BlockNumber)), Orb);
}

void cBusinessBasic::BlockWriteFile(const OpenFileArg& OpenFile, int32_t BlockNumber,
                                    std::string_view Record, bool Orb) {
  WriteFile(OpenFile, Record, static_cast<int32_t>(CheckedBlockOffset(BlockNumber)), Orb);
}

}  // namespace tervalo
