// No job vanishes: every file operation of start-up, moves, Update, Refresh and closing is made to
// fail in turn, and the board is killed at random instants while it saves; after each, the files
// on disk must still show every job (unassigned, or on a mechanic's list), hold whole lists, and
// differ from before only in the bytes the board owns.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>

#include "board/frm_tervalo.h"
#include "board/job_index.h"
#include "board/job_moves.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "environment/shared_instances.h"
#include "tests/support/board_company.h"
#include "tests/support/fault_host.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;
using share::InvoiceRecord;
using testing::FaultHost;
using testing::ServerLikeHost;
using testing::Job;

constexpr size_t kFile0SortOrder = 499 * 512 + 24;  // the four bytes of the sort order the board writes

// Jobs 1-4 unassigned; DAVE RUIZ (3) has jobs 5 and 6 and the completed job 8, ANNA KOWALSKI (4)
// has job 7.
class SaveFaultsTest : public testing::BoardCompanyTest {
 protected:
  void WriteCompany() {
    fs::remove_all(unc_root_);
    for (const auto& entry : fs::directory_iterator(temp_dir_)) fs::remove_all(entry.path());
    share::CompanyBuilder company(share_);
    company.SetFile0(file0_);
    company.AddMechanic({3, "DAVE RUIZ"});
    company.AddMechanic({4, "ANNA KOWALSKI"});
    const int marks[] = {0, 0, 0, 0, 0, 3, 3, 4, 3};
    for (int32_t job = 1; job <= 8; ++job) {
      InvoiceRecord r = Job(10 + job, job == 8 ? 'C' : 'O', 1 + job % 8);
      r.mechanic = marks[job];
      records_[job] = company.AddJob({job, {r}})[0];
      open_[job] = job != 8;
    }
    company.Write(temp_dir_, host_.computer_name);
    const auto line = [&](int32_t job) { return company.ScheduleLine(Job(10 + job, job == 8 ? 'C' : 'O', 1 + job % 8), job); };
    company.WriteSchedule(3, {line(5), line(6), line(8)});
    company.WriteSchedule(4, {line(7)});
    invol_ = share::ReadBinaryFile(Data() / "INVDB");
    file0_bytes_ = share::ReadBinaryFile(Data() / "FILE0");
  }

  fs::path Data() const { return share_.DataDirectory(); }

  // The list a start-up reads: the schedule file, or where a save was cut short after the old
  // file was deleted, the newest finished version beside it.
  fs::path ListFile(int mechanic) const {
    const std::string name = "SCHEDULE." + std::to_string(mechanic);
    fs::path newest = Data() / name;
    if (fs::exists(newest)) return newest;
    for (const auto& entry : fs::directory_iterator(Data())) {
      const std::string found = entry.path().filename().string();
      if (!found.starts_with(name + ".~new")) continue;
      if (!fs::exists(newest) || entry.last_write_time() > fs::last_write_time(newest)) newest = entry.path();
    }
    return newest;
  }

  // The jobs of a schedule file; false when a line is not a whole job text.
  bool ListOnDisk(int mechanic, std::vector<int32_t>& jobs) {
    std::ifstream in(ListFile(mechanic), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line.back() != '\r') return false;
      line.pop_back();
      std::replace(line.begin(), line.end(), '\t', '\n');
      if (GetJobNumber(line) < 1 || SplitLines(line).size() != 5) return false;
      jobs.push_back(GetJobNumber(line));
    }
    return true;
  }

  // What must hold on disk whatever failed: whole lists, every open job either unassigned (byte
  // 141 is 0) or on a list, and no byte changed but the marks and the sort order.
  void ExpectNothingLost(const std::string& when) {
    std::vector<int32_t> listed;
    for (int mechanic : {3, 4}) EXPECT_TRUE(ListOnDisk(mechanic, listed)) << when << ": list " << mechanic;
    const std::string invol = share::ReadBinaryFile(Data() / "INVDB");
    ASSERT_EQ(invol.size(), invol_.size()) << when;
    for (size_t i = 0; i < invol.size(); ++i) {
      if (invol[i] != invol_[i] && i % share::kInvoiceRecordLength != kMechanicBytePosition - 1) {
        FAIL() << when << ": INVOL byte " << i << " changed";
      }
    }
    const std::string file0 = share::ReadBinaryFile(Data() / "FILE0");
    ASSERT_EQ(file0.size(), file0_bytes_.size()) << when;
    for (size_t i = 0; i < file0.size(); ++i) {
      if (file0[i] != file0_bytes_[i] && (i < kFile0SortOrder || i >= kFile0SortOrder + 4)) {
        FAIL() << when << ": FILE0 byte " << i << " changed";
      }
    }
    for (const auto& [job, open] : open_) {
      if (!open) continue;
      const int mark = static_cast<unsigned char>(
          invol[static_cast<size_t>(records_[job]) * share::kInvoiceRecordLength + kMechanicBytePosition - 1]);
      const bool on_a_list = std::find(listed.begin(), listed.end(), job) != listed.end();
      EXPECT_TRUE(mark == 0 || on_a_list) << when << ": job " << job << " is marked " << mark << " and on no list";
    }
  }

  // The files the board writes, as one text.
  std::string Files() {
    return share::ReadBinaryFile(Data() / "SCHEDULE.3") + "|" + share::ReadBinaryFile(Data() / "SCHEDULE.4") + "|" + share::ReadBinaryFile(Data() / "INVDB") +
           "|" + share::ReadBinaryFile(Data() / "FILE0");
  }

  void Select(GridModel& grid, int32_t job, int col) {
    grid.ClearSelection();
    for (int r = 0; r < grid.Rows(); ++r) {
      if (GetJobNumber(grid.TextMatrix(r, col)) == job) {
        grid.Select(r, 0);
        return;
      }
    }
  }

  // Start-up, moves between every kind of grid, Update, another move, Refresh and closing, as a
  // user would do them. An engine failure ends the action, as the window reports it and goes on.
  // After every action the files are checked as they are at that moment. Returns whether the user
  // was told of anything.
  bool UseTheBoard(const std::string& when = "") {
    ResetSharedInstances();
    frmTervalo form;
    bool told = false;
    int step = 0;
    const auto act = [&](const std::function<void()>& action) {
      try {
        action();
      } catch (const EngineError&) {
        told = true;
      }
      if (!when.empty()) ExpectNothingLost(when + ", after action " + std::to_string(++step));
    };
    bool loaded = false;
    act([&] { loaded = form.Form_Load(); });
    if (loaded) {
      BoardState& board = form.board();
      act([&] { Select(board.g, 1, 1), form.moves().MoveToMechanic(kUnassigned, 0); });
      act([&] { Select(board.Mg(0), 5, 0), form.moves().MoveToMechanic(0, 1); });
      act([&] { Select(board.Mg(1), 7, 0), form.moves().SendBack(1); });
      act([&] { form.btnUpdate_Click(); });
      act([&] { Select(board.g, 2, 1), form.moves().MoveToMechanic(kUnassigned, 1); });
      act([&] { form.btnRefresh_Click(); });
      act([&] { told |= !form.Form_QueryUnload().Saved(); });
    }
    ResetSharedInstances();
    return told || !host_.messages.empty();
  }

  // Every file operation of a session failing in turn, each in a fresh company.
  void EveryFailingOperation(bool deletes_first);

  std::map<int32_t, int32_t> records_;
  std::map<int32_t, bool> open_;
  std::string invol_;
  std::string file0_bytes_;
};

// Each operation fails in turn; in the second round a failing rename also deletes its target
// first, as a file-server client that replaces by delete and rename does.
TEST_F(SaveFaultsTest, EveryFailingFileOperationLosesNoJobAndIsReported) {
  for (const bool deletes_first : {false, true}) {
    SCOPED_TRACE(deletes_first ? "renames delete their target first" : "renames are atomic");
    EveryFailingOperation(deletes_first);
    if (HasFatalFailure()) return;
  }
}

void SaveFaultsTest::EveryFailingOperation(bool deletes_first) {
  FaultHost faults(host_);
  faults.rename_deletes_first = deletes_first;
  // What the files hold when nothing fails.
  WriteCompany();
  {
    ScopedHost scoped(faults);
    faults.FailAt(0);
    ASSERT_FALSE(UseTheBoard()) << "a clean run told the user something";
  }
  const std::string saved = Files();
  int64_t steps = 0;
  for (int64_t n = 1;; ++n) {
    WriteCompany();
    host_.messages.clear();
    bool told = false;
    {
      ScopedHost scoped(faults);
      faults.FailAt(n);
      told = UseTheBoard("operation " + std::to_string(n) + " failed");
    }
    if (!faults.fired()) break;  // every operation has had its turn
    ++steps;
    // A failure that a later step made good (a read done again) needs no word; one that left the
    // files otherwise than a clean run does must have been reported.
    if (Files() != saved) {
      EXPECT_TRUE(told) << "operation " << n << " failed, not all was saved, and nobody was told";
    }
    ExpectNothingLost("operation " + std::to_string(n) + " failed");
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(steps, 50) << "the board's file operations were not all counted";
  RecordProperty(deletes_first ? "failed_operations_tried_deleting" : "failed_operations_tried", std::to_string(steps));
}

TEST_F(SaveFaultsTest, AListThatCannotBeReadIsNeitherShownNorOverwrittenUntilItCanBe) {
  WriteCompany();
  const std::string list = share::ReadBinaryFile(Data() / "SCHEDULE.3");
  FaultHost faults(host_);
  ScopedHost scoped(faults);
  // The first text read of the start-up after the terminal map is DAVE RUIZ's list.
  frmTervalo form;
  int64_t list_read = 0;
  for (int64_t n = 1; list_read == 0 && n < 200; ++n) {
    ResetSharedInstances();
    host_.messages.clear();
    faults.FailAt(n);
    frmTervalo probe;
    try {
      if (probe.Form_Load() && !probe.board().schedules[0].loaded) list_read = n;
    } catch (const EngineError&) {
      // an earlier read than the list's
    }
  }
  ASSERT_GT(list_read, 0) << "no failure made the list unreadable";
  ResetSharedInstances();
  host_.messages.clear();
  faults.FailAt(list_read);
  ASSERT_TRUE(form.Form_Load());
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("DAVE RUIZ: "), std::string::npos) << host_.messages[0].text;
  EXPECT_NE(host_.messages[0].text.find("SCHEDULE.3: Input/output error"), std::string::npos) << host_.messages[0].text;
  EXPECT_EQ(form.board().Mg(0).Rows(), 0);
  // Nothing can be dropped on it, and Update and closing leave its file alone.
  form.board().g.Select(0, 0);
  EXPECT_FALSE(form.moves().MoveToMechanic(kUnassigned, 0));
  form.btnUpdate_Click();
  EXPECT_TRUE(form.Form_QueryUnload().Saved());
  EXPECT_EQ(share::ReadBinaryFile(Data() / "SCHEDULE.3"), list);
  // Refresh reads it again.
  form.btnRefresh_Click();
  EXPECT_TRUE(form.board().schedules[0].loaded);
  EXPECT_EQ(form.board().Mg(0).Rows(), 3);
  ResetSharedInstances();
}

// The test host, refusing to replace or remove the files whose path ends in name.
class RefusingHost : public HostWrapper {
 public:
  RefusingHost(Host& target, std::string name, int error)
      : HostWrapper(target), name_(std::move(name)), error_(error) {}
  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override {
    return prefix.ends_with(name_ + ".~tmp") ? HostResult<std::string>(HostStatus(error_, prefix))
                                             : HostWrapper::WriteNewFile(prefix, contents, replaces);
  }
  HostStatus RemoveFile(std::string_view path) override {
    return path.ends_with(name_) ? HostStatus(error_, path) : HostWrapper::RemoveFile(path);
  }

 private:
  std::string name_;
  int error_;
};

// A refusal from the host reaches the user naming the mechanic, the list's file and the reason.
TEST_F(SaveFaultsTest, AListThatCannotBeSavedIsReportedWithItsFileAndTheSystemsReason) {
  struct Case {
    int mechanic;
    const char* name;
    std::function<void(frmTervalo&)> change;
    int error;
    const char* said;  // before the path
    const char* reason;
  };
  const Case cases[] = {
      {3, "DAVE RUIZ",
       [this](frmTervalo& form) {
         Select(form.board().g, 1, 1);
         EXPECT_TRUE(form.moves().MoveToMechanic(kUnassigned, 0));
       },
       ENOSPC, "Could not write ", "No space left on device"},
      // Anna's only job goes back: her list is left empty, and an empty list's file is removed.
      {4, "ANNA KOWALSKI",
       [this](frmTervalo& form) {
         Select(form.board().Mg(1), 7, 0);
         form.moves().SendBack(1);
       },
       EACCES, "Could not remove ", "Permission denied"},
  };
  for (const Case& c : cases) {
    WriteCompany();
    host_.messages.clear();
    const std::string list = share::ReadBinaryFile(Data() / ("SCHEDULE." + std::to_string(c.mechanic)));
    RefusingHost refusing(host_, "SCHEDULE." + std::to_string(c.mechanic), c.error);
    ScopedHost scoped(refusing);
    ResetSharedInstances();
    frmTervalo form;
    ASSERT_TRUE(form.Form_Load());
    c.change(form);
    form.btnUpdate_Click();
    const std::string path = SchedulePath(*gEpcInfo, c.mechanic);
    ASSERT_EQ(host_.messages.size(), 1u) << c.name;
    EXPECT_NE(host_.messages[0].text.find(std::string(c.name) + ": " + c.said + path + ": " + c.reason),
              std::string::npos)
        << host_.messages[0].text;
    EXPECT_EQ(share::ReadBinaryFile(Data() / ("SCHEDULE." + std::to_string(c.mechanic))), list) << c.name;
    ExpectNothingLost(c.name);
    ResetSharedInstances();
  }
}

TEST_F(SaveFaultsTest, AJobMarkedForAMechanicButOnNoListIsPutBack) {
  WriteCompany();
  fs::remove(Data() / "SCHEDULE.4");  // job 7 is marked for ANNA KOWALSKI, whose list is gone
  frmTervalo form;
  ASSERT_TRUE(form.Form_Load());
  ASSERT_EQ(form.board().Mg(1).Rows(), 1);
  EXPECT_EQ(GetJobNumber(form.board().Mg(1).TextMatrix(0, 0)), 7);
  EXPECT_EQ(form.board().Mg(1).Cell(0, 0).back, form.board().settings.PriorityColorOf(8));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("Job 7: ANNA KOWALSKI"), std::string::npos) << host_.messages[0].text;
  // Once saved, it stays where it is without another word.
  form.btnUpdate_Click();
  host_.messages.clear();
  form.btnRefresh_Click();
  EXPECT_TRUE(host_.messages.empty());
  std::vector<int32_t> jobs;
  ASSERT_TRUE(ListOnDisk(4, jobs));
  EXPECT_EQ(jobs, (std::vector<int32_t>{7}));
}

// DAVE RUIZ's list is gone: his open jobs and his completed job 8, all still marked for him, come
// back on his list, the completed one at the end and hidden like any finished row.
TEST_F(SaveFaultsTest, FinishedJobsMarkedForAMechanicButOnNoListArePutBackToo) {
  WriteCompany();
  fs::remove(Data() / "SCHEDULE.3");
  frmTervalo form;
  ASSERT_TRUE(form.Form_Load());
  const GridModel& dave = form.board().Mg(0);
  ASSERT_EQ(dave.Rows(), 3);
  EXPECT_EQ(GetJobNumber(dave.TextMatrix(2, 0)), 8);
  EXPECT_TRUE(dave.RowHidden(2));
  EXPECT_FALSE(dave.RowHidden(0));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("Job 8: DAVE RUIZ"), std::string::npos) << host_.messages[0].text;
  form.btnUpdate_Click();
  std::vector<int32_t> saved;
  ASSERT_TRUE(ListOnDisk(3, saved));
  EXPECT_EQ(saved, (std::vector<int32_t>{5, 6, 8}));
}

// What stopped saves left: ANNA KOWALSKI's list was deleted by a rename that then failed, so its
// finished version is put in place and the user told; temporary files go once they are old.
TEST_F(SaveFaultsTest, StartUpPutsCutShortListsInPlaceAndRemovesOnlyOldTemporaryFiles) {
  WriteCompany();
  fs::rename(Data() / "SCHEDULE.4", Data() / "SCHEDULE.4.~newK7k7K7");
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(11);
  struct File {
    const char* name;
    bool old;
    bool stays;
  } files[] = {
      {"SCHEDULE.3.~tmpA1b2C3", true, false}, {"schedule.12.~TMPzzzzzz", true, false},
      {"SCHEDULE.4.~tmpQ9q9Q9", false, true},  // another workstation may be saving right now
      {"SCHEDULE.3.~newB1b2C3", true, false},  // a finished list whose file is there
      {"SCHEDULE.X.~tmp123456", true, true},   {"NOTES.~tmp123456", true, true},
      {"SCHEDULE.3", true, true},              {"SCHEDULE.4.~newK7k7K7", true, false},
  };
  for (const File& f : files) {
    if (!fs::exists(Data() / f.name)) std::ofstream(Data() / f.name) << "x\r\n";
    if (f.old) fs::last_write_time(Data() / f.name, old);
  }
  frmTervalo form;
  ASSERT_TRUE(form.Form_Load());
  for (const File& f : files) EXPECT_EQ(fs::exists(Data() / f.name), f.stays) << f.name;
  EXPECT_EQ(form.board().Mg(0).Rows(), 3);
  ASSERT_EQ(form.board().Mg(1).Rows(), 1);
  EXPECT_EQ(GetJobNumber(form.board().Mg(1).TextMatrix(0, 0)), 7);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("put in place:\n    ANNA KOWALSKI"), std::string::npos) << host_.messages[0].text;
}

// The client deleted DAVE RUIZ's list and then could not rename the new one over it: the user is
// told the list was not saved, the new list waits beside the missing file, and the next Update
// puts it in place and goes on without asking whose list to keep.
TEST_F(SaveFaultsTest, AListDeletedByAFailedRenameIsPutInPlaceAtTheNextUpdate) {
  WriteCompany();
  ServerLikeHost server(host_);
  server.only = "SCHEDULE.3";
  server.delete_before_rename = true;
  ScopedHost scoped(server);
  frmTervalo form;
  form.SetConflictQuestion([](const UpdateQuestion& question) -> std::optional<UpdateAnswer> {
    ADD_FAILURE() << "asked about " << question.jobs.size() << " jobs and " << question.lists.size() << " lists";
    return std::nullopt;
  });
  ASSERT_TRUE(form.Form_Load());
  Select(form.board().g, 1, 1);
  ASSERT_TRUE(form.moves().MoveToMechanic(kUnassigned, 0));
  server.busy_renames = 100;
  form.btnUpdate_Click();
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("DAVE RUIZ: Could not write "), std::string::npos) << host_.messages[0].text;
  EXPECT_FALSE(fs::exists(Data() / "SCHEDULE.3"));
  ExpectNothingLost("after the failed rename");
  std::vector<int32_t> waiting;
  ASSERT_TRUE(ListOnDisk(3, waiting));
  EXPECT_EQ(waiting, (std::vector<int32_t>{5, 6, 8, 1}));

  server.busy_renames = 0;
  host_.messages.clear();
  form.btnUpdate_Click();
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("put in place:\n    DAVE RUIZ"), std::string::npos) << host_.messages[0].text;
  std::vector<int32_t> dave;
  ASSERT_TRUE(ListOnDisk(3, dave));
  EXPECT_EQ(dave, (std::vector<int32_t>{5, 6, 8, 1}));
  EXPECT_EQ(InvoiceByte(records_[1], kMechanicBytePosition), 3) << "the moved job is marked once its list is in place";
  for (const auto& entry : fs::directory_iterator(Data())) {
    EXPECT_EQ(entry.path().filename().string().find(".~"), std::string::npos) << entry.path();
  }
}

TEST_F(SaveFaultsTest, JobsSwappedBetweenTwoListsAreSaved) {
  WriteCompany();
  frmTervalo form;
  ASSERT_TRUE(form.Form_Load());
  Select(form.board().Mg(0), 5, 0);
  ASSERT_TRUE(form.moves().MoveToMechanic(0, 1));
  Select(form.board().Mg(1), 7, 0);
  ASSERT_TRUE(form.moves().MoveToMechanic(1, 0));
  EXPECT_TRUE(form.Save().Saved());
  std::vector<int32_t> dave, anna;
  ASSERT_TRUE(ListOnDisk(3, dave));
  ASSERT_TRUE(ListOnDisk(4, anna));
  EXPECT_EQ(dave, (std::vector<int32_t>{6, 8, 7}));
  EXPECT_EQ(anna, (std::vector<int32_t>{5}));
  ExpectNothingLost("after the swap");
}

// The killed board tells the test how far it got: a byte down a pipe as each call on the share
// ends (kFileCall: a look, an open, a read or write of an open file, a new file, a rename, a
// removal, a listing), and around each Update or Refresh (kSaveBegins, kSaveEnds).
constexpr char kFileCall = 'f';
constexpr char kSaveBegins = 'u';
constexpr char kSaveEnds = 's';

// A point of the board's work: the calls-th call on the share after the reports-th report `after`
// (kSaveBegins or kSaveEnds; 0: from the start), or the next such report when it comes first.
struct KillPoint {
  char after = kSaveEnds;
  int reports = 0;
  int64_t calls = 0;
};

// The board's reports read in order: how far it got.
struct Progress {
  int saves_begun = 0;
  int saves_ended = 0;            // Updates and Refreshes that ran to their end
  bool in_save = false;           // between the start and the end of one
  int64_t file_calls = 0;         // calls on the share in all
  int64_t calls_since_begin = 0;  // since the last save began
  int64_t calls_since_end = 0;    // since the last save ended

  void Take(char report) {
    if (report == kFileCall) {
      ++file_calls;
      ++calls_since_begin;
      ++calls_since_end;
    } else if (report == kSaveBegins) {
      in_save = true;
      ++saves_begun;
      calls_since_begin = 0;
    } else if (report == kSaveEnds) {
      in_save = false;
      ++saves_ended;
      calls_since_end = 0;
    }
  }
  bool Reached(const KillPoint& point) const {
    const bool begins = point.after == kSaveBegins;
    const int reports = begins ? saves_begun : saves_ended;
    const int64_t calls = begins ? calls_since_begin : calls_since_end;
    return reports > point.reports || (reports == point.reports && calls >= point.calls);
  }
};

// Reports every call on the share and every save to a pipe (without one, only counts the calls).
// With a halting point, the board stops for good once it has reported that point, so that the
// kill meets it exactly there.
class ReportingHost : public HostWrapper {
 public:
  ReportingHost(Host& target, int pipe, std::optional<KillPoint> halt = std::nullopt)
      : HostWrapper(target), pipe_(pipe), halt_(halt) {}

  int64_t file_calls() const { return progress_.file_calls; }
  void Report(char what) {
    progress_.Take(what);
    if (pipe_ < 0) return;
    // Nothing to do when the write fails: the test has stopped listening and kills the board.
    const ssize_t written = ::write(pipe_, &what, 1);
    static_cast<void>(written);
    if (halt_ && progress_.Reached(*halt_)) {
      for (;;) ::pause();
    }
  }

  bool FileExists(std::string_view path) override {
    return Reported(HostWrapper::FileExists(path));
  }
  bool DirectoryExists(std::string_view path) override {
    return Reported(HostWrapper::DirectoryExists(path));
  }
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    auto file = HostWrapper::OpenShared(path, create);
    if (file.ok()) file = std::make_unique<ReportingFile>(*this, std::move(file).value());
    return Reported(std::move(file));
  }
  HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) override {
    return Reported(HostWrapper::ReadTextLines(path));
  }
  HostResult<FileStamp> StampOf(std::string_view path) override {
    return Reported(HostWrapper::StampOf(path));
  }
  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override {
    return Reported(HostWrapper::WriteNewFile(prefix, contents, replaces));
  }
  HostStatus RenameFile(std::string_view from, std::string_view to) override {
    return Reported(HostWrapper::RenameFile(from, to));
  }
  HostStatus RemoveFile(std::string_view path) override {
    return Reported(HostWrapper::RemoveFile(path));
  }
  HostResult<std::vector<DirectoryEntry>> ListDirectory(std::string_view path,
                                                        const NameFilter& aged) override {
    return Reported(HostWrapper::ListDirectory(path, aged));
  }

 private:
  class ReportingFile : public HostFileWrapper {
   public:
    ReportingFile(ReportingHost& host, std::unique_ptr<HostFile> target)
        : HostFileWrapper(std::move(target)), host_(host) {}
    HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
      return host_.Reported(HostFileWrapper::ReadAt(offset, buffer, n));
    }
    HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
      return host_.Reported(HostFileWrapper::WriteAt(offset, data, n));
    }

   private:
    ReportingHost& host_;
  };

  template <typename T>
  T Reported(T result) {
    Report(kFileCall);
    return result;
  }

  int pipe_;
  std::optional<KillPoint> halt_;
  Progress progress_;
};

// Reads the board's reports into `progress` until it has reached `point`; false when the board
// ended or said nothing for a minute first.
bool AwaitReports(int pipe, Progress& progress, const KillPoint& point) {
  char buffer[256];
  while (!progress.Reached(point)) {
    pollfd ready{pipe, POLLIN, 0};
    const int polled = ::poll(&ready, 1, 60000);
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return false;
    const ssize_t n = ::read(pipe, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    for (ssize_t i = 0; i < n; ++i) progress.Take(buffer[i]);
  }
  return true;
}

// Everything the board reported until it died (its end of the pipe closes with it).
void ReadToTheEnd(int pipe, Progress& progress) {
  char buffer[256];
  for (;;) {
    const ssize_t n = ::read(pipe, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    for (ssize_t i = 0; i < n; ++i) progress.Take(buffer[i]);
  }
}

// The board killed at random points while it moves jobs in every way, undoes, redoes, saves and
// refreshes, over and over; after every kill the files still show every job. TERVALO_CRASH_RUNS
// sets how many kills (default 150).
TEST_F(SaveFaultsTest, KilledWhileSavingLosesNoJob) {
  WriteCompany();
  const char* runs_setting = std::getenv("TERVALO_CRASH_RUNS");
  const int runs = runs_setting != nullptr ? std::atoi(runs_setting) : 150;
  // The kill points are counted in the board's own reports, not in time, so that on a slow
  // machine or file server the kills fall as often during and after saves as on a fast one. A
  // round as the killed board makes it (start-up, moves, Update) gives the lengths of a round and
  // of a save in calls on the share.
  int64_t round_calls = 0;
  int64_t save_calls = 0;
  {
    ReportingHost counting(host_, -1);
    ScopedHost scoped(counting);
    ResetSharedInstances();
    frmTervalo form;
    ASSERT_TRUE(form.Form_Load());
    Select(form.board().g, 1, 1);
    ASSERT_TRUE(form.moves().MoveToMechanic(kUnassigned, 0));
    Select(form.board().Mg(1), 7, 0);
    form.moves().SendBack(1);
    const int64_t before_save = counting.file_calls();
    EXPECT_TRUE(form.Save().Saved());
    ResetSharedInstances();
    round_calls = counting.file_calls();
    save_calls = round_calls - before_save;
  }
  ASSERT_GT(save_calls, 0);
  ExpectNothingLost("the round that is measured");
  RecordProperty("calls_in_a_round", std::to_string(round_calls));
  RecordProperty("calls_in_a_save", std::to_string(save_calls));
  std::mt19937 random(20261210);
  std::string last_files = Files();
  int runs_that_saved = 0;  // kills after which the files differed from the kill before
  int kills_after_a_save = 0;  // kills after the board had ended an Update or Refresh
  int kills_in_a_save = 0;     // kills between the start and the end of one
  for (int run = 0; run < runs; ++run) {
    const unsigned seed = static_cast<unsigned>(random());
    // Half the kills fall in the first or second save (Update or Refresh), the others anywhere
    // in the round after none, one or two saves (start-up, moves, the save itself). Half the time
    // the board halts right after reporting the chosen call, so that the kill meets it exactly
    // there; otherwise it runs on and is killed up to a millisecond after the report, at any
    // instant, inside a call too.
    const auto below = [&](int64_t n) {
      return static_cast<int64_t>(random() % static_cast<uint64_t>(n));
    };
    KillPoint point;
    if (random() % 2 == 0) {
      point = {kSaveBegins, 1 + static_cast<int>(below(2)), below(save_calls)};
    } else {
      point = {kSaveEnds, static_cast<int>(below(3)), below(round_calls)};
    }
    const bool halts = random() % 2 == 0;
    const auto delay = std::chrono::microseconds(random() % 1000);
    int reports[2];
    ASSERT_EQ(::pipe(reports), 0) << std::strerror(errno);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(reports[0]);
      ReportingHost reporting(host_, reports[1],
                              halts ? std::optional<KillPoint>(point) : std::nullopt);
      ScopedHost scoped(reporting);
      // Moves at random and Update, until killed.
      std::mt19937 moves(seed);
      for (;;) {
        ResetSharedInstances();
        frmTervalo form;
        try {
          if (!form.Form_Load()) ::_exit(2);
          BoardState& board = form.board();
          // Every kind of move the window offers (the menu's moves, Delete, Ctrl+Up and
          // Ctrl+Down, undo and redo) between saves.
          for (int k = 0; k < 4; ++k) {
            const int from = static_cast<int>(moves() % 3) - 1;  // g or one of the two lists
            GridModel& grid = from == kUnassigned ? board.g : board.Mg(from);
            if (grid.Rows() == 0) continue;
            grid.Select(static_cast<int>(moves() % static_cast<unsigned>(grid.Rows())), 0);
            const int to = static_cast<int>(moves() % 2);
            switch (from == kUnassigned ? 0 : moves() % 6) {
              case 1: form.moves().SendBack(from); break;
              case 2: form.moves().MoveUp(from); break;
              case 3: form.moves().MoveDown(from); break;
              case 4: form.moves().Undo(); break;
              case 5: form.moves().Redo(); break;
              default: form.moves().MoveToMechanic(from, to); break;
            }
          }
          reporting.Report(kSaveBegins);
          moves() % 4 == 0 ? form.btnRefresh_Click() : form.btnUpdate_Click();
          reporting.Report(kSaveEnds);
        } catch (const EngineError&) {
          ::_exit(3);
        }
      }
    }
    ::close(reports[1]);
    Progress progress;
    const bool reported = AwaitReports(reports[0], progress, point);
    if (reported && !halts) std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ReadToTheEnd(reports[0], progress);
    ::close(reports[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the board stopped by itself with status " << WEXITSTATUS(status);
    ASSERT_TRUE(reported) << "kill " << run << ": the board said nothing for a minute";
    if (progress.saves_ended > 0) ++kills_after_a_save;
    if (progress.in_save) ++kills_in_a_save;
    ExpectNothingLost("kill " + std::to_string(run) + " after " +
                      std::to_string(progress.file_calls) + " calls on the share");
    if (HasFailure()) return;
    const std::string files = Files();
    if (files != last_files) ++runs_that_saved;
    last_files = files;
  }
  RecordProperty("kills", std::to_string(runs));
  RecordProperty("kills_that_changed_the_files", std::to_string(runs_that_saved));
  RecordProperty("kills_after_a_save", std::to_string(kills_after_a_save));
  RecordProperty("kills_during_a_save", std::to_string(kills_in_a_save));
  // Kills that all fall before the first save would test start-up only.
  if (runs >= 20) {
    EXPECT_GT(runs_that_saved, runs / 10) << "few kills came after a save";
    EXPECT_GT(kills_in_a_save, runs / 10) << "few kills came during a save";
  }
}

}  // namespace
}  // namespace tervalo
