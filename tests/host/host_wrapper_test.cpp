#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/counting_host.h"
#include "host/host.h"

namespace tervalo {
namespace {

using namespace std::chrono_literals;

const std::chrono::local_seconds kAnswerTime = std::chrono::local_days{2024y / 5 / 6} + 7h;

// An open file that notes every call on it and answers with values of its own.
class AnsweringFile : public HostFile {
 public:
  explicit AnsweringFile(std::vector<std::string>& calls) : calls_(calls) {}
  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    calls_.push_back("ReadAt " + std::to_string(offset) + " " + std::to_string(n));
    buffer[0] = 'r';
    return int64_t{1};
  }
  HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
    calls_.push_back("WriteAt " + std::to_string(offset) + " " + std::string(data, n));
    return HostStatus(ENOSPC, "file");
  }
  HostResult<int64_t> Size() override {
    calls_.push_back("Size");
    return int64_t{42};
  }
  bool TryLock(int64_t offset, int64_t length) override {
    calls_.push_back("TryLock " + std::to_string(offset) + " " + std::to_string(length));
    return true;
  }
  void Unlock(int64_t offset, int64_t length) override {
    calls_.push_back("Unlock " + std::to_string(offset) + " " + std::to_string(length));
  }

 private:
  std::vector<std::string>& calls_;
};

// A host that notes every call on it and answers with values of its own.
class AnsweringHost : public Host {
 public:
  std::vector<std::string> calls;

  std::optional<std::string> MapPath(std::string_view path) override {
    return Noted("MapPath", path, "/mapped/" + std::string(path));
  }
  bool FileExists(std::string_view path) override { return Noted("FileExists", path, true); }
  bool DirectoryExists(std::string_view path) override { return Noted("DirectoryExists", path, true); }
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    calls.push_back("OpenShared " + std::string(path) + (create ? " create" : ""));
    return std::make_unique<AnsweringFile>(calls);
  }
  HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) override {
    return Noted("ReadTextLines", path, std::vector<std::string>{"line of " + std::string(path)});
  }
  HostResult<FileStamp> StampOf(std::string_view path) override {
    return Noted("StampOf", path, FileStamp{true, 1, 2, 3, 4});
  }
  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override {
    calls.push_back("WriteNewFile " + std::string(prefix) + " " + std::string(contents) + " " + std::string(replaces));
    return std::string(prefix) + "123456";
  }
  HostStatus RenameFile(std::string_view from, std::string_view to) override {
    calls.push_back("RenameFile " + std::string(from) + " " + std::string(to));
    return HostStatus(ENOSPC, to);
  }
  HostStatus RemoveFile(std::string_view path) override { return Noted("RemoveFile", path, HostStatus(EACCES, path)); }
  HostResult<std::vector<DirectoryEntry>> ListDirectory(std::string_view path, const NameFilter&) override {
    return Noted("ListDirectory", path, std::vector<DirectoryEntry>{{"entry of " + std::string(path), 7}});
  }
  std::chrono::local_seconds Now() override { return Noted("Now", "", kAnswerTime); }
  void Sleep(std::chrono::milliseconds duration) override {
    calls.push_back("Sleep " + std::to_string(duration.count()));
  }
  std::string TempDirectory() override { return Noted("TempDirectory", "", std::string("/temp/")); }
  std::string ComputerName() override { return Noted("ComputerName", "", std::string("ANSWER")); }
  uint32_t ResolveHostAddress(std::string_view name) override {
    return Noted("ResolveHostAddress", name, 0x0A0B0C0Du);
  }
  void BeginDirectoryCache() override { calls.push_back("BeginDirectoryCache"); }
  void EndDirectoryCache() override { calls.push_back("EndDirectoryCache"); }
  void SetMessageBoxHandler(MessageBoxHandler handler) override {
    calls.push_back(std::string("SetMessageBoxHandler") + (handler ? " handler" : ""));
  }
  void ShowMessage(const MessageBoxRequest& request) override {
    calls.push_back("ShowMessage " + request.text + " " + request.title);
  }

 private:
  template <typename T>
  T Noted(const char* call, std::string_view argument, T answer) {
    calls.push_back(argument.empty() ? std::string(call) : std::string(call) + " " + std::string(argument));
    return answer;
  }
};

// Each call made through the wrapper reaches the target once, with its arguments, and the
// target's answer comes back unchanged; the same for the calls on a file it opened.
TEST(HostWrapperTest, PassesEveryCallAndItsAnswerToItsTarget) {
  AnsweringHost target;
  HostWrapper wrapper(target);
  HostFileWrapper file(std::make_unique<AnsweringFile>(target.calls));
  char byte = 0;
  struct Case {
    const char* call;  // as the target notes it
    std::function<bool()> answered;
  };
  const Case cases[] = {
      {"MapPath p", [&] { return wrapper.MapPath("p") == "/mapped/p"; }},
      {"FileExists p", [&] { return wrapper.FileExists("p"); }},
      {"DirectoryExists p", [&] { return wrapper.DirectoryExists("p"); }},
      {"OpenShared p create",
       [&] {
         auto opened = wrapper.OpenShared("p", true);
         return opened.ok() && dynamic_cast<AnsweringFile*>(opened->get()) != nullptr;
       }},
      {"ReadTextLines p", [&] { return wrapper.ReadTextLines("p").value_or({}) == std::vector<std::string>{"line of p"}; }},
      {"StampOf p", [&] { return wrapper.StampOf("p").value_or({}) == FileStamp{true, 1, 2, 3, 4}; }},
      {"WriteNewFile p text q", [&] { return wrapper.WriteNewFile("p", "text", "q").value_or({}) == "p123456"; }},
      {"RenameFile p q", [&] { return wrapper.RenameFile("p", "q").Message() == "q: No space left on device"; }},
      {"RemoveFile p", [&] { return wrapper.RemoveFile("p").Message() == "p: Permission denied"; }},
      {"ListDirectory p",
       [&] {
         const auto entries = wrapper.ListDirectory("p", [](std::string_view) { return true; });
         return entries.ok() && entries->size() == 1 && (*entries)[0].name == "entry of p" &&
                (*entries)[0].age_seconds == 7;
       }},
      {"Now", [&] { return wrapper.Now() == kAnswerTime; }},
      {"Sleep 250", [&] { return wrapper.Sleep(250ms), true; }},
      {"TempDirectory", [&] { return wrapper.TempDirectory() == "/temp/"; }},
      {"ComputerName", [&] { return wrapper.ComputerName() == "ANSWER"; }},
      {"ResolveHostAddress name", [&] { return wrapper.ResolveHostAddress("name") == 0x0A0B0C0Du; }},
      {"BeginDirectoryCache", [&] { return wrapper.BeginDirectoryCache(), true; }},
      {"EndDirectoryCache", [&] { return wrapper.EndDirectoryCache(), true; }},
      {"SetMessageBoxHandler handler",
       [&] { return wrapper.SetMessageBoxHandler([](const MessageBoxRequest&) {}), true; }},
      {"ShowMessage text title", [&] { return wrapper.ShowMessage({"text", "title"}), true; }},
      {"ReadAt 5 1", [&] { return file.ReadAt(5, &byte, 1).value_or(0) == 1 && byte == 'r'; }},
      {"WriteAt 6 w", [&] { return file.WriteAt(6, "w", 1).error() == ENOSPC; }},
      {"Size", [&] { return file.Size().value_or(0) == 42; }},
      {"TryLock 7 8", [&] { return file.TryLock(7, 8); }},
      {"Unlock 7 8", [&] { return file.Unlock(7, 8), true; }},
  };
  for (const Case& c : cases) {
    target.calls.clear();
    EXPECT_TRUE(c.answered()) << c.call;
    EXPECT_EQ(target.calls, std::vector<std::string>{c.call});
  }
}

TEST(CountingHostTest, CountsReadsAndWritesInAllAndApartForTheNamedFiles) {
  AnsweringHost target;
  CountingHost host(target);
  char byte = 0;
  auto before = host.OpenShared("\\\\SRV\\CO1\\INVDB", false);  // opened before INVDB was named
  host.CountApart("INVDB");
  host.CountApart("FILE0");
  auto invol = host.OpenShared("\\\\SRV\\CO1\\INVDB", false);
  auto file0 = host.OpenShared("\\\\SRV\\CO1\\FILE0", false);
  ASSERT_TRUE(before.ok() && invol.ok() && file0.ok());
  EXPECT_TRUE((*before)->ReadAt(0, &byte, 1).ok());
  EXPECT_TRUE((*invol)->ReadAt(0, &byte, 1).ok());
  EXPECT_TRUE((*invol)->ReadAt(1, &byte, 1).ok());
  EXPECT_EQ((*invol)->WriteAt(0, "x", 1).error(), ENOSPC) << "the target's answer";
  EXPECT_TRUE((*file0)->ReadAt(0, &byte, 1).ok());
  EXPECT_TRUE((*file0)->Size().ok());
  EXPECT_EQ(host.all(), (IoCounts{4, 1}));
  EXPECT_EQ(host.of("INVDB"), (IoCounts{2, 1}));
  EXPECT_EQ(host.of("FILE0"), (IoCounts{1, 0}));
  EXPECT_EQ(host.of("RPARDB"), (IoCounts{0, 0}));
}

}  // namespace
}  // namespace tervalo
