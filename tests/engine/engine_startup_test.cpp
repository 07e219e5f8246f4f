// Engine start-up: share check, workstation identity from the terminal map, link table loading.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/business_basic.h"
#include "engine/system.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "tests/support/temp_share.h"

namespace tervalo {
namespace {

class EngineStartupTest : public testing::TempShareTest {
 protected:
  // Starts the engine with the given terminal map and returns the terminal number found.
  std::string TerminalFor(const std::string& ttymap) {
    WriteBasicShare();
    share_.WriteTerminalMap(ttymap);
    StartEngine();
    return gSystem->TerminalID;
  }
};

TEST_F(EngineStartupTest, TerminalMapLinesMatchByNameOrAddress) {
  host_.computer_name = "Bench4";
  struct Case {
    const char* ttymap;
    const char* terminal;
  } cases[] = {
      {"bench4 12,A\n", "12"},                                 // name in other letter case
      {"10.0.0.23 9\r\nBENCH4 4\r\n", "9"},                     // address matches first
      {"  BENCH4  \r\nBENCH4\r\n  BENCH4     14,B,C  \n", "14"},  // single words skipped
      {"BENCH4 2\nBENCH4 3\n", "2"},                            // first match wins
      {"OTHER 5\n10.0.0.230 6\n", "0"},                         // nothing matches
      {"", "0"},                                                // empty map
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TerminalFor(c.ttymap), c.terminal) << c.ttymap;
    EXPECT_EQ(gSystem->ComputerName, "Bench4");
    EXPECT_EQ(gSystem->IP, "10.0.0.23");
    EXPECT_EQ(gEngine->Sys(4), std::atoi(c.terminal));
  }
}

TEST_F(EngineStartupTest, AnUnresolvableNameStillMatchesByName) {
  host_.address = 0xFFFFFFFFu;
  EXPECT_EQ(TerminalFor("BENCH4 31\n"), "31");
  EXPECT_EQ(gSystem->IP, "255.255.255.255");
}

TEST_F(EngineStartupTest, UnreachableShareGivesAnEngineWithoutIdentityOrTables) {
  share::CatalogSettings settings;
  settings.server = "NOSERVER";
  settings.directory = "CO1";
  share::WriteCatalogIni(temp_dir_, settings);
  LoadCatalogConfig();
  ASSERT_TRUE(gEngine);
  EXPECT_FALSE(gEngine->HasTables());
  EXPECT_EQ(gSystem->ComputerName, "");
  EXPECT_EQ(gSystem->TerminalID, "");
  EXPECT_EQ(gLinks, nullptr);
  try {
    gEngine->OpenFile("FILE0");
    FAIL() << "an engine without tables cannot open files";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.number(), 91);
  }
}

TEST_F(EngineStartupTest, MissingTerminalMapFailsTheStartUp) {
  WriteBasicShare();
  std::filesystem::remove(share_.LinkShare() / "ttymap");
  LoadCatalogConfig();
  EXPECT_FALSE(gEngine);
  ASSERT_TRUE(EngineStartupFailure());
  EXPECT_EQ(EngineStartupFailure()->number(), -10);
  EXPECT_EQ(EngineStartupFailure()->source(), "vltDataEngine_Initialization");
  EXPECT_EQ(EngineStartupFailure()->description(),
            "Terminal File 'ttymap' not found on drive \\\\SRV\\VLTRLNK");
  EXPECT_TRUE(host_.messages.empty()) << "the start-up failure itself shows nothing";
}

TEST_F(EngineStartupTest, MissingLinkTableIsCreatedEmpty) {
  WriteBasicShare();
  std::filesystem::remove(share_.LinkShare() / "LINKSFILE");
  StartEngine();
  EXPECT_EQ(gLinks->Count(), 0);
  EXPECT_TRUE(std::filesystem::exists(share_.LinkShare() / "LINKSFILE"));
  EXPECT_EQ(gEngine->LogicalOpen("INVOL"), nullptr);
}

TEST_F(EngineStartupTest, LinkTableIsLoadedFromTheShareRoot) {
  WriteBasicShare({share_.LinkFor("INVOL", "INVLK"), share_.LinkFor("MANL", "MANLK")});
  StartEngine();
  ASSERT_EQ(gLinks->Count(), 2);
  EXPECT_EQ(gLinks->Item(":CO1:MANL")->ResolutionFile, "CO1:MANLK");
}

TEST_F(EngineStartupTest, SharePathsAreFormedFromServerAndDirectory) {
  cSystem system;
  system.mUNCDrive = "SRV";
  system.mDirectory = "CO1";
  EXPECT_EQ(system.VLTRLNK(), "\\\\SRV\\VLTRLNK\\CO1");
  EXPECT_EQ(system.CATCON(), "\\\\SRV\\CATCON\\");
}

TEST_F(EngineStartupTest, EndingTheEngineClosesItsFilesAndClearsTheTables) {
  auto open_descriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  WriteBasicShare();
  share_.WriteFile0({}, 2);
  const auto before = open_descriptors();
  StartEngine();
  ASSERT_TRUE(gEngine->OpenFile("FILE0"));
  EXPECT_EQ(gOpenFiles->Count(), 1);
  EXPECT_EQ(open_descriptors(), before + 1);
  gEngine.reset();
  EXPECT_EQ(gOpenFiles, nullptr);
  EXPECT_EQ(gLinks, nullptr);
  EXPECT_EQ(gLogicalFiles, nullptr);
  EXPECT_EQ(open_descriptors(), before);
}

}  // namespace
}  // namespace tervalo
