#include "engine/link_table.h"

#include <gtest/gtest.h>

#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

std::string Record(std::string_view link, std::string_view resolution, char pad = ' ') {
  std::string r = " " + std::string(link);
  r.resize(80, pad);
  r += " " + std::string(resolution);
  r.resize(160, pad);
  return r;
}

TEST(LinkTableTest, LoadsRecordsWithoutPaddingSkippingEmptyAndRepeatedNames) {
  std::string bytes = Record(":CO1:INVOL", "CO1:INVLK") +
                      Record("", "CO1:IGNORED") +
                      Record(std::string(79, '\0'), "CO1:IGNORED", '\0') +
                      Record(":CO1:MANL\r\n", "CO1:MANLK\r\n\t") +
                      Record(":co1:invol", "CO1:OTHER") +
                      "X";  // a last record of one byte: empty link field
  cLinks links;
  links.LoadFrom(bytes);
  ASSERT_EQ(links.Count(), 2);
  EXPECT_EQ(links.Item(1)->LinkFile, ":CO1:INVOL");
  EXPECT_EQ(links.Item(1)->ResolutionFile, "CO1:INVLK");
  EXPECT_EQ(links.Item(2)->LinkFile, ":CO1:MANL");
  EXPECT_EQ(links.Item(2)->ResolutionFile, "CO1:MANLK");
  EXPECT_EQ(links.Item(":CO1:invol")->ResolutionFile, "CO1:INVLK") << "the first record wins";
}

TEST(LinkTableTest, AShortLastRecordIsReadAsFarAsItGoes) {
  cLinks links;
  links.LoadFrom(Record(":CO1:A", "CO1:ALK") + " :CO1:B");
  ASSERT_EQ(links.Count(), 2);
  EXPECT_EQ(links.Item(2)->LinkFile, ":CO1:B");
  EXPECT_EQ(links.Item(2)->ResolutionFile, "");
}

TEST(LinkTableTest, ResolvesNamesToResolutionAndDataFiles) {
  cLinks links;
  links.LoadFrom(Record(":CO1:INVOL", "CO1:INVLK") + Record(":CO2:INVOL", "CO2:SUB:INV2LK"));

  const auto own = ResolveLogicalName(links, "INVOL", "SRV", "CO1");
  ASSERT_TRUE(own);
  EXPECT_EQ(own->resolution_path, "\\\\SRV\\VLTRLNK\\CO1\\INVLK");
  EXPECT_EQ(own->data_path, "\\\\SRV\\VLTRLNK\\CO1\\INVDB");
  EXPECT_EQ(own->entry_name, "INVOL");

  const auto other = ResolveLogicalName(links, ":CO2:INVOL", "SRV", "CO1");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->resolution_path, "\\\\SRV\\VLTRLNK\\CO2\\SUB\\INV2LK");
  EXPECT_EQ(other->data_path, "\\\\SRV\\VLTRLNK\\CO2\\SUB\\INV2DB");
  EXPECT_EQ(other->entry_name, "INVOL");

  EXPECT_FALSE(ResolveLogicalName(links, "INVOL", "SRV", "CO3"));
}

}  // namespace
}  // namespace tervalo
