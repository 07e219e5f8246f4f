#include "environment/catalog_config.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/business_basic.h"
#include "engine/system.h"
#include "environment/shared_instances.h"
#include "tests/support/temp_share.h"

namespace tervalo {
namespace {

class CatalogConfigTest : public testing::TempShareTest {
 protected:
  void WriteIni(const std::string& text) { share::WriteBinaryFile(temp_dir_ / "vltCatalog.ini", text); }
};

TEST_F(CatalogConfigTest, MissingFileShowsTheEpcErrorAndBuildsNothing) {
  LoadCatalogConfig();
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].title, "EpcError");
  EXPECT_EQ(host_.messages[0].text, "You are missing file: " + temp_dir_.string() +
                                        "/vltCatalog.ini    Are you running Veltrane Workstation?");
  EXPECT_FALSE(gEngine);
  ASSERT_TRUE(gEpcInfo && gSystem);
  EXPECT_EQ(gEpcInfo->Server, "");
  EXPECT_EQ(gSystem->mUNCDrive, "");
}

TEST_F(CatalogConfigTest, ReadsEveryKeyAndHandsServerDirectoryAndTerminalOn) {
  WriteBasicShare();
  WriteIni("[Quorvexa]\nServer=SRV\nDataShare=DATA\nCatalogShare=CAT\nDirectory=CO1\n"
           "TerminalID=T9\nCustomerNumber= 4471 \n");
  StartEngine();
  EXPECT_EQ(gEpcInfo->Server, "SRV");
  EXPECT_EQ(gEpcInfo->DataShare, "DATA");
  EXPECT_EQ(gEpcInfo->CatalogShare, "\\\\SRV\\CAT\\");
  EXPECT_EQ(gEpcInfo->Directory, "CO1");
  EXPECT_EQ(gEpcInfo->TerminalID, "T9");
  EXPECT_EQ(gEpcInfo->CustomerNumber, 4471);
  EXPECT_EQ(gSystem->mUNCDrive, "SRV");
  EXPECT_EQ(gSystem->mDirectory, "CO1");
  EXPECT_EQ(gSystem->xtermid, "T9");
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(CatalogConfigTest, MissingKeysAreEmptyAndLongValuesAreCut) {
  WriteBasicShare();
  WriteIni("[Quorvexa]\r\nServer=SRV\r\nDirectory=CO1\r\nTerminalID=" + std::string(150, '7') + "\r\n");
  StartEngine();
  EXPECT_EQ(gEpcInfo->DataShare, "");
  EXPECT_EQ(gEpcInfo->CatalogShare, "\\\\SRV\\\\");
  EXPECT_EQ(gEpcInfo->CustomerNumber, 0);
  EXPECT_EQ(gEpcInfo->TerminalID, std::string(99, '7'));
}

TEST_F(CatalogConfigTest, AReadOnlyFileIsFoundAndRead) {
  WriteBasicShare();
  std::filesystem::permissions(temp_dir_ / "vltCatalog.ini", std::filesystem::perms::owner_read);
  StartEngine();
  EXPECT_EQ(gEpcInfo->Server, "SRV");
}

TEST_F(CatalogConfigTest, ACustomerNumberThatIsNotANumberStopsBeforeTheEngine) {
  WriteBasicShare();
  WriteIni("[Quorvexa]\nServer=SRV\nDirectory=CO1\nCustomerNumber=12ab\n");
  try {
    LoadCatalogConfig();
    FAIL() << "expected a type mismatch";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.number(), 13);
  }
  EXPECT_EQ(gEpcInfo->Server, "SRV");
  EXPECT_EQ(gSystem->mUNCDrive, "") << "server and directory are not handed on";
  EXPECT_FALSE(gEngine);
}

TEST_F(CatalogConfigTest, WithoutServerTheShareCheckFails) {
  WriteBasicShare();
  WriteIni("[Quorvexa]\nDirectory=CO1\n");
  LoadCatalogConfig();
  ASSERT_TRUE(gEngine);
  EXPECT_FALSE(gEngine->HasTables());
}

}  // namespace
}  // namespace tervalo
