#include "host/host.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "base/basic_text.h"
#include "host/file_replace.h"
#include "tests/support/temp_share.h"

namespace tervalo {

// The calls of umask in this program. Setting the umask is the only way to read it through umask,
// so every call changes it, if only for a moment, for every thread: a file another thread creates
// meanwhile gets the wrong mode.
std::atomic<int> g_umask_calls{0};

namespace {

namespace fs = std::filesystem;

class HostPathsTest : public testing::TempShareTest {};

TEST_F(HostPathsTest, MapsUncNamesUnderTheRootIgnoringLetterCase) {
  fs::create_directories(unc_root_ / "SRV" / "VLTRLNK" / "Co1");
  std::ofstream(unc_root_ / "SRV" / "VLTRLNK" / "Co1" / "File0") << "x";
  const std::string root = unc_root_.string();

  struct Case {
    const char* path;
    std::optional<std::string> expected;
  } cases[] = {
      {"\\\\srv\\vltrlnk\\CO1\\FILE0", root + "/SRV/VLTRLNK/Co1/File0"},
      {"\\\\SRV\\VLTRLNK\\", root + "/SRV/VLTRLNK"},
      // A name that does not exist yet keeps its spelling (so it can be created).
      {"\\\\SRV\\VLTRLNK\\CO1\\SCHEDULE.12", root + "/SRV/VLTRLNK/Co1/SCHEDULE.12"},
      {"\\\\SRV\\VLTRLNK\\CO1\\..\\..\\etc", std::nullopt},
      {"\\\\SRV\\VLTRLNK\\.\\x", std::nullopt},
      {"\\\\SRV\\VLTRLNK\\a/../../b", std::nullopt},
      {"\\\\\\VLTRLNK\\x", std::nullopt},
      {"\\\\SRV\\\\x", std::nullopt},
      {"\\\\SRV", std::nullopt},
      {"/tmp/vltCatalog.ini", "/tmp/vltCatalog.ini"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MapUncPath(c.path, root), c.expected) << c.path;
  }
}

// What the share meter counted since `before`, kind by kind.
ShareCallCounts Since(const ShareCallCounts& before, const ShareCallCounts& now) {
  return {now.reads - before.reads,     now.writes - before.writes, now.lookups - before.lookups,
          now.opens - before.opens,     now.closes - before.closes, now.others - before.others};
}

TEST_F(HostPathsTest, ADirectoryCacheResolvesEachDirectoryOnceAndForgetsItAfter) {
  const fs::path dir = unc_root_ / "SRV" / "VLTRLNK" / "Co1";
  fs::create_directories(dir);
  for (int k = 0; k < 10; ++k) std::ofstream(dir / ("File" + std::to_string(k))) << "x";
  const ShareMeter& meter = host_.share_meter();
  auto file = [](int k) { return "\\\\srv\\vltrlnk\\CO1\\FILE" + std::to_string(k); };

  host_.BeginDirectoryCache();
  host_.BeginDirectoryCache();  // nested, as a refresh inside a start-up
  const ShareCallCounts before = meter.counts();
  for (int k = 0; k < 10; ++k) EXPECT_TRUE(host_.FileExists(file(k))) << k;
  // The unc root, SRV, VLTRLNK and Co1 are each listed once (open, list, close); then one stat
  // per file.
  EXPECT_EQ(Since(before, meter.counts()).Total(), 4 * 3 + 10);
  // A file written meanwhile is found under its exact name.
  EXPECT_TRUE(ReplaceFileContents(host_, "\\\\SRV\\VLTRLNK\\CO1\\SCHEDULE.4", "a\r\n").ok());
  EXPECT_TRUE(fs::exists(dir / "SCHEDULE.4"));
  EXPECT_EQ(host_.ReadTextLines("\\\\SRV\\VLTRLNK\\CO1\\SCHEDULE.4").value_or({}), std::vector<std::string>{"a"});
  host_.EndDirectoryCache();
  const ShareCallCounts inner_end = meter.counts();
  EXPECT_TRUE(host_.FileExists(file(3)));
  EXPECT_EQ(Since(inner_end, meter.counts()).Total(), 1) << "still cached inside the outer pair";
  host_.EndDirectoryCache();

  // Forgotten after the last end: the directory found again under its new spelling.
  fs::rename(dir, unc_root_ / "SRV" / "VLTRLNK" / "cO1");
  EXPECT_TRUE(host_.FileExists(file(3)));
}

TEST_F(HostPathsTest, AnUnmappablePathIsAMissingFileAndNothingIsCreated) {
  const auto escaping = host_.OpenShared("\\\\SRV\\VLTRLNK\\..\\escape", /*create=*/true);
  EXPECT_EQ(escaping.status().error(), ENOENT);
  EXPECT_FALSE(fs::exists(unc_root_ / "SRV" / "escape"));
  EXPECT_FALSE(host_.FileExists("\\\\\\VLTRLNK\\ttymap"));
}

TEST(ProfileStringTest, ReadsValuesAsTheWorkstationApiDoes) {
  const std::vector<std::string> lines = {
      "; Server=COMMENTED",
      "[Other]",
      "Server=WRONG",
      "  [ quorvexa ]  ",
      "  server  =  MAIN1  ",
      "Server=SECOND",
      "Directory=\"CO 1\"",
      "TerminalID='7'",
      "Half=\"quoted",
      "Empty=",
      "Long=" + std::string(150, 'x'),
      "NoEquals",
  };
  struct Case {
    const char* key;
    std::string expected;
  } cases[] = {
      {"Server", "MAIN1"},         {"DIRECTORY", "CO 1"}, {"TerminalID", "7"},
      {"Half", "\"quoted"},        {"Empty", ""},         {"Missing", ""},
      {"Long", std::string(99, 'x')}, {"NoEquals", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ProfileString(lines, "Quorvexa", c.key), c.expected) << c.key;
  EXPECT_EQ(ProfileString(lines, "Absent", "Server"), "");
}

TEST(MessageTextTest, ControlBytesAreShownEscapedAndLineBreaksKept) {
  struct Case {
    std::string text;
    std::string shown;
  } cases[] = {
      {"plain \\\\SRV\\VLTRLNK\\", "plain \\\\SRV\\VLTRLNK\\"},
      {std::string("SRV\x07\x1b[2J\0end", 12), "SRV\\x07\\x1B[2J\\x00end"},
      {"a\tb\nc\rd\x7f", "a\tb\nc\\x0Dd\\x7F"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},  // bytes of UTF-8 text stay
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeControlBytes(c.text), c.shown) << c.shown;
}

TEST(MessageTextTest, EveryMessageBoxGetsItsControlBytesEscaped) {
  testing::TestHost host;
  host.ShowMessage({"The data folder \\\\SRV\\VLT\x01RLNK cannot be reached", "Tervalo\x07",
                    MessageIcon::kExclamation});
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "The data folder \\\\SRV\\VLT\\x01RLNK cannot be reached");
  EXPECT_EQ(host.messages[0].title, "Tervalo\\x07");
  EXPECT_EQ(host.messages[0].icon, MessageIcon::kExclamation);
}

class HostFilesTest : public testing::TempShareTest {};

// The permission bits of a file.
mode_t PermissionsOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 0777;
}

// The umask, read where the system shows it without changing it.
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  ADD_FAILURE() << "no Umask line in /proc/self/status";
  return 0;
}

// A replaced file keeps its permissions, whatever the umask would give a new one; a file that
// was not there gets those of any new file.
TEST_F(HostFilesTest, AReplacedFileKeepsItsPermissionsAndANewOneGetsThoseOfAnyNewFile) {
  const fs::path target = base_ / "SCHEDULE.3";
  for (const mode_t mode : {0640, 0600, 0604, 0664, 0666}) {
    share::WriteBinaryFile(target, "old\r\n");
    ASSERT_EQ(::chmod(target.c_str(), mode), 0);
    ASSERT_TRUE(ReplaceFileContents(host_, target.string(), "new\r\n").ok());
    EXPECT_EQ(PermissionsOf(target), mode) << std::oct << mode;
  }
  fs::remove(target);
  ASSERT_TRUE(ReplaceFileContents(host_, target.string(), "new\r\n").ok());
  EXPECT_EQ(PermissionsOf(target), 0666 & ~CurrentUmask());
}

// In a process of its own, where the first file written is where the umask would be looked up.
TEST_F(HostFilesTest, WritingFilesLeavesTheUmaskAlone) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        g_umask_calls = 0;
        const fs::path target = base_ / "SCHEDULE.3";
        const bool written = ReplaceFileContents(host_, target.string(), "new\r\n").ok() &&
                             ReplaceFileContents(host_, target.string(), "newer\r\n").ok();
        const int calls = g_umask_calls;
        fs::remove_all(base_);
        std::_Exit(!written ? 2 : calls == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// A text file longer than any the program reads is damaged: it is refused after reading a little
// more than that length, never read whole.
TEST_F(HostFilesTest, ATextFileLongerThanAnyTheProgramReadsIsRefusedUnreadWhole) {
  const fs::path dir = unc_root_ / "SRV" / "VLTRLNK" / "CO1";
  fs::create_directories(dir);
  const std::string path = "\\\\SRV\\VLTRLNK\\CO1\\SCHEDULE.3";
  struct Case {
    const char* what;
    int64_t size;
    bool read;
  } cases[] = {
      {"as long as a text file may be", kMaxTextFileBytes, true},
      {"a byte longer", kMaxTextFileBytes + 1, false},
      {"a hundred megabytes", int64_t{100} << 20, false},
  };
  for (const Case& c : cases) {
    {
      std::ofstream out(dir / "SCHEDULE.3", std::ios::binary | std::ios::trunc);
      const std::string line = "0123456789abcde\n";  // 16 bytes
      for (int64_t k = 0; k < std::min(c.size, kMaxTextFileBytes) / 16; ++k) out << line;
    }
    fs::resize_file(dir / "SCHEDULE.3", static_cast<uintmax_t>(c.size));  // the rest a hole of zeros
    const ShareCallCounts before = host_.share_meter().counts();
    const auto lines = host_.ReadTextLines(path);
    EXPECT_EQ(lines.ok(), c.read) << c.what;
    if (c.read) {
      EXPECT_EQ(lines->size(), static_cast<size_t>(kMaxTextFileBytes / 16)) << c.what;
    } else {
      EXPECT_EQ(lines.status().Message(), path + ": File too large") << c.what;
    }
    EXPECT_LE(Since(before, host_.share_meter().counts()).reads, kMaxTextFileBytes / (64 * 1024) + 1) << c.what;
  }
}

TEST_F(HostFilesTest, TextLinesEndAtLineFeedWithOrWithoutCarriageReturn) {
  share::WriteBinaryFile(base_ / "t.txt", "one\r\ntwo\n\r\nlast");
  const auto lines = host_.ReadTextLines((base_ / "t.txt").string());
  ASSERT_TRUE(lines.ok());
  EXPECT_EQ(*lines, (std::vector<std::string>{"one", "two", "", "last"}));
  const std::string missing = (base_ / "none.txt").string();
  const auto none = host_.ReadTextLines(missing);
  EXPECT_EQ(none.status().error(), ENOENT);
  EXPECT_EQ(none.status().Message(), missing + ": No such file or directory");
}

TEST_F(HostFilesTest, ReplaceFileSwapsContentsWholeAndLeavesNoTemporaryFile) {
  const fs::path target = base_ / "SCHEDULE.3";
  share::WriteBinaryFile(target, "old\r\n");
  EXPECT_TRUE(ReplaceFileContents(host_, target.string(), "new\r\n").ok());
  std::ifstream in(target, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new\r\n");
  for (const auto& entry : fs::directory_iterator(base_)) {
    EXPECT_EQ(entry.path().filename().string().find("~tmp"), std::string::npos) << entry.path();
  }

  const std::string elsewhere = (base_ / "no-such-dir" / "SCHEDULE.3").string();
  const HostStatus failure = ReplaceFileContents(host_, elsewhere, "x");
  EXPECT_EQ(failure.error(), ENOENT);
  EXPECT_EQ(failure.path(), elsewhere);
  EXPECT_FALSE(fs::exists(base_ / "no-such-dir"));
}

// A stamp tells a file replaced or rewritten from the same file untouched, and a missing file
// from one that cannot be looked at.
TEST_F(HostFilesTest, StampChangesWithTheFileOnly) {
  const fs::path target = base_ / "SCHEDULE.3";
  const auto missing = host_.StampOf(target.string());
  ASSERT_TRUE(missing.ok());
  EXPECT_FALSE(missing->exists);
  share::WriteBinaryFile(target, "old\r\n");
  const FileStamp first = host_.StampOf(target.string()).value_or({});
  ASSERT_TRUE(first.exists);
  EXPECT_EQ(host_.StampOf(target.string()).value_or({}), first) << "untouched";
  ASSERT_TRUE(ReplaceFileContents(host_, target.string(), "new\r\n").ok());
  EXPECT_NE(host_.StampOf(target.string()).value_or({}), first) << "replaced with the same size";
  fs::create_symlink("loop", base_ / "loop");
  EXPECT_EQ(host_.StampOf((base_ / "loop").string()).status().error(), ELOOP);
}

TEST_F(HostFilesTest, EveryCallOnTheShareIsCountedByKind) {
  const fs::path dir = unc_root_ / "SRV" / "VLTRLNK" / "CO1";
  fs::create_directories(dir);
  share::WriteBinaryFile(dir / "SCHEDULE.3", "one\r\ntwo\r\n");
  share::WriteBinaryFile(base_ / "local.txt", "one\r\n");
  const std::string schedule = "\\\\SRV\\VLTRLNK\\CO1\\SCHEDULE.3";
  // With the directory resolved already, only the calls on the files themselves are left.
  host_.BeginDirectoryCache();
  ASSERT_TRUE(host_.FileExists(schedule));
  struct Case {
    const char* what;
    std::function<void()> action;
    ShareCallCounts expected;  // reads, writes, lookups, opens, closes, others
  };
  const Case cases[] = {
      {"stat", [&] { host_.FileExists(schedule); }, {0, 0, 1, 0, 0, 0}},
      {"stamp", [&] { EXPECT_TRUE(host_.StampOf(schedule).ok()); }, {0, 0, 1, 0, 0, 0}},
      {"text file", [&] { EXPECT_TRUE(host_.ReadTextLines(schedule).ok()); }, {1, 0, 0, 1, 1, 0}},
      // The old file looked at (is it there, its permissions), the new one written with them,
      // closed, renamed to its finished name, renamed over the file; a first one needs no fchmod.
      {"replace: two looks, write, fchmod, fsync, two renames", [&] { EXPECT_TRUE(ReplaceFileContents(host_, schedule, "x\r\n").ok()); }, {0, 1, 2, 1, 1, 4}},
      {"first save: two looks, write, fsync, two renames", [&] { EXPECT_TRUE(ReplaceFileContents(host_, schedule + "1", "x\r\n").ok()); }, {0, 1, 2, 1, 1, 3}},
      {"open, read, size, close",
       [&] {
         auto f = host_.OpenShared(schedule, false);
         ASSERT_TRUE(f.ok());
         char byte = 0;
         EXPECT_TRUE((*f)->ReadAt(0, &byte, 1).ok());
         EXPECT_TRUE((*f)->Size().ok());
       },
       {1, 0, 1, 1, 1, 0}},
      {"delete", [&] { EXPECT_TRUE(host_.RemoveFile(schedule).ok()); }, {0, 0, 0, 0, 0, 1}},
      {"off the share", [&] { EXPECT_TRUE(host_.ReadTextLines((base_ / "local.txt").string()).ok()); }, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const ShareCallCounts before = host_.share_meter().counts();
    c.action();
    EXPECT_EQ(Since(before, host_.share_meter().counts()), c.expected) << c.what;
  }
  host_.EndDirectoryCache();
}

// A data folder holds hundreds of files; only the ones asked for are looked at for their age.
TEST_F(HostFilesTest, AListingLooksAtTheAgeOfTheChosenFilesOnly) {
  const fs::path dir = unc_root_ / "SRV" / "VLTRLNK" / "CO1";
  fs::create_directories(dir / "SUB");
  share::WriteBinaryFile(dir / "SCHEDULE.3", "one\r\n");
  share::WriteBinaryFile(dir / "OLD.TMP", "x");
  fs::last_write_time(dir / "OLD.TMP", fs::file_time_type::clock::now() - std::chrono::hours(2));
  const std::string folder = "\\\\SRV\\VLTRLNK\\CO1";
  host_.BeginDirectoryCache();  // the folder's own path resolved before counting
  ASSERT_TRUE(host_.DirectoryExists(folder));
  const ShareCallCounts before = host_.share_meter().counts();
  const auto entries = host_.ListDirectory(folder, [](std::string_view name) { return name == "OLD.TMP"; });
  // opendir, the entries, one look at OLD.TMP, closedir
  EXPECT_EQ(Since(before, host_.share_meter().counts()), (ShareCallCounts{0, 0, 2, 1, 1, 0}));
  host_.EndDirectoryCache();
  ASSERT_TRUE(entries.ok()) << entries.status().Message();
  std::map<std::string, int64_t> ages;
  for (const DirectoryEntry& entry : *entries) ages[entry.name] = entry.age_seconds;
  ASSERT_EQ(ages.size(), 2u) << "only the two files, no folder";
  EXPECT_EQ(ages["SCHEDULE.3"], 0);
  EXPECT_GE(ages["OLD.TMP"], 2 * 3600 - 5);
  EXPECT_EQ(host_.ListDirectory(folder + "\\NONE", [](std::string_view) { return true; }).status().error(), ENOENT);
}

// The board keeps INVOL open all day while other workstations write marks into it: every read
// must see what they wrote, whatever the workstation's file system client keeps. Over SMB the
// other workstation writes through a mount of its own.
TEST_F(HostFilesTest, AFileKeptOpenReadsWhatAnotherWorkstationWroteSince) {
  const fs::path data = base_ / "INVDB";
  share::WriteBinaryFile(data, std::string(3 * 4096, '0'));
  auto file = host_.OpenShared(data.string(), false);
  ASSERT_TRUE(file.ok());
  char bytes[4] = {};
  ASSERT_TRUE((*file)->ReadAt(4100, bytes, 4).ok());
  EXPECT_EQ(std::string(bytes, 4), "0000");
  {
    std::fstream other(testing::SecondWorkstationPath(data), std::ios::in | std::ios::out | std::ios::binary);
    other.seekp(4100);
    other << "MARK";
  }
  ASSERT_TRUE((*file)->ReadAt(4100, bytes, 4).ok());
  EXPECT_EQ(std::string(bytes, 4), "MARK");
}

TEST_F(HostFilesTest, LocksExcludeOtherOpenFilesOfTheSameFile) {
  share::WriteBinaryFile(base_ / "data", std::string(100, '\0'));
  auto first = host_.OpenShared((base_ / "data").string(), false);
  auto second = host_.OpenShared((base_ / "data").string(), false);
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_TRUE((*first)->TryLock(0, 10));
  EXPECT_FALSE((*second)->TryLock(5, 10));
  EXPECT_TRUE((*second)->TryLock(10, 10)) << "ranges that do not overlap are independent";
  (*first)->Unlock(0, 10);
  EXPECT_TRUE((*second)->TryLock(5, 5));
}

}  // namespace
}  // namespace tervalo

// Counts every call of umask made in this program, then makes it.
extern "C" mode_t umask(mode_t mask) noexcept {
  ++tervalo::g_umask_calls;
  using Umask = mode_t (*)(mode_t);
  static const auto real = reinterpret_cast<Umask>(::dlsym(RTLD_NEXT, "umask"));
  return real(mask);
}
