// Mix files and what they become: refusals with their whole messages, labels to codes, the
// majority label, the balance column, rule columns and their weight, the plan.
#include <gtest/gtest.h>

#include "report/html_report.h"

#include <string>
#include <vector>

#include "base/duration.h"
#include "console/screen.h"
#include "engine/conflict_matrix.h"
#include "roster/mix_builder.h"
#include "roster/mix_file.h"
#include "tests/support/problem_text.h"

namespace quorvale {
namespace {

constexpr std::string_view kRoster =
    "Name,Sex,Class,Lang\n"
    "Ann,f,5a,de\n"
    "Bo,m,5b,de\n"
    "Cy,m,5a,tr\n"
    "Di,f,5b,de\n"
    "Ed,m,5a,pl\n"
    "Fay,f,,tr\n";

struct Built {
  Status status;
  MixPlan plan;
  Model model;
};

Built Build(const std::string& mix_text, std::string_view roster_text = kRoster) {
  Built built;
  MixFile mix;
  built.status = ReadMixFile(mix_text, "m.toml", mix);
  if (!built.status.ok()) return built;
  Roster roster;
  built.status = ParseRoster(roster_text, "r.csv", mix.delimiter, roster);
  if (!built.status.ok()) return built;
  built.status = BuildMix(mix, roster, "m.toml", "r.csv", built.plan, built.model);
  return built;
}

std::string Refusal(const std::string& mix_text, std::string_view roster_text = kRoster) {
  const Built built = Build(mix_text, roster_text);
  EXPECT_FALSE(built.status.ok());
  return built.status.message();
}

constexpr const char* kHead = "roster = \"r.csv\"\nname = \"Name\"\ngroups = 2\n";

TEST(RosterMixTest, RefusalsNameTheLine) {
  EXPECT_EQ(Refusal(std::string(kHead) + "colour = 3\n"),
            "m.toml, line 4: unknown key \"colour\"; expected roster, name, groups, group_size, "
            "sizes, balance, seed, time_limit, search, delimiter, rounds, repeat_weight, "
            "[spread], [pack], [buddy], [average], [rules] or [plan].");
  EXPECT_EQ(Refusal(std::string(kHead) + "[spread]\n\"Class\" = { weight = 5, mojority = 1 }\n"),
            "m.toml, line 5: unknown key \"mojority\" in \"Class\" in [spread]; expected weight "
            "or majority.");
  EXPECT_EQ(Refusal(std::string(kHead) + "[spread]\n\"Klass\" = 100\n"),
            "m.toml, line 5: [spread] names the column \"Klass\", which r.csv does not have; "
            "expected one of its header's names, such as \"Class\", \"Lang\" or \"Name\".");
  EXPECT_EQ(Refusal(std::string(kHead) + "[pack]\n\"Lang\" = 40000\n"),
            "m.toml, line 5: \"Lang\" in [pack] is 40000; expected a whole number from 1 to "
            "32767.");
  EXPECT_EQ(Refusal(std::string(kHead) + "[rules]\napart = [[\"Ann\", \"Bob\"]]\n"),
            "m.toml, line 5: the rule names \"Bob\", who matches no row of r.csv in the column "
            "\"Name\"; expected a name such as \"Bo\", \"Ann\" or \"Cy\".");
  EXPECT_EQ(Refusal(std::string(kHead) + "[rules]\ntogether = [[\"Ann\", \"Bo\"]]\n",
                    "Name,Sex\nAnn,f\nBo,m\nAnn,m\nAnn,f\n"),
            "m.toml, line 5: the rule names \"Ann\", who matches several rows of r.csv, on lines "
            "2, 4 and 5; expected a name that only one row holds.");
  EXPECT_EQ(Refusal("roster = \"r.csv\"\ngroups = 7\n"),
            "m.toml, line 2: groups asks for 7 groups, but r.csv has 6 persons; expected at most "
            "6 groups.");
  EXPECT_EQ(Refusal("roster = \"r.csv\"\ngroups = 2\ngroup_size = 3\n"),
            "m.toml, line 3: both groups and group_size are given; expected only one of them.");
  EXPECT_EQ(Refusal("roster = \"r.csv\"\ngroups = 2\n", "Name\nAnn\n"),
            "r.csv: found 1 person; expected at least 2 rows below the header, one per person.");
  EXPECT_EQ(Refusal("roster = \"r.csv\"\ngroups = [2\n"),
            "m.toml, line 2, column 13: Error while parsing array: encountered end-of-file.");
}

TEST(RosterMixTest, LabelsBecomeCodesInOrderOfFirstAppearance) {
  const Built built = Build(
      std::string(kHead) + "balance = \"Sex\"\n[spread]\n\"Class\" = 100\n[pack]\n\"Lang\" = 30\n");
  ASSERT_TRUE(built.status.ok()) << built.status.message();
  EXPECT_EQ(FormatDataText(built.model),
            "0\t0\t100\t-30\n1\t1\t1\t1\n2\t2\t2\t1\n3\t2\t1\t2\n4\t1\t2\t1\n5\t2\t1\t3\n"
            "6\t1\t0\t2\n");
  EXPECT_EQ(built.plan.columns[1].labels, (std::vector<std::string>{"de", "tr", "pl"}));
  EXPECT_EQ(built.plan.balance->values, (std::vector<std::string>{"f", "m"}));
  EXPECT_EQ(built.model.params.TypeMode, 1);
  EXPECT_FALSE(built.plan.columns[1].majority_label.has_value());  // 3 of 6 is not more than half
  EXPECT_EQ(built.plan.names[5], "Fay");
  // Without balance: one type, dealt in turn; the default plan and its time limit.
  const Built plain = Build("roster = \"r.csv\"\ngroup_size = 4\n");
  EXPECT_EQ(plain.model.params.TypeMode, 3);
  EXPECT_EQ(plain.model.params.GroupCount, 2);
  EXPECT_LE(int64_t{plain.model.params.RunCount} * plain.model.params.StagesPerRun *
                (plain.model.params.FocusCycles + plain.model.params.SpreadCycles),
            99999);
  EXPECT_EQ(plain.plan.time_limit_ms, 60000);
  EXPECT_EQ(FormatParametersText(plain.model.params), "6\n2\n3\n2\n4999\n4\n3\n2\n");
}

TEST(RosterMixTest, MajorityLabelIsTurnedAroundOrIgnored) {
  const std::string roster = "Name,Lang\nA,de\nB,de\nC,de\nD,de\nE,tr\nF,tr\n";
  const Built turned = Build("roster = \"r.csv\"\ngroups = 2\n[spread]\nLang = 100\n", roster);
  ASSERT_TRUE(turned.status.ok());
  EXPECT_EQ(turned.plan.columns[0].majority_label, "de");
  EXPECT_FALSE(turned.plan.columns[0].majority_ignored);
  EXPECT_EQ(turned.model.DataTable(1, 2), 1);  // kept for the engine to turn around
  const Built ignored = Build(
      "roster = \"r.csv\"\ngroups = 2\n[spread]\nLang = { weight = 100, majority = \"ignore\" }\n",
      roster);
  ASSERT_TRUE(ignored.status.ok());
  EXPECT_TRUE(ignored.plan.columns[0].majority_ignored);
  for (int p = 1; p <= 4; ++p) EXPECT_EQ(ignored.model.DataTable(p, 2), 0);
  EXPECT_EQ(ignored.model.DataTable(5, 2), 2);
}

// Every pair total of the data must fit the engine's 16-bit pair weights: the engine itself
// says so when it builds the matrix.
void ExpectEngineAccepts(const Built& built) {
  ASSERT_TRUE(built.status.ok()) << built.status.message();
  Problem problem =
      test::ProblemFromText(FormatParametersText(built.model.params), FormatDataText(built.model));
  const Status status = BuildConflictMatrix(problem);
  EXPECT_TRUE(status.ok()) << status.message();
}

TEST(RosterMixTest, RulesGetColumnsAndTheStrongestWeightThatFits) {
  const Built built = Build(std::string(kHead) +
                            "[spread]\nClass = 30000\n[pack]\nLang = 700\n[rules]\n"
                            "apart = [[\"Ann\", \"Cy\"], [\"Cy\", \"Ed\"], [\"Bo\", \"Di\"]]\n"
                            "together = [[\"Ann\", \"Fay\", \"Di\"], [\"Di\", \"Ed\"]]\n");
  ExpectEngineAccepts(built);
  const MixPlan& plan = built.plan;
  ASSERT_EQ(plan.rules.size(), 5u);
  // Overlapping rules of a kind take different columns; others share one.
  EXPECT_EQ(plan.rules[0].data_column, 4);
  EXPECT_EQ(plan.rules[1].data_column, 5);
  EXPECT_EQ(plan.rules[2].data_column, 4);
  EXPECT_EQ(plan.rules[3].data_column, 6);
  EXPECT_EQ(plan.rules[4].data_column, 7);
  EXPECT_EQ(plan.rules[3].persons, (std::vector<int>{1, 6, 4}));
  // Ann and Cy share class 5a (30000) and an apart rule: 32767 - 30000 is all that is left.
  EXPECT_EQ(plan.rules[0].weight, 2767);
  EXPECT_EQ(plan.rules[3].weight, -2767);
  // One more and the engine refuses the pair.
  Problem problem =
      test::ProblemFromText(FormatParametersText(built.model.params), FormatDataText(built.model));
  problem.DataTable(0, 4) += 1;
  EXPECT_FALSE(BuildConflictMatrix(problem).ok());

  const std::vector<int32_t> grouping{0, 1, 2, 2, 1, 2, 1};  // Ann Bo Cy Di Ed Fay
  std::vector<bool> kept;
  for (const MixRule& rule : plan.rules)
    kept.push_back(RuleKept({rule.apart, rule.persons}, grouping));
  EXPECT_EQ(kept, (std::vector<bool>{true, false, true, true, false}));
}

// Weights whose sum could leave the pair range: every pair is looked at, and only a pair that
// does leave it is refused.
TEST(RosterMixTest, PairTotalsAreCheckedWhereTheWeightsCouldLeaveTheRange) {
  const std::string roster = "Name,A,B\nP1,x,u\nP2,x,v\nP3,y,u\nP4,y,v\n";
  const std::string mix =
      std::string(kHead) + "[spread]\nA = 20000\nB = 20000\n[rules]\napart = [[\"P1\", \"P2\"]]\n";
  const Built built = Build(mix, roster);
  ASSERT_TRUE(built.status.ok()) << built.status.message();
  EXPECT_EQ(built.plan.rules[0].weight, 12767);
  EXPECT_EQ(Refusal(mix, roster + "P5,x,u\nP6,y,w\nP7,z,w\n"),
            "m.toml: the weights of [spread] and [pack] add up to 40000 for P1 and P5, who share "
            "values in several columns; expected a total from -32768 to 32767 for every two "
            "persons: lower some weights.");
}

TEST(RosterMixTest, ValuesOfTheTopLevelKeys) {
  MixFile mix;
  ASSERT_TRUE(ReadMixFile("roster = \"r.csv\"\ngroups = 3\nseed = 4294967295\ntime_limit = "
                          "\"1m30s\"\ndelimiter = \";\"\n[plan]\nruns = 2\nstages = 3\nfocus = "
                          "2\nspread = 1\n",
                          "m.toml", mix)
                  .ok());
  EXPECT_EQ(mix.seed, 4294967295u);
  EXPECT_EQ(mix.time_limit_ms, 90000);
  EXPECT_EQ(mix.delimiter, ';');
  EXPECT_EQ(mix.plan->stages, 3);
  int64_t ms = 0;
  for (const char* bad : {"", "5x", "m", "1m30", "25h", "0s", "-3s"}) {
    EXPECT_FALSE(ParseDuration(bad, ms).ok()) << bad;
  }
  ASSERT_TRUE(ParseDuration("500ms", ms).ok());
  EXPECT_EQ(ms, 500);
  EXPECT_EQ(Refusal("roster = \"r.csv\"\ngroups = 2\ntime_limit = \"soon\"\n"),
            "m.toml, line 3: time_limit 'soon' is not a duration; expected a whole number with a "
            "unit, such as 90s, 5m, 1h30m or 500ms (at most 24h).");
  EXPECT_EQ(Refusal("roster = \"r.csv\"\ngroups = 2\n[plan]\nruns = 1\nstages = 1\nfocus = 0\n"
                    "spread = 0\n"),
            "m.toml, line 3: focus and spread in [plan] are both 0; expected at least 1 cycle a "
            "stage.");
}

}  // namespace
}  // namespace quorvale
