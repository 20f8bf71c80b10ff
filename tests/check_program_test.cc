// `check` through the real program: the bundled class grouped, one pupil of its together rule
// moved by hand and the grouping checked; groups files that are not the roster's refused; rounds;
// and a roster given where a mix file belongs.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

// The number after `label` at the start of a line of `out`, or "" when there is none.
std::string ScoreAfter(const std::string& out, const std::string& label) {
  std::smatch found;
  if (!std::regex_search(out, found, std::regex("(^|\n)" + label + " (-?[0-9]+),"))) return "";
  return found[2];
}

TEST(CheckProgramTest, APupilMovedByHandBreaksTheRuleAndTheFileIsLeftAsItIs) {
  test::TempFolder work;
  for (const std::string name : {"pupils.csv", "pupils.toml"}) {
    work.WriteFile(name, test::ReadWholeFile(QM_EXAMPLES_DIR "/class-roster/" + name));
  }
  std::string out, err;
  ASSERT_EQ(test::RunIn(work.path(), "pupils.toml --no-pause --seed 1 --time-limit 5s", &out, &err),
            0)
      << err;
  const std::string best = ScoreAfter(out, "Best score");
  ASSERT_NE(best, "") << out;
  // The grouping as the run saved it scores what the run said.
  ASSERT_EQ(test::RunIn(work.path(), "check pupils.toml", &out, &err), 0) << err;
  EXPECT_EQ(ScoreAfter(out, "Score"), best) << out;
  EXPECT_NE(out.find("\nRules: all 3 kept.\n"), std::string::npos) << out;

  // Zoë Becker leaves the group of the pupil she is to be with.
  std::string groups = test::ReadWholeFile(work.PathOf("pupils.groups.csv"));
  const size_t line_end = groups.find('\n', groups.find("\nZoë Becker,") + 1);
  ASSERT_NE(line_end, std::string::npos) << groups;
  groups[line_end - 1] = groups[line_end - 1] == '1' ? '2' : '1';
  work.WriteFile("pupils.groups.csv", groups);
  std::filesystem::remove(work.PathOf("pupils.report.html"));
  ASSERT_EQ(test::RunIn(work.path(), "check pupils.toml", &out, &err), 0) << err;
  EXPECT_NE(out.find("\nRules: 2 of 3 kept.\nRule broken: together: Zoë Becker, "
                     "\"Brandt-Özdemir, Lea\" (in group "),
            std::string::npos)
      << out;
  EXPECT_GT(std::stoll(ScoreAfter(out, "Score")), std::stoll(best)) << out;
  EXPECT_EQ(test::ReadWholeFile(work.PathOf("pupils.groups.csv")), groups);
  const std::string report = test::ReadWholeFile(work.PathOf("pupils.report.html"));
  EXPECT_NE(report.find("<li class=\"broken\">Rule broken: together: Zoë Becker"),
            std::string::npos);
  EXPECT_NE(report.find("<td>Class</td><td class=\"n\">100</td><td>spread</td>"),
            std::string::npos);
  EXPECT_NE(report.find("checked from pupils.groups.csv: read and scored as it stands"),
            std::string::npos);
}

// Four pupils in two groups. A groups file that is not the roster's rows with a group each is
// refused with its line and left as it is; rows in another order match all the same.
TEST(CheckProgramTest, GroupsFilesOfOtherRowsAreRefusedAndSortedRowsMatch) {
  struct Case {
    std::string mix_extra, groups, said;  // `said`: the start of standard output, or the error
    int exit = 0;
  };
  const std::string header = "Name,Class,Group\n";
  const std::vector<Case> cases = {
      {"", header + "Di,b,2\nCy,a,2\nBo,b,1\nAnn,a,1\n",
       "Class: every group holds 1 of each class (as even as possible).\nRules: 1 of 1 kept.\nNo "
       "grouping can do better.\nScore 0, Target Score 0, proven bound 0 (lower is better; in "
       "the mix file's units).\n"},
      {"rounds = 2\n", "Name,Class,Round 1,Round 2\nAnn,a,1,1\nBo,b,1,1\nCy,a,2,2\nDi,b,2,2\n",
       "Every round: Class: every group holds 1 of each class (as even as possible).\nEvery "
       "round: Rules: 1 of 1 kept.\nMeetings over 2 rounds: 2 pairs meet more than once, 2 "
       "meetings beyond a pair's first (weight 100 each; no schedule has fewer than 0).\nAt most "
       "200 from the best possible.\nScore 200, Target Score 0, proven bound 0 "},
      {"", header + "Ann,a,1\nBo,b,1\nCy,a,2\n",
       "quorvalemixer: m.groups.csv: the row on line 5 of r.csv (\"Di\") is missing; expected "
       "every row of the roster, each with a group.\n",
       1},
      {"", header + "Ann,a,1\nBo,b,1\nCy,a,2\nDi,b,2\nAnn,a,2\n",
       "quorvalemixer: m.groups.csv, line 6: found the row \"Ann\", which r.csv holds fewer "
       "times; expected the rows of r.csv as they stand, each once, with a group.\n",
       1},
      {"", header + "Ann,a,3\nBo,b,1\nCy,a,2\nDi,b,2\n",
       "quorvalemixer: m.groups.csv, line 2: the column \"Group\" names the group \"3\", which the "
       "mix file does not have; expected a group's number from 1 to 2.\n",
       1},
      {"", "Name,Class\nAnn,a\nBo,b\nCy,a\nDi,b\n",
       "quorvalemixer: m.groups.csv, line 1: found no column \"Group\"; expected the groups in it, "
       "as a run writes them after the columns of r.csv.\n",
       1},
  };
  for (const Case& c : cases) {
    test::TempFolder work;
    work.WriteFile("r.csv", "Name,Class\nAnn,a\nBo,b\nCy,a\nDi,b\n");
    work.WriteFile("m.toml", "roster = \"r.csv\"\nname = \"Name\"\ngroups = 2\n" + c.mix_extra +
                                 "[spread]\nClass = 100\n[rules]\napart = [[\"Ann\", \"Cy\"]]\n");
    work.WriteFile("m.groups.csv", c.groups);
    std::string out, err;
    EXPECT_EQ(test::RunIn(work.path(), "check m.toml", &out, &err), c.exit) << c.groups << err;
    EXPECT_EQ((c.exit == 0 ? out : err).substr(0, c.said.size()), c.said) << out << err;
    EXPECT_EQ(std::filesystem::exists(work.PathOf("m.report.html")), c.exit == 0);
    EXPECT_EQ(test::ReadWholeFile(work.PathOf("m.groups.csv")), c.groups);
  }
}

TEST(CheckProgramTest, ARosterWhereAMixFileBelongsGetsTheInitCommand) {
  struct Case {
    std::string arguments, error;
  };
  const std::vector<Case> cases = {
      {"pupils.csv",
       "quorvalemixer: pupils.csv is a roster, not a mix file; to group a roster, first run: "
       "quorvalemixer init pupils.csv\n"},
      {"'class list.txt' --seed 3",
       "quorvalemixer: class list.txt is a roster, not a mix file; to group a roster, first run: "
       "quorvalemixer init 'class list.txt'\n"},
      {"check pupils.csv",
       "quorvalemixer: pupils.csv is a roster, not a mix file; to group a roster, first run: "
       "quorvalemixer init pupils.csv\n"},
      {"check m.toml --seed 3",
       "quorvalemixer: check scores a grouping as it stands, without a search: --seed is for a "
       "run\n\nUsage:"},
      {"check",
       "quorvalemixer: check needs a mix file, and may name a groups file: check "
       "MIX.toml [GROUPS.csv]\n\nUsage:"},
  };
  test::TempFolder work;
  work.WriteFile("pupils.csv", "Name,Class\nAnn,a\nBo,b\n");
  work.WriteFile("class list.txt", "\xEF\xBB\xBFName;Class\nAnn;a\nBo;b\n");
  for (const Case& c : cases) {
    std::string out, err;
    EXPECT_EQ(test::RunIn(work.path(), c.arguments, &out, &err), 2) << c.arguments;
    EXPECT_EQ(err.substr(0, c.error.size()), c.error) << c.arguments;
  }
}

}  // namespace
}  // namespace quorvale
