// Logical files: opening by name through the link table and resolution files, and reading and
// writing records by number.

#include "engine/logical_files.h"

#include <array>

#include "base/basic_text.h"
#include "engine/business_basic.h"
#include "engine/system.h"
#include "host/host.h"

namespace tervalo {
namespace {

constexpr int64_t kHeaderLength = 16;

}  // namespace

ResolutionEntry DecodeResolutionEntry(cBusinessBasic& engine, const std::string& entry) {
  ResolutionEntry e;
  e.name = engine.Trun(std::string_view(entry).substr(0, 10), 1);
  e.flags = engine.Unpack("C", entry, 7);
  e.position = engine.Unpack("D", entry, 11);
  e.record_length = engine.Unpack("C", entry, 14);
  e.file_type = entry.substr(15, 1);
  e.last_record = engine.Unpack("L", entry, 17);
  return e;
}

namespace {

// The entry of the resolution file named exactly entry_name (letter case counts), if any.
std::optional<ResolutionEntry> FindResolutionEntry(cBusinessBasic& engine,
                                                   const std::string& resolution_path,
                                                   const std::string& entry_name) {
  const HostResult<std::unique_ptr<HostFile>> opened = engine.host().OpenShared(resolution_path, /*create=*/false);
  if (!opened.ok()) return std::nullopt;
  HostFile& file = **opened;
  // Many entries per read: a resolution file is small, and each read is a round trip.
  constexpr size_t kEntriesPerRead = 128;
  std::string chunk(kEntriesPerRead * kResolutionEntryLength, '\0');
  for (int64_t offset = 0;; offset += static_cast<int64_t>(chunk.size())) {
    const HostResult<int64_t> got = file.ReadAt(offset, chunk.data(), chunk.size());
    if (!got.ok()) return std::nullopt;
    const size_t whole = static_cast<size_t>(*got) / kResolutionEntryLength;
    for (size_t i = 0; i < whole; ++i) {
      ResolutionEntry decoded =
          DecodeResolutionEntry(engine, chunk.substr(i * kResolutionEntryLength, kResolutionEntryLength));
      if (decoded.name == entry_name) return decoded;
    }
    if (static_cast<size_t>(*got) < chunk.size()) return std::nullopt;
  }
}

std::string IllegalRecordText(const cLogicalFile& file, int32_t number) {
  return "Illegal Record Number for File: " + file.FileName + " and Record: " + std::to_string(number);
}

// The system's text names the file's last record; the record asked for follows it, since the
// fixed text alone does not say which write was refused.
std::string IllegalWriteText(const cLogicalFile& file, int32_t number) {
  return IllegalRecordText(file, file.LastRecord) + " (record " + std::to_string(number) +
         " was asked for)";
}

int32_t HeaderField(const cLogicalFile& file, int32_t position) {
  if (!file.OpenFile || file.FileType != "L" || file.engine == nullptr) return 0;
  std::string header(kHeaderLength, ' ');
  file.engine->ReadBytes(file.OpenFile, file.BaseOffset(), header.data(), header.size(), "iLreadFile");
  return file.engine->Unpack("L", header, position);
}

int64_t RecordOffset(const cLogicalFile& file, int32_t record_number) {
  return static_cast<int64_t>(record_number) * file.RecordLength + file.BaseOffset();
}

}  // namespace

int32_t cLogicalFile::ActiveCount(bool /*Orb*/) const { return HeaderField(*this, 11); }
int32_t cLogicalFile::HighUsedRecord(bool /*Orb*/) const { return HeaderField(*this, 7); }

std::shared_ptr<cLogicalFile> cLogicalFiles::Add(const std::string& FileName,
                                                 const std::string& FileType,
                                                 std::shared_ptr<cOpenFile> OpenFile,
                                                 int32_t Position, int32_t Flags,
                                                 int32_t RecordLength, int32_t LastRecord,
                                                 std::string_view sKey) {
  auto file = std::make_shared<cLogicalFile>();
  file->FileName = FileName;
  file->FileType = FileType;
  file->OpenFile = std::move(OpenFile);
  file->Position = Position;
  file->Flags = Flags;
  file->RecordLength = RecordLength;
  file->LastRecord = LastRecord;
  return AddItem(file, sKey);
}

std::shared_ptr<cLogicalFile> cBusinessBasic::LogicalOpen(const std::string& FileName) {
  if (auto open = LogicalFiles().Find(FileName)) return open;
  const auto resolution = ResolveLogicalName(*links_, FileName, system_.mUNCDrive, system_.mDirectory);
  if (!resolution) return nullptr;
  const auto entry = FindResolutionEntry(*this, resolution->resolution_path, resolution->entry_name);
  if (!entry) return nullptr;
  auto file = LogicalFiles().Add(FileName, entry->file_type, OpenFile(resolution->data_path),
                                 entry->position, entry->flags, entry->record_length,
                                 entry->last_record, FileName);
  file->engine = this;
  return file;
}

std::shared_ptr<cLogicalFile> cBusinessBasic::PhysLogicalOpen(const std::string& FileName,
                                                              const std::string& FileType,
                                                              int32_t RecordLength,
                                                              int32_t& LastRecord) {
  auto data = OpenFile(FileName);
  if (!data) return nullptr;
  if (LastRecord == 0) {
    if (RecordLength == 0) throw EngineError(kErrDivisionByZero, "PhysLogicalOpen", kDivisionByZeroText);
    HostFile* handle = OpenFiles().Handle(data->vbFileNumber);
    const int64_t size = handle != nullptr ? handle->Size().value_or(-1) : 0;
    LastRecord = static_cast<int32_t>(size / RecordLength - 1);
  }
  auto file = LogicalFiles().Add(FileName, FileType, data, 0, 0, RecordLength, LastRecord);
  file->engine = this;
  return file;
}

std::shared_ptr<cLogicalFile> cBusinessBasic::PhysLogicalOpen(const std::string& FileName,
                                                              const std::string& FileType,
                                                              int32_t RecordLength) {
  int32_t last_record = 0;
  return PhysLogicalOpen(FileName, FileType, RecordLength, last_record);
}

std::shared_ptr<cLogicalFile> cBusinessBasic::ResolveLogicalFile(const LogicalFileArg& arg) {
  if (!arg.is_name()) return arg.file();
  auto file = LogicalOpen(arg.name());
  if (!file) {
    throw EngineError(kErrUndefined, "LogicalOpen", "File not Found: \"" + arg.name() + "\"");
  }
  return file;
}

std::string cBusinessBasic::LreadFile(const LogicalFileArg& LogicalFile, int32_t RecordNumber,
                                      bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  if (!file) throw EngineError(kErrUndefined, "iLreadFile", "LogicalFile parameter is undefined");
  if (RecordNumber < 1 || RecordNumber > file->LastRecord) {
    throw EngineError(kErrIllegalRecord, "iLreadFile", IllegalRecordText(*file, RecordNumber));
  }
  std::string record(static_cast<size_t>(file->RecordLength), ' ');
  ReadBytes(file->OpenFile, RecordOffset(*file, RecordNumber), record.data(), record.size(), "iLreadFile");
  return record;
}

std::string cBusinessBasic::LreadRange(const LogicalFileArg& LogicalFile, int32_t FirstRecord,
                                       int32_t Count) {
  const auto file = ResolveLogicalFile(LogicalFile);
  if (!file) throw EngineError(kErrUndefined, "iLreadFile", "LogicalFile parameter is undefined");
  if (Count < 1) throw EngineError(kErrInvalidArgument, "iLreadFile", kInvalidArgumentText);
  if (FirstRecord < 1 || FirstRecord > file->LastRecord) {
    throw EngineError(kErrIllegalRecord, "iLreadFile", IllegalRecordText(*file, FirstRecord));
  }
  if (Count - 1 > file->LastRecord - FirstRecord) {
    throw EngineError(kErrIllegalRecord, "iLreadFile", IllegalRecordText(*file, file->LastRecord + 1));
  }
  std::string records(static_cast<size_t>(Count) * static_cast<size_t>(file->RecordLength), ' ');
  ReadBytes(file->OpenFile, RecordOffset(*file, FirstRecord), records.data(), records.size(), "iLreadFile");
  return records;
}

void cBusinessBasic::LwriteFile(const LogicalFileArg& LogicalFile, int32_t RecordNumber,
                                std::string_view Data, bool /*Orb*/) {
  const auto file = ResolveLogicalFile(LogicalFile);
  if (!file) throw EngineError(kErrUndefined, "iLwriteFile", "LogicalFile parameter is undefined");
  if (RecordNumber < 1 || RecordNumber > file->LastRecord) {
    throw EngineError(kErrIllegalRecord, "iLwriteFile", IllegalWriteText(*file, RecordNumber));
  }
  if (Data.size() != static_cast<size_t>(file->RecordLength)) {
    throw EngineError(kErrDataLength, "iLwriteFile",
                      "Illegal Data length for this record.  Size is: " + std::to_string(Data.size()) +
                          " and should be " + std::to_string(file->RecordLength));
  }
  WriteBytes(file->OpenFile, RecordOffset(*file, RecordNumber), Data, "iwriteFile");
}

void cBusinessBasic::LwriteField(const LogicalFileArg& LogicalFile, int32_t RecordNumber,
                                 int32_t Position, std::string_view Data) {
  const auto file = ResolveLogicalFile(LogicalFile);
  if (!file) throw EngineError(kErrUndefined, "iLwriteFile", "LogicalFile parameter is undefined");
  if (RecordNumber < 1 || RecordNumber > file->LastRecord) {
    throw EngineError(kErrIllegalRecord, "iLwriteFile", IllegalWriteText(*file, RecordNumber));
  }
  if (Position < 1 || static_cast<int64_t>(Position) - 1 + static_cast<int64_t>(Data.size()) > file->RecordLength) {
    throw EngineError(kErrFieldOutside, "iLwriteFile",
                      "Invalid Subscript.  Field at " + std::to_string(Position) + " of length " +
                          std::to_string(Data.size()) + " in a record of " +
                          std::to_string(file->RecordLength));
  }
  WriteBytes(file->OpenFile, RecordOffset(*file, RecordNumber) + Position - 1, Data, "iwriteFile");
}

}  // namespace tervalo
