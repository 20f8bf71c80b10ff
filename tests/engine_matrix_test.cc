// Conflict matrix, Target Score, dealing and evaluation: the worked examples, the 16-bit edges,
// and properties on random instances.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "engine/plain_matrix.h"
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
  EXPECT_EQ(MaxPackedPairs(3, 3, 1), 3);
  EXPECT_EQ(MaxPackedPairs(5, 3, 1), 6);
  EXPECT_EQ(MaxPackedPairs(4, 3, 1), 6);
  EXPECT_EQ(MaxPackedPairs(4, 3, 0), 3);
  EXPECT_EQ(MaxPackedPairs(5, 0, 5), 0);
}

TEST(ConflictMatrixTest, ExampleData) {
  Problem p = test::ProblemFromText(test::kExampleParameters, test::kExampleData);
  ASSERT_TRUE(BuildConflictMatrix(p).ok());
  EXPECT_EQ(p.TargetScore, 50);
  const int expected[][3] = {{1, 2, 100}, {3, 4, 100}, {5, 6, 100}, {2, 3, 50},
                             {1, 4, 50},  {1, 6, 50},  {4, 6, 50}};
  for (const auto& e : expected) {
    EXPECT_EQ(p.ConflictMatrix(e[0], e[1]), e[2]);
    EXPECT_EQ(p.ConflictMatrix(e[1], e[0]), e[2]);
  }
  EXPECT_EQ(CountNonZeroPairs(p), 7);
  EXPECT_EQ(p.ShownTargetScore, 0.5f);
}

TEST(ConflictMatrixTest, MajorityCodeIsInvertedToItsNonHolders) {
  // Code 1 is held by 4 of 6 persons (more than half); code 2 by persons 5 and 6.
  Problem p =
      test::ProblemFromText("6 3 1 2 1 1 1 0", "0 0 100 1 1 1 2 1 1 3 1 1 4 1 1 5 1 2 6 1 2");
  ASSERT_TRUE(BuildConflictMatrix(p).ok());
  EXPECT_EQ(p.TargetScore, 0);
  EXPECT_EQ(p.ConflictMatrix(5, 6), 200);  // shared code 2 and both non-holders
  EXPECT_EQ(CountNonZeroPairs(p), 1);
}

TEST(ConflictMatrixTest, PairTotalsAtAndBeyondTheSixteenBitEdges) {
  const std::string persons = " 1 1 1 1 2 1 1 1 3 2 0 0 4 2 0 0 5 1 0 0";
  for (const auto& [weights, total] :
       {std::pair{"0 0 32000 767", 32767}, std::pair{"0 0 -32000 -768", -32768}}) {
    Problem p = test::ProblemFromText("5 4 1 2 1 1 1 0", weights + persons);
    ASSERT_TRUE(BuildConflictMatrix(p).ok());
    EXPECT_EQ(p.ConflictMatrix(1, 2), total);
  }
  Problem passing = test::ProblemFromText("5 5 1 2 1 1 1 0",  // 30000 + 30000 - 30000
                                          "0 0 30000 30000 -30000 1 1 1 1 1 2 1 1 1 1 3 2 0 0 0 "
                                          "4 2 0 0 0 5 1 0 0 0");
  ASSERT_TRUE(BuildConflictMatrix(passing).ok());
  EXPECT_EQ(passing.ConflictMatrix(1, 2), 30000);
  Problem beyond = test::ProblemFromText("5 4 1 2 1 1 1 0", "0 0 32000 768" + persons);
  EXPECT_EQ(BuildConflictMatrix(beyond).message(),
            "Persons 1 and 2 share categories whose weights add up to 32768, but a pair's total "
            "weight must lie between -32768 and 32767. Lower the column weights in data.txt.");
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

// A pair's total weight added up pair by pair from the data as it was read: a shared code
// counts unless more than half of the persons hold it; two persons without such a code count.
int64_t PairTotal(const Problem& data, int k, int j) {
  const int n = data.PersonCount();
  int64_t total = 0;
  for (int col = 2; col < data.ColumnCount(); ++col) {
    const int32_t a = data.DataTable(k, col);
    const int32_t b = data.DataTable(j, col);
    int majority = 0;
    for (int v = 1; v <= n && majority == 0; ++v) {
      int holders = 0;
      for (int i = 1; i <= n; ++i) holders += data.DataTable(i, col) == v;
      if (holders > n / 2) majority = v;
    }
    if (a > 0 && a == b && a != majority) total += data.DataTable(0, col);
    if (majority != 0 && a != majority && b != majority) total += data.DataTable(0, col);
  }
  return total;
}

TEST(ConflictMatrixTest, LargeWeightsAreCheckedPairByPair) {
  // Weights whose totals may leave the 16-bit range: the matrix holds every pair's total, or
  // the first pair out of range, row by row, is named.
  int refused = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    const int n = 12 + static_cast<int>(seed % 9);
    std::string data = "0 0";
    for (int col = 0; col < 4; ++col) {
      data += " " + std::to_string(static_cast<int>(rng() % 40001) - 20000);
    }
    for (int i = 1; i <= n; ++i) {
      data += " " + std::to_string(i) + " 1";
      for (int col = 0; col < 4; ++col) data += " " + std::to_string(rng() % (col == 0 ? 2 : 5));
    }
    const std::string parameters = std::to_string(n) + " 6 1 3 1 1 1 0";
    const Problem original = test::ProblemFromText(parameters, data);
    Problem p = test::ProblemFromText(parameters, data);
    const Status status = BuildConflictMatrix(p);
    std::string first_beyond;
    for (int k = 1; k < n && first_beyond.empty(); ++k) {
      for (int j = k + 1; j <= n && first_beyond.empty(); ++j) {
        const int64_t total = PairTotal(original, k, j);
        if (total < -32768 || total > 32767) {
          first_beyond = "Persons " + std::to_string(k) + " and " + std::to_string(j) +
                         " share categories whose weights add up to " + std::to_string(total);
        } else if (status.ok()) {
          ASSERT_EQ(p.ConflictMatrix(k, j), total) << "seed " << seed << " pair " << k << "," << j;
          ASSERT_EQ(p.ConflictMatrix(j, k), total);
        }
      }
    }
    EXPECT_EQ(status.message().substr(0, first_beyond.size()), first_beyond) << "seed " << seed;
    refused += !status.ok();
  }
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, 40);
}

// Random data text: `columns` attribute columns with weights up to `max_weight` in magnitude and
// few codes, so that shared and majority codes are common; codes of 0 and -1 are no category.
std::string RandomData(std::mt19937& rng, int n, int columns, int max_weight) {
  std::string data = "0 0";
  std::vector<int> codes;
  for (int col = 0; col < columns; ++col) {
    data += " " + std::to_string(static_cast<int>(rng() % (2u * max_weight + 1)) - max_weight);
    codes.push_back(std::min(n, 1 + static_cast<int>(rng() % 6)));
  }
  for (int i = 1; i <= n; ++i) {
    data += " " + std::to_string(i) + " " + std::to_string(1 + rng() % 2);
    for (int col = 0; col < columns; ++col) {
      data += " " + std::to_string(static_cast<int>(rng() % (codes[col] + 2)) - 1);
    }
  }
  return data;
}

TEST(ConflictMatrixTest, RowBuildAtEveryLevelEqualsTheColumnBuild) {
  // Sizes around whole vectors of 8 and 16 persons, so that every tail is met; a column of
  // weight 0 now and then.
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    std::mt19937 rng(seed);
    const int n = 2 + static_cast<int>(rng() % 70);
    const int columns = static_cast<int>(rng() % 5);
    const std::string parameters =
        std::to_string(n) + " " + std::to_string(columns + 2) + " 1 3 1 1 1 0";
    const std::string data = RandomData(rng, n, columns, seed % 7 == 0 ? 0 : 4000);
    Problem straight = test::ProblemFromText(parameters, data);
    const int64_t non_zero = PlainBuildMatrix(straight);
    std::vector<Problem> built;
    for (const KernelLevel level :
         {KernelLevel::kPlain, KernelLevel::kPortable, KernelLevel::kAvx2, KernelLevel::kAvx512}) {
      built.push_back(test::ProblemFromText(parameters, data));
      Problem& p = built.back();
      ASSERT_TRUE(BuildConflictMatrix(p, level).ok());
      ASSERT_TRUE(std::equal(p.ConflictMatrix.data(),
                             p.ConflictMatrix.data() + p.ConflictMatrix.size(),
                             straight.ConflictMatrix.data()))
          << "seed " << seed << " level " << KernelLevelName(level);
      EXPECT_EQ(p.NonZeroPairs, non_zero) << "seed " << seed;
      EXPECT_EQ(p.TargetScore, built.front().TargetScore);
      for (int col = 2; col < columns + 2; ++col) {
        const auto at = static_cast<size_t>(col);
        EXPECT_EQ(p.ColumnBounds[at].least, built.front().ColumnBounds[at].least);
        EXPECT_EQ(p.ColumnBounds[at].majority_holder,
                  built.front().ColumnBounds[at].majority_holder);
      }
    }
  }
}

TEST(ConflictMatrixTest, FirstPairBeyondTheRangeIsNamedAtEveryLevel) {
  // Persons 3 and 9 are the only pair whose codes add 20000 twice over; every earlier pair is
  // in range, and so the first pair named is the same whichever kernel builds the rows.
  std::string data = "0 0 20000 20000 -100";
  for (int i = 1; i <= 20; ++i) {
    const bool pair = i == 3 || i == 9;
    data += " " + std::to_string(i) + " 1 " + (pair ? "7 7 " : std::to_string(i) + " 0 ") +
            std::to_string(i % 2);
  }
  for (const KernelLevel level :
       {KernelLevel::kPortable, KernelLevel::kAvx2, KernelLevel::kAvx512}) {
    Problem p = test::ProblemFromText("20 5 1 2 1 1 1 0", data);
    const std::string named = "Persons 3 and 9 share categories whose weights add up to 39900,";
    EXPECT_EQ(BuildConflictMatrix(p, level).message().substr(0, named.size()), named)
        << KernelLevelName(level);
  }
}

TEST(EvaluateTest, FourPersonWorkedEvaluation) {
  Problem p = test::ProblemFromText("4 2 3 2 1 1 1 0", "0 0 1 1 2 1 3 1 4 1");
  p.ConflictMatrix(1, 2) = p.ConflictMatrix(2, 1) = 100;
  p.ConflictMatrix(1, 3) = p.ConflictMatrix(3, 1) = -50;
  p.Assignment = {0, 1, 1, 2, 2};
  Engine engine(SupportedKernelLevel());
  EXPECT_EQ(EvaluateAssignment(p, engine), 100);
  EXPECT_EQ(p.GroupConflictTable(1, 2), -50);
  EXPECT_EQ(p.GroupConflictTable(3, 1), -50);
  EXPECT_EQ(Persons(p.PersonConflict), (std::vector<int32_t>{100, 100, 0, 0}));
}

TEST(ConflictMatrixTest, RandomInstancesKeepTheirInvariants) {
  std::mt19937 rng(7);
  Engine engine(SupportedKernelLevel());
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 14);
    shape.other_types = false;  // everyone is dealt, so the group sizes are the bound's
    Problem p = test::MakeRandomProblem(seed, shape);
    std::vector<int> sizes(static_cast<size_t>(p.GroupCount()) + 1, 0);
    for (int i = 1; i <= p.PersonCount(); ++i) ++sizes[static_cast<size_t>(p.Assignment[i])];
    for (int g = 1; g <= p.GroupCount(); ++g) {
      EXPECT_EQ(sizes[static_cast<size_t>(g)], p.BaseGroupSize + (g <= p.LargeGroupCount));
    }
    for (int k = 0; k <= p.PersonCount(); ++k) {
      EXPECT_EQ(p.ConflictMatrix(k, k) | p.ConflictMatrix(0, k), 0);
      for (int j = 0; j < k; ++j) ASSERT_EQ(p.ConflictMatrix(k, j), p.ConflictMatrix(j, k));
    }
    for (int trial = 0; trial < 100; ++trial) {
      std::shuffle(p.Assignment.begin() + 1, p.Assignment.end(), rng);
      ASSERT_GE(EvaluateAssignment(p, engine), p.TargetScore) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace quorvale
