// Record allocation in "L" files (the free-record chain in record zero), initialisation of empty
// record and index files, and byte-range locks that other processes respect.

#include <algorithm>
#include <chrono>

#include "engine/business_basic.h"
#include "engine/file_format.h"

namespace tervalo {
namespace {

constexpr size_t kHeaderLength = 16;
constexpr int32_t kFreeHeadPosition = 3;
constexpr int32_t kHighUsedPosition = 7;
constexpr int32_t kActivePosition = 11;

// A lock on record zero is held only for the few reads and writes of an allocation; another
// workstation's allocation is waited for this long before giving up.
constexpr int kLockAttempts = 50;
constexpr auto kLockRetryPause = std::chrono::milliseconds(20);

// Holds a lock number until the end of a scope.
class LockHolder {
 public:
  LockHolder(cBusinessBasic& engine, int32_t number) : engine_(engine), number_(number) {}
  ~LockHolder() {
    if (number_ > 0) engine_.ReleaseLock(number_);
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  bool held() const { return number_ > 0; }

 private:
  cBusinessBasic& engine_;
  int32_t number_;
};

int32_t LockRecordZero(cBusinessBasic& engine, const std::shared_ptr<cLogicalFile>& file) {
  for (int attempt = 0;; ++attempt) {
    const int32_t number = engine.LogicalLock(file, 0);
    if (number > 0 || attempt + 1 == kLockAttempts) return number;
    engine.host().Sleep(kLockRetryPause);
  }
}

[[noreturn]] void ThrowNoLock(const cLogicalFile& file, const char* source) {
  throw EngineError(kErrNoLock, source, "Could not obtain a Lock on Record Zero of " + file.FileName);
}

std::string ReadHeader(cBusinessBasic& engine, const cLogicalFile& file) {
  std::string header(kHeaderLength, '\0');
  engine.ReadBytes(file.OpenFile, file.BaseOffset(), header.data(), header.size(), "iLreadFile");
  return header;
}

void InitIndexFile(cBusinessBasic& engine, const cLogicalFile& file, int32_t key_length,
                   bool duplicate_keys, int32_t blocking_factor) {
  const int32_t entry_length = key_length + 4;
  if (entry_length == 0) throw EngineError(kErrDivisionByZero, "InitFile", kDivisionByZeroText);
  const int32_t per_block = 508 / entry_length;
  std::string header(kBlockSize, '\0');
  engine.Pack("C", header, entry_length, 1);
  engine.Pack("C", header, per_block, 3);
  engine.Pack("C", header, file.LastRecord, 5);
  engine.Pack("C", header, 2, 7);
  engine.Pack("C", header, 1, 9);
  engine.Pack("C", header, blocking_factor / 100 * per_block, 11);
  engine.Pack("C", header, duplicate_keys ? 65535 : 0, 13);
  engine.WriteBytes(file.OpenFile, file.BaseOffset(), header, "iwriteFile");

  // The root: an empty leaf holding only the sentinel entry, link FF FF.
  std::string root(kBlockSize, '\xFF');
  engine.Pack("C", root, 1, 1);
  engine.WriteBytes(file.OpenFile, file.BaseOffset() + BlockOffset(1), root, "iwriteFile");
}

void InitRecordFile(cBusinessBasic& engine, const cLogicalFile& file) {
  std::string header(kBlockSize, '\0');
  engine.Pack("J", header, -2, 1);
  engine.Pack("L", header, -1, kFreeHeadPosition);
  engine.WriteBytes(file.OpenFile, file.BaseOffset(), header, "iwriteFile");
  // Records 1 to LastRecord become zero bytes, written in ascending order in large pieces.
  const int64_t first = file.BaseOffset() + file.RecordLength;
  const int64_t total = static_cast<int64_t>(file.LastRecord) * file.RecordLength;
  constexpr int64_t kChunk = 1 << 20;
  const std::string zeros(static_cast<size_t>(std::min(total, kChunk)), '\0');
  for (int64_t done = 0; done < total; done += kChunk) {
    const auto n = static_cast<size_t>(std::min(kChunk, total - done));
    engine.WriteBytes(file.OpenFile, first + done, std::string_view(zeros).substr(0, n), "iwriteFile");
  }
}

}  // namespace

void cBusinessBasic::DelRec(const LogicalFileArg& LogicalFile, int32_t RecordNumber, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  if (!file) throw EngineError(kErrUndefined, "DelRec", "LogicalFile parameter is undefined");
  // Two workstations freeing records at once would each write their own chain head; the lock on
  // record zero makes the header update one at a time.
  LockHolder lock(*this, LockRecordZero(*this, file));
  if (!lock.held()) ThrowNoLock(*file, "DelRec");

  std::string header = ReadHeader(*this, *file);
  const int32_t free_head = Unpack("L", header, kFreeHeadPosition);
  const int32_t active = Unpack("L", header, kActivePosition);
  const std::string record = LreadFile(file, RecordNumber);
  if (Unpack("J", record, 1) <= 0) {
    throw EngineError(kErrIllegalRecord, "DelRec",
                      "Attempt to delete a deleted record for File: " + file->FileName +
                          " and Record: " + std::to_string(RecordNumber));
  }
  std::string freed(static_cast<size_t>(file->RecordLength), '\0');
  Pack("L", freed, free_head, kFreeHeadPosition);
  LwriteFile(file, RecordNumber, freed);

  Pack("L", header, RecordNumber, kFreeHeadPosition);
  Pack("L", header, std::max(active - 1, 0), kActivePosition);
  WriteBytes(file->OpenFile, file->BaseOffset(), header, "iwriteFile");
}

void cBusinessBasic::GetRec(const LogicalFileArg& LogicalFile, int32_t& RecordNumber, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  if (!file) throw EngineError(kErrUndefined, "iGetRec", "LogicalFile parameter is undefined");
  LockHolder lock(*this, LockRecordZero(*this, file));
  if (!lock.held()) ThrowNoLock(*file, "iGetRec");

  std::string header = ReadHeader(*this, *file);
  const int32_t free_head = Unpack("L", header, kFreeHeadPosition);
  int32_t number = 0;
  if (free_head < 1) {
    number = Unpack("L", header, kHighUsedPosition) + 1;
    Pack("L", header, number, kHighUsedPosition);
  } else {
    number = free_head;
    Pack("L", header, Unpack("L", LreadFile(file, number), kFreeHeadPosition), kFreeHeadPosition);
  }
  Pack("L", header, Unpack("L", header, kActivePosition) + 1, kActivePosition);
  WriteBytes(file->OpenFile, file->BaseOffset(), header, "iwriteFile");
  RecordNumber = number;
}

void cBusinessBasic::InitFile(const LogicalFileArg& LogicalFile, int32_t KeyLength,
                              bool DuplicateKeys, int32_t BlockingFactor, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  if (!file) throw EngineError(kErrUndefined, "iLwriteFile", "LogicalFile parameter is undefined");
  if (file->FileType == "I") {
    InitIndexFile(*this, *file, KeyLength, DuplicateKeys, BlockingFactor);
  } else if (file->FileType == "L") {
    InitRecordFile(*this, *file);
  }
}

int32_t cBusinessBasic::PhysicalLock(const std::string& FileName, int32_t Position,
                                     int32_t LockLength) {
  const auto file = OpenFile(FileName);
  HostFile* handle = file ? OpenFiles().Handle(file->vbFileNumber) : nullptr;
  if (handle == nullptr || LockLength <= 0 || Position < 0) return 0;
  // This engine's own locks share one open file, which the system does not set against itself.
  for (const auto& [number, held] : locks_) {
    if (held.vbFileNumber == file->vbFileNumber && held.offset < Position + int64_t{LockLength} &&
        Position < held.offset + held.length) {
      return 0;
    }
  }
  if (!handle->TryLock(Position, LockLength)) return 0;
  const int32_t number = next_lock_number_++;
  locks_.emplace(number, HeldLock{file->vbFileNumber, Position, LockLength});
  return number;
}

int32_t cBusinessBasic::LogicalLock(const LogicalFileArg& LogicalFile, int32_t RecordNumber) {
  const auto file = ResolveLogicalFile(LogicalFile);
  if (!file || !file->OpenFile) return 0;
  const int64_t offset = static_cast<int64_t>(RecordNumber) * file->RecordLength + file->BaseOffset();
  if (offset > INT32_MAX) return 0;
  return PhysicalLock(file->OpenFile->Path, static_cast<int32_t>(offset), file->RecordLength);
}

int32_t cBusinessBasic::ReleaseLock(int32_t LockNumber) {
  const auto it = locks_.find(LockNumber);
  if (it == locks_.end()) return -1;
  if (HostFile* handle = open_files_ ? open_files_->Handle(it->second.vbFileNumber) : nullptr) {
    handle->Unlock(it->second.offset, it->second.length);
  }
  locks_.erase(it);
  return 0;
}

}  // namespace tervalo
