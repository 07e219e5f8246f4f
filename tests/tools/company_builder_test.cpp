// The builders' record files: the header of record zero counts the records they wrote, so that
// the engine's allocation and anyone reading the counts see the files as they are.

#include "tools/share_builders/company_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "tests/support/engine_checks.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/demo_company.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

using testing::Hex;

class CompanyBuilderTest : public testing::TempShareTest {};

TEST_F(CompanyBuilderTest, RecordFilesCountTheRecordsWrittenInTheirHeader) {
  share::CompanyBuilder company(share_);
  for (int32_t n = 1; n <= 13; ++n) company.AddMechanic({n, "MECHANIC " + std::to_string(n)});
  company.AddPart({101, "ZT5400 ZERO TURN", "A01", "ZT5400 54IN DECK"});
  company.AddPart({312, "CS620 CHAINSAW", "D05", "CS620 20IN BAR SAW"});
  company.AddCustomer({7100, "CARL DUNMORE"});
  company.AddMailing({7100, "CARL DUNMORE"});
  company.AddMailing({7200, "MEI TANAKA"});
  company.AddSerial({"SN1", 12, 0, 21000});
  share::InvoiceRecord job;
  job.reference = 42;
  company.AddJob({7, {job, job, job}});
  company.Write(temp_dir_, host_.computer_name);

  // Marker -2, no free record, then records allocated and records in use. Every file named
  // here begins at block 0 of its data file.
  struct Case {
    const char* data_file;
    const char* header;
  } cases[] = {
      {"MANDB", "FF FE FFFFFFFF 0000000D 0000000D 0000"},
      {"INVDB", "FF FE FFFFFFFF 00000003 00000003 0000"},
      {"RPARDB", "FF FE FFFFFFFF 00000002 00000002 0000"},
      {"CUSTDB", "FF FE FFFFFFFF 00000001 00000001 0000"},
      {"MAILDB", "FF FE FFFFFFFF 00000002 00000002 0000"},
      {"SNBRDB", "FF FE FFFFFFFF 00000001 00000001 0000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(share::ReadBinaryFile(share_.DataDirectory() / c.data_file).substr(0, 16), Hex(c.header))
        << c.data_file;
  }

  // The engine allocates after the mechanics' records instead of over the first of them.
  StartEngine();
  int32_t record = 0;
  gEngine->GetRec("MANL", record);
  EXPECT_EQ(record, 14);
}

TEST_F(CompanyBuilderTest, TheDemoCompanysMechanicFileCountsItsMechanics) {
  const share::DemoLocation demo = share::BuildDemoCompany(base_ / "demo", "BENCH4");
  const std::string manl =
      share::ReadBinaryFile(demo.unc_root / share::kDemoServer / "VLTRLNK" / share::kDemoDirectory / "MANDB");
  ASSERT_GE(manl.size(), 16u);
  const auto field = [&](size_t at) {
    return static_cast<int32_t>(
        static_cast<uint8_t>(manl[at]) << 24 | static_cast<uint8_t>(manl[at + 1]) << 16 |
        static_cast<uint8_t>(manl[at + 2]) << 8 | static_cast<uint8_t>(manl[at + 3]));
  };
  // Records in use begin with a positive marker; the first that does not ends them.
  int32_t in_use = 0;
  for (size_t at = share::kMechanicRecordLength;
       at + 2 <= manl.size() && manl[at] == 0 && manl[at + 1] > 0;
       at += share::kMechanicRecordLength) {
    ++in_use;
  }
  EXPECT_GT(in_use, 0);
  EXPECT_EQ(field(6), in_use) << "highest record allocated";
  EXPECT_EQ(field(10), in_use) << "records in use";
}

}  // namespace
}  // namespace tervalo
