#include "host/file_replace.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/support/fault_host.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

class FileReplaceTest : public testing::TempShareTest {
 protected:
  FileReplaceTest() { fs::create_directories(folder_); }

  // The names in the folder other than the file itself.
  std::set<std::string> Beside() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      if (entry.path().filename() != "SCHEDULE.3") names.insert(entry.path().filename().string());
    }
    return names;
  }

  fs::path folder_ = unc_root_ / "SRV" / "VLTRLNK" / "CO1";  // \\SRV\VLTRLNK\CO1
  fs::path file_ = folder_ / "SCHEDULE.3";
  testing::ServerLikeHost server_{host_};
};

// The outcome of one replace for each way the server can answer: what the file holds, what lies
// beside it, the waits, and the failure named after the file.
TEST_F(FileReplaceTest, AReplaceEndsWithTheOldOrTheNewFileWholeAndNeverWithNeither) {
  struct Case {
    const char* what;
    int busy_renames;
    bool delete_before_rename;
    int write_error;
    int error;                        // of the replace; 0 for success
    const char* holds;                // the file afterwards; nullptr when it is gone
    bool finished_version_beside;     // the new list kept beside the missing file
    std::vector<int64_t> waits;
  } cases[] = {
      {"accepted at once", 0, false, 0, 0, "new\r\n", false, {}},
      {"open elsewhere twice, then accepted", 2, false, 0, 0, "new\r\n", false, {100, 200}},
      {"open elsewhere throughout", 10, false, 0, EBUSY, "old\r\n", false, {100, 200, 400, 800}},
      {"server full", 0, false, ENOSPC, ENOSPC, "old\r\n", false, {}},
      // The client deleted the old file, then could not rename: the whole new list waits beside.
      {"deleted first, rename refused throughout", 10, true, 0, EBUSY, nullptr, true, {100, 200, 400, 800}},
      {"deleted first, rename accepted on retry", 1, true, 0, 0, "new\r\n", false, {100}},
  };
  for (const Case& c : cases) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    share::WriteBinaryFile(file_, "old\r\n");
    server_.busy_renames = c.busy_renames;
    server_.delete_before_rename = c.delete_before_rename;
    server_.write_error = c.write_error;
    server_.waits.clear();
    const HostStatus status = ReplaceFileContents(server_, file_.string(), "new\r\n");
    EXPECT_EQ(status.error(), c.error) << c.what;
    if (c.error != 0) {
      EXPECT_EQ(status.path(), file_.string()) << c.what;
    }
    if (c.holds == nullptr) {
      EXPECT_FALSE(fs::exists(file_)) << c.what;
    } else {
      EXPECT_EQ(share::ReadBinaryFile(file_), c.holds) << c.what;
    }
    const std::set<std::string> beside = Beside();
    if (c.finished_version_beside) {
      ASSERT_EQ(beside.size(), 1u) << c.what;
      const std::string name = *beside.begin();
      const auto part = ReplacementNameOf(name);
      ASSERT_TRUE(part && part->finished) << name;
      EXPECT_EQ(part->target, "SCHEDULE.3");
      EXPECT_EQ(share::ReadBinaryFile(folder_ / name), "new\r\n");
    } else {
      EXPECT_TRUE(beside.empty()) << c.what << ": " << (beside.empty() ? "" : *beside.begin());
    }
    EXPECT_EQ(server_.waits, c.waits) << c.what;
  }
}

// Each step of a replace failing in turn (the looks at the file, the write, the flush, each rename
// and removal): the file ends whole, old or new, and nothing the replace wrote stays beside it but
// in one case, where the file is missing and the new version beside it is its only copy. A rename
// fails as one refused while the file is open elsewhere (tried again) or for good: ENOENT is what
// a server answers for a name it does not show as a file, such as a link that leads off the share.
TEST_F(FileReplaceTest, AFailedReplaceLeavesNothingBesideTheFileButItsOnlyCopy) {
  testing::FaultHost faults(host_);
  struct Case {
    const char* what;
    bool file_there;
    bool deletes_first;  // the client deletes the target of a rename before it fails
    int error;
  } cases[] = {
      {"replacing, refused as busy", true, false, EACCES},
      {"replacing, refused for good", true, false, ENOENT},
      {"replacing, deleted first, refused as busy", true, true, EACCES},
      {"replacing, deleted first, refused for good", true, true, ENOENT},
      {"a first save, refused as busy", false, false, EACCES},
      {"a first save, refused for good", false, false, ENOENT},
      {"a first save, deleted first, refused for good", false, true, ENOENT},
  };
  for (const Case& c : cases) {
    faults.rename_deletes_first = c.deletes_first;
    faults.error = c.error;
    int64_t steps = 0;
    for (int64_t n = 1;; ++n) {
      fs::remove_all(folder_);
      fs::create_directories(folder_);
      if (c.file_there) share::WriteBinaryFile(file_, "old\r\n");
      faults.FailAt(n);
      const HostStatus status = ReplaceFileContents(faults, file_.string(), "new\r\n");
      if (!faults.fired()) break;
      ++steps;
      const std::string when = std::string(c.what) + ", step " + std::to_string(n) + " failed";
      const std::set<std::string> beside = Beside();
      if (status.ok()) {
        EXPECT_EQ(share::ReadBinaryFile(file_), "new\r\n") << when;
        EXPECT_TRUE(beside.empty()) << when << ": " << *beside.begin();
        continue;
      }
      EXPECT_EQ(status.path(), file_.string()) << when;
      if (c.file_there && !fs::exists(file_)) {
        ASSERT_EQ(beside.size(), 1u) << when;
        const auto part = ReplacementNameOf(*beside.begin());
        EXPECT_TRUE(part && part->finished) << when << ": " << *beside.begin();
        EXPECT_EQ(share::ReadBinaryFile(folder_ / *beside.begin()), "new\r\n") << when;
      } else {
        EXPECT_EQ(fs::exists(file_), c.file_there) << when;
        if (c.file_there) {
          EXPECT_EQ(share::ReadBinaryFile(file_), "old\r\n") << when;
        }
        EXPECT_TRUE(beside.empty()) << when << ": " << *beside.begin();
      }
    }
    EXPECT_GE(steps, 4) << c.what << ": the replace's steps were not all failed";
  }
}

TEST_F(FileReplaceTest, ARemovalRefusedWhileTheFileIsOpenIsTriedAgain) {
  share::WriteBinaryFile(file_, "old\r\n");
  server_.busy_removals = 3;
  EXPECT_TRUE(RemoveSharedFile(server_, file_.string()).ok());
  EXPECT_FALSE(fs::exists(file_));
  EXPECT_EQ(server_.waits, (std::vector<int64_t>{100, 200, 400}));
  EXPECT_TRUE(RemoveSharedFile(server_, file_.string()).ok()) << "a file that is gone is removed";
  share::WriteBinaryFile(file_, "old\r\n");
  server_.busy_removals = 10;
  const HostStatus refused = RemoveSharedFile(server_, file_.string());
  EXPECT_EQ(refused.Message(), file_.string() + ": Device or resource busy");
  EXPECT_TRUE(fs::exists(file_));
}

TEST_F(FileReplaceTest, NamesOfReplacementsAreToldApartFromOtherFiles) {
  struct Case {
    const char* name;
    std::optional<std::string> target;
    bool finished;
  } cases[] = {
      {"SCHEDULE.3.~tmpA1b2C3", "SCHEDULE.3", false},
      {"SCHEDULE.3.~newA1b2C3", "SCHEDULE.3", true},
      {"schedule.12.~NEWzzzzzz", "schedule.12", true},
      {"SCHEDULE.3.~new", std::nullopt, false},     // no unique part
      {"SCHEDULE.3.~newA1b2C", std::nullopt, false},  // one short
      {"SCHEDULE.3", std::nullopt, false},
      {".~newA1b2C3", std::nullopt, false},
  };
  for (const Case& c : cases) {
    const auto part = ReplacementNameOf(c.name);
    ASSERT_EQ(part.has_value(), c.target.has_value()) << c.name;
    if (!part) continue;
    EXPECT_EQ(part->target, *c.target) << c.name;
    EXPECT_EQ(part->finished, c.finished) << c.name;
  }
}

// A replace cut short leaves its new list beside a missing file; the folder's repair puts the
// newest one in place and clears away the rest once it is old, never another program's files.
TEST_F(FileReplaceTest, TheRepairPutsTheNewestFinishedVersionInPlaceOfAMissingFile) {
  const auto now = fs::file_time_type::clock::now();
  struct File {
    const char* name;
    int age_minutes;
    const char* contents;
    bool stays;
  } files[] = {
      {"SCHEDULE.3.~newAAAAAA", 20, "older\r\n", false},  // superseded and old
      {"SCHEDULE.3.~newBBBBBB", 15, "newest\r\n", false},  // put in place
      {"SCHEDULE.3.~tmpCCCCCC", 12, "half", false},         // a write that never finished
      {"SCHEDULE.4", 30, "four\r\n", true},
      {"SCHEDULE.4.~newDDDDDD", 2, "young\r\n", true},    // may be a save in progress
      {"SCHEDULE.4.~newEEEEEE", 30, "stale\r\n", false},  // its file is there
      {"SCHEDULE.5.~tmpFFFFFF", 1, "writing", true},
      {"OTHER.~newGGGGGG", 30, "not ours\r\n", true},
  };
  for (const File& f : files) {
    share::WriteBinaryFile(folder_ / f.name, f.contents);
    fs::last_write_time(folder_ / f.name, now - std::chrono::minutes(f.age_minutes));
  }
  const auto ours = [](std::string_view name) { return name.starts_with("SCHEDULE."); };
  const FolderRepair repair = CompleteInterruptedReplacements(host_, "\\\\SRV\\VLTRLNK\\CO1", ours, 10 * 60);
  EXPECT_EQ(repair.restored, std::vector<std::string>{"SCHEDULE.3"});
  EXPECT_TRUE(repair.failures.empty());
  EXPECT_EQ(share::ReadBinaryFile(file_), "newest\r\n");
  for (const File& f : files) EXPECT_EQ(fs::exists(folder_ / f.name), f.stays) << f.name;
  EXPECT_EQ(share::ReadBinaryFile(folder_ / "SCHEDULE.4"), "four\r\n");
}

}  // namespace
}  // namespace tervalo
