// The built tervalo-inspect program on a company in the test's own folder (on the SMB mount in the
// smb tests): the board as start-up builds it, and verify on a sound and on a damaged index.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"
#include "tools/share_builders/data_file_builder.h"
#include "tools/share_builders/index_builder.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

using Outcome = testing::ProgramOutcome;

class InspectProgramTest : public testing::TempShareTest {
 protected:
  void SetUp() override {
    // The program finds its terminal by this machine's name.
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    host_.computer_name = name;
  }

  // A company with DAVE RUIZ (3), who has job 8, ANNA KOWALSKI (9) and the unassigned job 7.
  void WriteCompany() {
    share::CompanyBuilder company(share_);
    company.AddMechanic({3, "DAVE RUIZ"});
    company.AddMechanic({9, "ANNA KOWALSKI"});
    share::InvoiceRecord job;
    job.reference = 42;
    job.date_in = 21000;
    job.description1 = "HARLAN MOWER";
    company.AddJob({7, {job}});
    share::InvoiceRecord scheduled = job;
    scheduled.reference = 43;
    scheduled.description1 = "TOLVER GEN";
    scheduled.mechanic = 3;
    company.AddJob({8, {scheduled}});
    company.Write(temp_dir_, host_.computer_name);
    company.WriteSchedule(3, {company.ScheduleLine(scheduled, 8)});
  }

  // Runs tervalo-inspect with this process's environment (TERVALO_UNC_ROOT and TMPDIR of the
  // test's share); its output goes to files in the test's folder.
  Outcome Inspect(const std::vector<std::string>& args) {
    std::vector<std::string> argv{TERVALO_INSPECT_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    const Outcome outcome = testing::RunProgram(argv, {}, base_);
    EXPECT_NE(outcome.status, -1) << outcome.err;
    return outcome;
  }
};

TEST_F(InspectProgramTest, PrintsTheBoardAndVerifiesTheMechanicIndex) {
  WriteCompany();
  const Outcome board = Inspect({"board"});
  ASSERT_EQ(board.status, 0) << board.err;
  EXPECT_EQ(board.out.rfind("Unassigned jobs (1):\n", 0), 0u) << board.out;
  EXPECT_NE(board.out.find("HARLAN MOWER"), std::string::npos) << board.out;
  const size_t dave = board.out.find("Mechanic 3 DAVE RUIZ (1):\n");
  ASSERT_NE(dave, std::string::npos) << board.out;
  EXPECT_NE(board.out.find("TOLVER GEN", dave), std::string::npos) << "job 8 is on DAVE RUIZ's list\n" << board.out;
  EXPECT_NE(board.out.find("Mechanic 9 ANNA KOWALSKI (0):\n"), std::string::npos) << board.out;

  const Outcome verify = Inspect({"verify", "MANI"});
  EXPECT_EQ(verify.status, 0) << verify.err;
  EXPECT_EQ(verify.out, "MANI: sound, 2 keys\n");
}

TEST_F(InspectProgramTest, VerifyNamesTheBlockOfADamagedIndexAndExitsWithOne) {
  // Keys 0001..0020 four a node: leaves are blocks 4-9; leaf 5 links past leaf 6.
  share::IndexEntries entries;
  for (int k = 1; k <= 20; ++k) entries.emplace_back(share::C2(k), 100 + k);
  std::vector<std::string> blocks = share::BuildIndexBlocks({2, 5}, entries);
  blocks[5].replace(2, 2, share::C2(7));
  share::DataFileBuilder data(share_, "IDXLK");
  data.Add({"LINKI", 'I', 512, static_cast<int32_t>(blocks.size()) - 1});
  for (size_t b = 0; b < blocks.size(); ++b) data.SetBlock("LINKI", static_cast<int32_t>(b), blocks[b]);
  data.Write();
  WriteBasicShare(data.Links());

  const Outcome verify = Inspect({"verify", "LINKI"});
  EXPECT_EQ(verify.status, 1) << verify.out << verify.err;
  EXPECT_NE(verify.out.find("block 5: links to 7 instead of the next leaf 6\n"), std::string::npos) << verify.out;
  EXPECT_EQ(verify.out.find("sound"), std::string::npos) << verify.out;
}

}  // namespace
}  // namespace tervalo
