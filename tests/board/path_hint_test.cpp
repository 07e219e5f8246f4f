// The hint that messages about the server add: where on this machine a UNC path was looked for.

#include "board/path_hint.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_share.h"

namespace tervalo {
namespace {

class PathHintTest : public testing::TempShareTest {};

TEST_F(PathHintTest, NamesTheLocalPathOfTheFirstUncPathInTheText) {
  const std::string root = unc_root_.string();
  struct Case {
    std::string text;
    std::string local;  // empty: no hint
  };
  const Case cases[] = {
      {"The system's link share \\\\SRV\\VLTRLNK\\ cannot be reached.", root + "/SRV/VLTRLNK/"},
      {"File not Found: \\\\SRV\\VLTRLNK\\ttymap.", root + "/SRV/VLTRLNK/ttymap"},
      {"the list '\\\\SRV\\DATA\\CO1\\SCHEDULE.3' is busy", root + "/SRV/DATA/CO1/SCHEDULE.3"},
      {"\\\\SRV\\DATA\\CO1, and \\\\OTHER\\X", root + "/SRV/DATA/CO1"},
      {"Input/output error", ""},
      {"a path that leaves its share: \\\\SRV\\DATA\\..\\..\\etc", ""},
  };
  for (const Case& c : cases) {
    const std::string hint = LocalPathHint(host_, c.text);
    if (c.local.empty()) {
      EXPECT_EQ(hint, "") << c.text;
      continue;
    }
    EXPECT_NE(hint.find(" is looked for at " + c.local + ". "), std::string::npos) << hint;
    EXPECT_NE(hint.find("TERVALO_UNC_ROOT"), std::string::npos) << hint;
    EXPECT_EQ(hint.rfind("\n\nOn this workstation \\\\", 0), 0u) << hint;
  }
}

}  // namespace
}  // namespace tervalo
