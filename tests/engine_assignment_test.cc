// Dealing and evaluation: the worked deals and scores, group sizes under every TypeMode, persons
// left undealt, and evaluation as a pure function of the grouping.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "console/screen.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "tests/support/problem_text.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

std::string ExampleWithTypeMode(int type_mode) {
  return "6 4 " + std::to_string(type_mode) + " 2 2 3 2 1";
}

std::vector<int32_t> Persons(const std::vector<int32_t>& table) {
  return std::vector<int32_t>(table.begin() + 1, table.end());
}

TEST(DealTest, ExampleDealsAndScoresForEachTypeMode) {
  Problem in_turn = test::PreparedProblem(ExampleWithTypeMode(1), test::kExampleData);
  EXPECT_EQ(Persons(in_turn.Assignment), (std::vector<int32_t>{1, 2, 2, 1, 1, 2}));
  EXPECT_EQ(Persons(in_turn.PersonConflict), (std::vector<int32_t>{50, 50, 50, 50, 0, 0}));
  EXPECT_EQ(in_turn.CurrentScore, 100);
  EXPECT_EQ(in_turn.ConflictDensity, 23);
  EXPECT_EQ(in_turn.TotalCycles, 18);
  EXPECT_EQ(in_turn.BestScore, 100);
  EXPECT_EQ(in_turn.BestAssignment, in_turn.Assignment);
  EXPECT_EQ(in_turn.BestPersonConflict, in_turn.PersonConflict);
  const int table[6][2] = {{50, 150}, {100, 50}, {100, 50}, {50, 150}, {0, 100}, {200, 0}};
  for (int p = 1; p <= 6; ++p) {
    EXPECT_EQ(in_turn.GroupConflictTable(p, 0), 0);
    EXPECT_EQ(in_turn.GroupConflictTable(p, 1), table[p - 1][0]) << "person " << p;
    EXPECT_EQ(in_turn.GroupConflictTable(p, 2), table[p - 1][1]) << "person " << p;
  }

  Problem blocks = test::PreparedProblem(ExampleWithTypeMode(2), test::kExampleData);
  EXPECT_EQ(Persons(blocks.Assignment), (std::vector<int32_t>{1, 1, 2, 2, 1, 2}));
  EXPECT_EQ(blocks.CurrentScore, 250);

  Problem one_type = test::PreparedProblem(ExampleWithTypeMode(3), test::kExampleData);
  EXPECT_EQ(Persons(one_type.Assignment), (std::vector<int32_t>{1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(one_type.CurrentScore, 50);
  for (int p = 1; p <= 6; ++p) EXPECT_EQ(one_type.Type(p), 1);
}

TEST(DealTest, TenPersonsInThreeGroups) {
  const std::string data =
      "0 0  1 1  2 1  3 2  4 1  5 2  6 1  7 1  8 2  9 1  10 2";  // two columns: no attributes
  const std::map<int, std::vector<int32_t>> expected = {
      {1, {1, 2, 1, 3, 2, 1, 2, 3, 3, 1}},
      {2, {1, 1, 2, 1, 3, 1, 2, 3, 2, 3}},
      {3, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1}},
      {7, {1, 2, 1, 3, 2, 1, 2, 3, 3, 1}},  // any other TypeMode deals in turn
  };
  for (const auto& [mode, groups] : expected) {
    Problem p = test::PreparedProblem("10 2 " + std::to_string(mode) + " 3 1 1 1 0", data);
    EXPECT_EQ(Persons(p.Assignment), groups) << "TypeMode " << mode;
  }
}

TEST(DealTest, OtherTypesStayUndealtAndTheirMutualWeightsCount) {
  // Persons 2 and 3 have type 5: never dealt, both in group 0, their pair weight counts.
  Problem p = test::PreparedProblem("4 3 1 2 1 1 1 0", "0 0 100  1 1 1  2 5 2  3 5 2  4 1 1");
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{1, 0, 0, 2}));
  EXPECT_EQ(p.PersonConflict[2], 100);
  EXPECT_EQ(p.GroupConflictTable(1, 2), 100);  // persons 1 and 4 share code 1
  EXPECT_EQ(p.CurrentScore, 100);
}

TEST(DealTest, GroupSizesAreTheDealtOnesUnderEveryTypeMode) {
  for (uint32_t seed = 1; seed <= 80; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 40);
    shape.other_types = false;
    const Problem p = test::MakeRandomProblem(seed, shape);
    std::vector<int> sizes(static_cast<size_t>(p.GroupCount) + 1, 0);
    for (int i = 1; i <= p.PersonCount; ++i) ++sizes[static_cast<size_t>(p.Assignment[i])];
    EXPECT_EQ(sizes[0], 0);
    for (int g = 1; g <= p.GroupCount; ++g) {
      const int expected = p.BaseGroupSize + (g <= p.LargeGroupCount ? 1 : 0);
      EXPECT_EQ(sizes[static_cast<size_t>(g)], expected)
          << "seed " << seed << " group " << g << " TypeMode " << shape.type_mode;
    }
  }
}

TEST(EvaluateTest, FourPersonWorkedEvaluation) {
  Problem p = test::ProblemFromText("4 2 3 2 1 1 1 0", "0 0 1 1 2 1 3 1 4 1");
  p.ConflictMatrix(1, 2) = p.ConflictMatrix(2, 1) = 100;
  p.ConflictMatrix(1, 3) = p.ConflictMatrix(3, 1) = -50;
  p.Assignment = {0, 1, 1, 2, 2};
  EXPECT_EQ(EvaluateAssignment(p), 100);
  EXPECT_EQ(p.GroupConflictTable(1, 1), 100);
  EXPECT_EQ(p.GroupConflictTable(1, 2), -50);
  EXPECT_EQ(p.GroupConflictTable(2, 1), 100);
  EXPECT_EQ(p.GroupConflictTable(3, 1), -50);
  EXPECT_EQ(p.GroupConflictTable(4, 1), 0);
  EXPECT_EQ(Persons(p.PersonConflict), (std::vector<int32_t>{100, 100, 0, 0}));
  EXPECT_EQ(CountNonZeroPairs(p), 2);
}

TEST(EvaluateTest, EvaluationDependsOnlyOnTheGrouping) {
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    Problem p = test::MakeRandomProblem(seed, test::RandomShape(seed, 40));
    // Leave stale values behind, as a descent or scramble would, then evaluate again.
    const std::vector<int32_t> conflicts = p.PersonConflict;
    const int64_t score = p.CurrentScore;
    std::vector<int32_t> table(p.GroupConflictTable.data(),
                               p.GroupConflictTable.data() + p.GroupConflictTable.size());
    p.PersonConflict.assign(p.PersonConflict.size(), 12345);
    p.GroupConflictTable.Row(1)[0] = 999;
    EXPECT_EQ(EvaluateAssignment(p), score);
    EXPECT_EQ(p.PersonConflict, conflicts);
    EXPECT_TRUE(std::equal(table.begin(), table.end(), p.GroupConflictTable.data()));
  }
}

}  // namespace
}  // namespace quorvale
