#pragma once
// cBusinessBasic, the data engine: the field codec, physical files, logical files, keyed access
// on B+-tree indexes, record allocation and locks. One engine exists per program run (gEngine);
// constructing it identifies the workstation and loads the link table.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/engine_error.h"
#include "engine/calendar.h"
#include "engine/link_table.h"
#include "engine/logical_files.h"
#include "engine/physical_files.h"

namespace tervalo {

class cSystem;
class Host;

// The file argument of the file operations: an open-file descriptor or a file name.
class OpenFileArg {
 public:
  OpenFileArg(std::shared_ptr<cOpenFile> file) : file_(std::move(file)) {}  // NOLINT
  OpenFileArg(std::string name) : name_(std::move(name)), is_name_(true) {}  // NOLINT
  OpenFileArg(const char* name) : name_(name), is_name_(true) {}             // NOLINT
  bool is_name() const { return is_name_; }
  const std::string& name() const { return name_; }
  const std::shared_ptr<cOpenFile>& file() const { return file_; }

 private:
  std::shared_ptr<cOpenFile> file_;
  std::string name_;
  bool is_name_ = false;
};

// The logical-file argument of the record and index operations: a descriptor or a logical name.
class LogicalFileArg {
 public:
  LogicalFileArg(std::shared_ptr<cLogicalFile> file) : file_(std::move(file)) {}  // NOLINT
  LogicalFileArg(std::string name) : name_(std::move(name)), is_name_(true) {}    // NOLINT
  LogicalFileArg(const char* name) : name_(name), is_name_(true) {}               // NOLINT
  bool is_name() const { return is_name_; }
  const std::string& name() const { return name_; }
  const std::shared_ptr<cLogicalFile>& file() const { return file_; }

 private:
  std::shared_ptr<cLogicalFile> file_;
  std::string name_;
  bool is_name_ = false;
};

class cBusinessBasic {
 public:
  // Runs the engine start-up for the given paths on the given host. Throws EngineError when the
  // terminal map cannot be opened or the link table cannot be read.
  cBusinessBasic(cSystem& system, Host& host);
  ~cBusinessBasic();
  cBusinessBasic(const cBusinessBasic&) = delete;
  cBusinessBasic& operator=(const cBusinessBasic&) = delete;

  cSystem& PelricSys() const { return system_; }
  // False when the start-up ended at the share check: no identity, no tables.
  bool HasTables() const { return links_ != nullptr; }

  // ---- Field codec ----
  // Pack and Unpack leave the caller's opcode variable upper-cased.
  void Pack(std::string& OpCode, std::string& Data, int32_t value, int32_t Position);
  void Pack(std::string_view OpCode, std::string& Data, int32_t value, int32_t Position);
  int32_t Unpack(std::string& OpCode, std::string_view Data, int32_t Position);
  int32_t Unpack(std::string_view OpCode, std::string_view Data, int32_t Position);
  void PackDate(std::string_view OpCode, std::string& Data, int32_t Position, const DateTime& value);
  DateTime UnPackDate(std::string_view OpCode, std::string_view Data, int32_t Position);
  // Crm pads the caller's Source with spaces to a multiple of 3; Ucm pads it with a NUL to an
  // even length.
  std::string Crm(std::string& Source);
  std::string Ucm(std::string& Source);
  std::string Trun(std::string_view Source, int32_t flgRemoveControlCharacters = 0);
  void StrPos(int32_t& Location, std::string_view Source, std::string_view Target);
  std::vector<std::string> Split(std::string_view Expression, std::string_view Delimiter = " ",
                                 int32_t Limit = -1, int32_t Compare = 0);
  int32_t Max(int32_t Var1, int32_t Var2);
  int32_t Min(int32_t Var1, int32_t Var2);
  // Functions 11 (day number to month, day, two-digit year and date) and 12 (month, day, year to
  // day number); Var2 is the day number.
  void Stma(int32_t Var1, int32_t& Var2, int32_t& Var3, int32_t& Var4, int32_t& Var5,
            DateTime* Var6 = nullptr);
  // Function 10: replaces the first four characters of the character table.
  void Stma(int32_t Var1, int32_t Var2, std::string_view Var3);
  int32_t Sys(int32_t value);
  DateTime Now();

  // ---- Physical files ----
  std::shared_ptr<cOpenFile> OpenFile(const std::string& FileName);
  void CloseFile(const OpenFileArg& FileName);
  std::string ReadFile(const OpenFileArg& OpenFile, int32_t BytesToRead, int32_t Position = 0,
                       bool Orb = false);
  void WriteFile(const OpenFileArg& OpenFile, std::string_view Data, int32_t Position = 0,
                 bool Orb = false);
  std::string BlockReadFile(const OpenFileArg& OpenFile, int32_t BlockNumber, bool Orb = false);
  void BlockWriteFile(const OpenFileArg& OpenFile, int32_t BlockNumber, std::string_view Record,
                      bool Orb = false);
  // Length of an open file in bytes; -1 when the system cannot tell (-10 without a descriptor).
  // A file held within a read scope (HoldFile) has the length it was read with.
  int64_t LengthOfFile(const OpenFileArg& OpenFile);
  // The failure of the last refused OpenFile (number, "iOpenFile", text), if any.
  const std::optional<EngineError>& LastError() const { return last_error_; }

  // Reads n bytes at a 0-based offset into dst in one read, filling what lies past the end of the
  // file with spaces. REQUIRES: dst has room for n bytes. Throws -10 without a descriptor.
  void ReadBytes(const std::shared_ptr<cOpenFile>& file, int64_t offset, char* dst, size_t n,
                 const char* source);
  // Writes bytes at a 0-based offset; error -10 without a descriptor.
  void WriteBytes(const std::shared_ptr<cOpenFile>& file, int64_t offset, std::string_view data,
                  const char* source);

  // ---- Logical files ----
  std::shared_ptr<cLogicalFile> LogicalOpen(const std::string& FileName);
  std::shared_ptr<cLogicalFile> PhysLogicalOpen(const std::string& FileName,
                                                const std::string& FileType, int32_t RecordLength,
                                                int32_t& LastRecord);
  std::shared_ptr<cLogicalFile> PhysLogicalOpen(const std::string& FileName,
                                                const std::string& FileType, int32_t RecordLength);
  std::string LreadFile(const LogicalFileArg& LogicalFile, int32_t RecordNumber, bool Orb = false);
  void LwriteFile(const LogicalFileArg& LogicalFile, int32_t RecordNumber, std::string_view Data,
                  bool Orb = false);
  // Records FirstRecord to FirstRecord + Count - 1 in one read of the data file: Count times
  // RecordLength bytes, FirstRecord's first. Every record number is checked as LreadFile checks
  // it (error 81 names the first one outside 1 to LastRecord); Count below 1 is error 5.
  std::string LreadRange(const LogicalFileArg& LogicalFile, int32_t FirstRecord, int32_t Count);
  // Writes Data over bytes Position.. (1-based) of one record and nothing else, so that what
  // other programs wrote into the rest of the record in the meantime stays. The record number
  // is checked as LwriteFile checks it; the bytes must lie inside the record.
  void LwriteField(const LogicalFileArg& LogicalFile, int32_t RecordNumber, int32_t Position,
                   std::string_view Data);

  // ---- Keyed access ----
  void KFind(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key, int32_t& Rec,
             bool Orb = false);
  void KNext(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key, int32_t& Rec,
             bool Orb = false);
  void KPrev(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key, int32_t& Rec,
             bool Orb = false);
  void KLast(const LogicalFileArg& LogicalFile, std::string& Buff, std::string& Key, int32_t& Rec,
             bool Orb = false);
  int32_t KCount(const LogicalFileArg& LogicalFile, bool Orb = false);
  int32_t KLength(const LogicalFileArg& LogicalFile, bool Orb = false);

  // ---- Record allocation and locks ----
  void DelRec(const LogicalFileArg& LogicalFile, int32_t RecordNumber, bool Orb = false);
  void GetRec(const LogicalFileArg& LogicalFile, int32_t& RecordNumber, bool Orb = false);
  void InitFile(const LogicalFileArg& LogicalFile, int32_t KeyLength = 0,
                bool DuplicateKeys = false, int32_t BlockingFactor = 0, bool Orb = false);
  int32_t PhysicalLock(const std::string& FileName, int32_t Position, int32_t LockLength);
  int32_t LogicalLock(const LogicalFileArg& LogicalFile, int32_t RecordNumber);
  int32_t ReleaseLock(int32_t LockNumber);

  Host& host() const { return host_; }

  // ---- Reads kept within one refresh ----
  // While at least one scope is open (engine/read_scope.h), the blocks that keyed access reads
  // from index files are kept and read once; any write through the engine drops them. Outside a
  // scope every block is read afresh, so another workstation's write is seen by the next call.
  void BeginReadScope();
  void EndReadScope();
  // Reads 512 bytes of an index file at a 0-based offset, through the scope's blocks if any.
  void ReadIndexBlock(const std::shared_ptr<cOpenFile>& file, int64_t offset, char* into,
                      const char* source);
  // Inside a read scope, reads a file whole when it is at most max_bytes long, in reads of at
  // most kHeldPieceBytes, and answers every later read of it from those bytes until the scope
  // ends or anything is written through the engine: one look at the file's length and a read or
  // two instead of a read per record or block (the mechanic file, FILE0, the part list). Returns
  // whether the file is held; outside a scope, or for a longer file, it reads nothing.
  static constexpr int64_t kHeldPieceBytes = 1 << 20;
  bool HoldFile(const std::shared_ptr<cOpenFile>& file, int64_t max_bytes);
  // The same for the data file of a logical file; a name that does not open holds nothing.
  bool HoldFile(const LogicalFileArg& file, int64_t max_bytes);

 private:
  void IdentifyWorkstation();
  void LoadTerminalNumber();
  std::shared_ptr<cOpenFile> ResolveOpenFile(const OpenFileArg& arg);
  std::shared_ptr<cLogicalFile> ResolveLogicalFile(const LogicalFileArg& arg);
  cOpenFiles& OpenFiles() const;
  cLogicalFiles& LogicalFiles() const;

  struct HeldLock {
    int32_t vbFileNumber;
    int64_t offset;
    int64_t length;
  };

  cSystem& system_;
  Host& host_;
  std::optional<EngineError> last_error_;
  std::unique_ptr<cLinks> links_;
  std::unique_ptr<cOpenFiles> open_files_;
  std::unique_ptr<cLogicalFiles> logical_files_;
  std::map<int32_t, HeldLock> locks_;
  int read_scope_depth_ = 0;
  std::map<std::pair<int32_t, int64_t>, std::string> index_blocks_;  // (handle, offset) -> block
  std::map<int32_t, std::string> held_files_;  // handle -> the whole file, within a scope
  int32_t next_lock_number_ = 1;
};

}  // namespace tervalo
