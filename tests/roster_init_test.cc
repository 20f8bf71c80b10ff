// `init`: the roles it suggests, and a mix file that reads back and runs as it stands, whatever
// the roster's column names hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "roster/init_mix.h"
#include "roster/mix_builder.h"
#include "roster/mix_file.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

// Reads back the mix file init writes for `roster` and builds it as a run would.
Status BuildInitMix(const Roster& roster, MixFile& mix, MixPlan& plan, Model& model) {
  const std::string mix_text = FormatInitMix(roster, "r.csv");
  if (Status read = ReadMixFile(mix_text, "r.toml", mix); !read.ok()) return read;
  return BuildMix(mix, roster, "r.toml", "r.csv", plan, model);
}

TEST(RosterInitTest, SuggestsRolesAndWritesAMixThatRuns) {
  // An ID column (all different, numbers), names, a two-valued column, a column with a
  // majority value, one with empty cells, one whose values never repeat, an empty column.
  std::string text = "ID,\"Full \"\"name\"\"\",Sex,Lang,Club\\Team,Shoe,Empty\n";
  // A long value is cut in a comment, never inside a character.
  const char* langs[] = {
      "de", "Aaaaaaaaaaaaaaaaaaaa\u00fc\u00fc\u00fc", "de", "de", "tr", "pl", "de", "de"};
  for (int p = 0; p < 8; ++p) {
    text += std::to_string(100 + p) + ",P" + std::to_string(p) + "," + (p % 3 ? "f" : "m") + "," +
            langs[p] + "," + (p % 2 ? "" : "A") + "," + std::to_string(30 + p) + ",\n";
  }
  Roster roster;
  ASSERT_TRUE(ParseRoster(text, "r.csv", std::nullopt, roster).ok());
  const InitSuggestion s = SuggestRoles(roster);
  EXPECT_EQ(s.name_column, 1);  // words beat the ID's numbers
  EXPECT_EQ(s.balance_column, 2);
  EXPECT_EQ(s.spread, (std::vector<int>{3, 4}));
  EXPECT_EQ(s.groups, 2);

  const std::string mix_text = FormatInitMix(roster, "r.csv");
  EXPECT_NE(mix_text.find("\"de\" is held by 5 of 8 persons, more than half"), std::string::npos);
  EXPECT_NE(mix_text.find("\"Club\\\\Team\" = 100\n"), std::string::npos) << mix_text;
  MixFile mix;
  MixPlan plan;
  Model model;
  const Status built = BuildInitMix(roster, mix, plan, model);
  ASSERT_TRUE(built.ok()) << built.message() << "\n" << mix_text;
  EXPECT_EQ(mix.name_column, "Full \"name\"");
  EXPECT_EQ(mix.balance, "Sex");
  EXPECT_EQ(model.params.TypeMode, 1);
  EXPECT_EQ(plan.columns.size(), 2u);

  // So many columns to spread that weight 100 would overflow two persons' total: less, and the
  // mix runs.
  std::string wide = "Name";
  for (int c = 0; c < 1000; ++c) wide += ",C" + std::to_string(c);
  for (int p = 0; p < 4; ++p) {
    wide += "\nP" + std::to_string(p);
    for (int c = 0; c < 1000; ++c) wide += p < 2 ? ",a" : ",b";
  }
  ASSERT_TRUE(ParseRoster(wide, "r.csv", std::nullopt, roster).ok());
  const Status wide_built = BuildInitMix(roster, mix, plan, model);
  ASSERT_TRUE(wide_built.ok()) << wide_built.message();
  EXPECT_EQ(mix.spread.size(), 999u);  // the first column is balanced
  EXPECT_EQ(mix.spread[0].weight, 8);
}

TEST(RosterInitTest, NeverWritesOverAFile) {
  test::TempFolder work;
  const std::string path = work.WriteFile("r.toml", "mine");
  EXPECT_EQ(CreateNewFile(path, "theirs").message(),
            path + " already exists; it was left as it is (remove it, or edit it).");
  EXPECT_EQ(test::ReadWholeFile(path), "mine");
  ASSERT_TRUE(CreateNewFile(work.PathOf("new.toml"), "text").ok());
  EXPECT_EQ(test::ReadWholeFile(work.PathOf("new.toml")), "text");
}

}  // namespace
}  // namespace quorvale
