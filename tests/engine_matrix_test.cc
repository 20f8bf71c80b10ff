// Conflict matrix, Target Score, per-column figures, dealing and evaluation: the worked examples,
// the 16-bit edges, every kernel level against a pair-by-pair recount, and properties on random
// instances.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/column_figures.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "tests/support/problem_text.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

std::vector<int32_t> Persons(const std::vector<int32_t>& table) {
  return std::vector<int32_t>(table.begin() + 1, table.end());
}

TEST(BoundTermsTest, WorkedTerms) {
  // N = 10, G = 3: sizes 4, 3, 3. N = 9: no larger group. More groups than persons: M = 0.
  EXPECT_EQ(MinSpreadPairs(5, 3), 2);
  EXPECT_EQ(MinSpreadPairs(3, 3), 0);
  const int64_t packed[][4] = {
      {3, 3, 1, 3}, {5, 3, 1, 6}, {4, 3, 1, 6}, {4, 3, 0, 3}, {5, 0, 5, 0}};
  for (const auto& [holders, m, r, pairs] : packed) EXPECT_EQ(MaxPackedPairs(holders, m, r), pairs);
  // The fewest groups that hold them, the large groups filled first.
  const int64_t fewest[][4] = {
      {0, 3, 1, 0}, {4, 3, 1, 1}, {5, 3, 1, 2}, {8, 3, 1, 3}, {6, 3, 0, 2}};
  for (const auto& [holders, m, r, groups] : fewest) {
    EXPECT_EQ(FewestGroupsFor(holders, m, r), groups) << holders << " " << m << " " << r;
  }
}

TEST(ConflictMatrixTest, ExampleDataAndTheSixteenBitEdges) {
  Problem p = test::ProblemFromText(test::kExampleParameters, test::kExampleData);
  ASSERT_TRUE(BuildConflictMatrix(p).ok());
  EXPECT_EQ(std::tuple(p.TargetScore, p.ShownTargetScore, CountNonZeroPairs(p)),
            std::tuple(50, 0.5f, 7));
  // Persons 1 and 2 share the codes of every column; the weights add up to their total.
  const std::string persons = " 1 1 1 1 1 2 1 1 1 1 3 2 0 0 0 4 2 0 0 0 5 1 0 0 0";
  const std::pair<std::string, int> kTotals[] = {
      {"0 0 32000 767 0", 32767}, {"0 0 -32000 -768 0", -32768}, {"0 0 30000 30000 -30000", 30000}};
  for (const auto& [weights, total] : kTotals) {
    Problem edge = test::ProblemFromText("5 5 1 2 1 1 1 0", weights + persons);
    ASSERT_TRUE(BuildConflictMatrix(edge).ok()) << weights;
    EXPECT_EQ(edge.ConflictMatrix(1, 2), total);
  }
  Problem beyond = test::ProblemFromText("5 5 1 2 1 1 1 0", "0 0 32000 768 0" + persons);
  EXPECT_EQ(BuildConflictMatrix(beyond).message(),
            "Persons 1 and 2 share categories whose weights add up to 32768, but a pair's total "
            "weight must lie between -32768 and 32767. Lower the column weights in data.txt.");
}

// A pair's total weight added up pair by pair from the data as it was read: a shared code
// counts unless more than half of the persons hold it; two persons without such a code count.
// `majority[col]`: the code more than half of the persons hold, or 0.
int64_t PairTotal(const Problem& data, const std::vector<int>& majority, int k, int j) {
  int64_t total = 0;
  for (int col = 2; col < data.ColumnCount(); ++col) {
    const int32_t a = data.DataTable(k, col);
    const int32_t b = data.DataTable(j, col);
    const int m = majority[static_cast<size_t>(col)];
    if (a > 0 && a == b && a != m) total += data.DataTable(0, col);
    if (m != 0 && a != m && b != m) total += data.DataTable(0, col);
  }
  return total;
}

TEST(ConflictMatrixTest, EveryLevelBuildsThePairTotalsOrNamesTheFirstPairBeyondTheRange) {
  // Sizes around whole vectors of 8 and 16 persons, so that every tail is met; few codes, so
  // that shared and majority codes are common; weights of 0, of a few thousand, and so large
  // that some pairs leave the 16-bit range.
  int refused = 0;
  for (uint32_t seed = 1; seed <= 90; ++seed) {
    std::mt19937 rng(seed);
    const int n = 2 + static_cast<int>(rng() % 70);
    const bool large = seed % 3 == 0 && seed % 7 != 0;
    const int max_weight = seed % 7 == 0 ? 0 : large ? 30000 : 4000;
    const int columns = large ? 4 : static_cast<int>(rng() % 5);
    std::string data = "0 0";
    std::vector<int> codes;
    for (int col = 0; col < columns; ++col) {
      data += " " + std::to_string(static_cast<int>(rng() % (2u * max_weight + 1)) - max_weight);
      codes.push_back(std::min(n, 1 + static_cast<int>(rng() % (large ? 2 : 6))));
    }
    for (int i = 1; i <= n; ++i) {
      data += " " + std::to_string(i) + " " + std::to_string(1 + rng() % 2);
      for (const int c : codes) data += " " + std::to_string(static_cast<int>(rng() % (c + 2)) - 1);
    }
    const std::string parameters =
        std::to_string(n) + " " + std::to_string(columns + 2) + " 1 3 1 1 1 0";
    const Problem original = test::ProblemFromText(parameters, data);
    std::vector<int> majority(static_cast<size_t>(columns) + 2, 0);
    for (int col = 2; col < columns + 2; ++col) {
      std::vector<int> holders(static_cast<size_t>(n) + 2, 0);
      for (int i = 1; i <= n; ++i) {
        const int32_t code = original.DataTable(i, col);
        if (code > 0 && ++holders[static_cast<size_t>(code)] > n / 2) majority[col] = code;
      }
    }
    std::string first_beyond;
    int64_t non_zero = 0;
    for (int k = 1; k < n && first_beyond.empty(); ++k) {
      for (int j = k + 1; j <= n && first_beyond.empty(); ++j) {
        const int64_t total = PairTotal(original, majority, k, j);
        non_zero += total != 0;
        if (total < -32768 || total > 32767) {
          first_beyond = "Persons " + std::to_string(k) + " and " + std::to_string(j) +
                         " share categories whose weights add up to " + std::to_string(total) + ",";
        }
      }
    }
    refused += !first_beyond.empty();
    for (const KernelLevel level :
         {KernelLevel::kPlain, KernelLevel::kPortable, KernelLevel::kAvx2, KernelLevel::kAvx512}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " level " << KernelLevelName(level));
      Problem p = test::ProblemFromText(parameters, data);
      const Status status = BuildConflictMatrix(p, level);
      ASSERT_EQ(status.ok(), first_beyond.empty()) << status.message();
      EXPECT_EQ(status.message().substr(0, first_beyond.size()), first_beyond);
      if (!status.ok()) continue;
      EXPECT_EQ(p.NonZeroPairs, non_zero);
      for (int k = 0; k <= n; ++k) {
        EXPECT_EQ(p.ConflictMatrix(k, k) | p.ConflictMatrix(0, k) | p.ConflictMatrix(k, 0), 0);
        for (int j = k + 1; j <= n && k > 0; ++j) {
          ASSERT_EQ(p.ConflictMatrix(k, j), PairTotal(original, majority, k, j)) << k << "," << j;
          ASSERT_EQ(p.ConflictMatrix(j, k), p.ConflictMatrix(k, j));
        }
      }
    }
  }
  EXPECT_GT(refused, 5);
  EXPECT_LT(refused, 40);
}

TEST(DealTest, WorkedDealsAndScores) {
  Problem in_turn = test::PreparedProblem(test::kExampleParameters, test::kExampleData);
  EXPECT_EQ(Persons(in_turn.Assignment), (std::vector<int32_t>{1, 2, 2, 1, 1, 2}));
  EXPECT_EQ(Persons(in_turn.PersonConflict), (std::vector<int32_t>{50, 50, 50, 50, 0, 0}));
  EXPECT_EQ(in_turn.GroupConflictTable(6, 1), 200);
  EXPECT_EQ(in_turn.CurrentScore, 100);
  EXPECT_EQ(in_turn.BestScore, 100);
  EXPECT_EQ(in_turn.ConflictDensity, 23);
  EXPECT_EQ(in_turn.TotalCycles, 18);
  EXPECT_EQ(test::PreparedProblem("6 4 2 2 2 3 2 1", test::kExampleData).CurrentScore, 250);
  EXPECT_EQ(test::PreparedProblem("6 4 3 2 2 3 2 1", test::kExampleData).CurrentScore, 50);
  // Ten persons in three groups; persons 2 and 3 of type 7 stay undealt under TypeMode 1.
  const std::string ten = "0 0 1 1 2 1 3 2 4 1 5 2 6 1 7 1 8 2 9 1 10 2";
  const std::vector<std::vector<int32_t>> groups = {{1, 2, 1, 3, 2, 1, 2, 3, 3, 1},
                                                    {1, 1, 2, 1, 3, 1, 2, 3, 2, 3},
                                                    {1, 2, 3, 1, 2, 3, 1, 2, 3, 1}};
  for (int mode = 1; mode <= 3; ++mode) {
    Problem p = test::PreparedProblem("10 2 " + std::to_string(mode) + " 3 1 1 1 0", ten);
    EXPECT_EQ(Persons(p.Assignment), groups[static_cast<size_t>(mode - 1)]) << "TypeMode " << mode;
  }
  Problem undealt = test::PreparedProblem("4 3 1 2 1 1 1 0", "0 0 100 1 1 1 2 7 2 3 7 2 4 1 1");
  EXPECT_EQ(Persons(undealt.Assignment), (std::vector<int32_t>{1, 0, 0, 2}));
  EXPECT_EQ(undealt.CurrentScore, 100);  // the undealt pair shares group 0
}

TEST(ColumnFiguresTest, WorkedMajorityAndPackedColumn) {
  // Column 2 spreads (code 1 is held by 4 of 6 and turned around: persons 5 and 6 share it as
  // non-holders and also share code 2); column 3 packs code 1 (3 holders) and code 2 (2 holders).
  Problem p = test::PreparedProblem(
      "6 4 3 2 1 1 1 0", "0 0 100 -50  1 1 1 1  2 1 1 1  3 1 1 1  4 1 1 2  5 1 2 2  6 1 2 0");
  ASSERT_EQ(p.ColumnBounds.size(), 4u);
  EXPECT_EQ(p.ColumnBounds[2].majority_code, 1);
  EXPECT_EQ(p.ColumnBounds[2].majority_holder, (std::vector<uint8_t>{0, 1, 1, 1, 1, 0, 0}));
  EXPECT_EQ(p.ColumnBounds[2].least, 0);
  EXPECT_EQ(p.ColumnBounds[3].majority_code, 0);
  EXPECT_EQ(p.ColumnBounds[3].least, -200);  // 3 + 1 packed pairs at -50
  EXPECT_EQ(p.TargetScore, -200);
  const Engine engine(SupportedKernelLevel());
  p.Assignment = {0, 1, 1, 1, 2, 2, 2};
  EXPECT_EQ(EvaluateAssignment(p, engine), 0);
  EXPECT_EQ(ColumnContributions(p, p.Assignment), (std::vector<int64_t>{0, 0, 200, -200}));
  // Persons never dealt (group 0) count among themselves, as the evaluation counts them.
  p.Assignment = {0, 1, 1, 2, 2, 0, 0};
  EXPECT_EQ(EvaluateAssignment(p, engine), 150);
  EXPECT_EQ(ColumnContributions(p, p.Assignment), (std::vector<int64_t>{0, 0, 200, -50}));
}

TEST(ConflictMatrixTest, RandomInstancesKeepTheirInvariants) {
  // The columns' least terms add up to the Target Score and their contributions to a full
  // evaluation's score; where everyone is dealt, the deal gives the bound's group sizes and no
  // grouping beats the Target Score.
  std::mt19937 rng(7);
  const Engine engine(SupportedKernelLevel());
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    const test::RandomProblemShape shape = test::RandomShape(seed, 30);
    Problem p = test::MakeRandomProblem(seed, shape);
    std::vector<int> sizes(static_cast<size_t>(p.GroupCount()) + 1, 0);
    for (int i = 1; i <= p.PersonCount(); ++i) ++sizes[static_cast<size_t>(p.Assignment[i])];
    for (int g = 1; g <= p.GroupCount() && !shape.other_types; ++g) {
      EXPECT_EQ(sizes[static_cast<size_t>(g)], p.BaseGroupSize + (g <= p.LargeGroupCount));
    }
    int64_t least = 0;
    for (const ColumnBound& bound : p.ColumnBounds) least += bound.least;
    EXPECT_EQ(least, p.TargetScore) << "seed " << seed;
    for (int trial = 0; trial < 100; ++trial) {
      std::shuffle(p.Assignment.begin() + 1, p.Assignment.end(), rng);
      const int64_t score = EvaluateAssignment(p, engine);
      ASSERT_TRUE(shape.other_types || score >= p.TargetScore) << "seed " << seed;
      const std::vector<int64_t> parts = ColumnContributions(p, p.Assignment);
      ASSERT_EQ(std::accumulate(parts.begin(), parts.end(), int64_t{0}), score) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace quorvale
