// Conflict matrix and Target Score: the worked bound terms and columns, inversion, the 16-bit
// edges, and the bound holding against real groupings.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "console/screen.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "tests/support/problem_text.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

using test::ProblemFromText;

TEST(BoundTermsTest, WorkedTermsForTenPersonsInThreeGroups) {
  // M = 3, R = 1: group sizes 4, 3 and 3.
  EXPECT_EQ(MinSpreadPairs(5, 3), 2);
  EXPECT_EQ(MinSpreadPairs(3, 3), 0);
  EXPECT_EQ(MaxPackedPairs(3, 3, 1), 3);
  EXPECT_EQ(MaxPackedPairs(5, 3, 1), 6);
  EXPECT_EQ(MaxPackedPairs(4, 3, 1), 6);
  // N = 9, G = 3: no larger groups at all.
  EXPECT_EQ(MaxPackedPairs(4, 3, 0), 3);
  EXPECT_EQ(MinSpreadPairs(7, 2), 3 * 4 / 2 + 4 * 3 / 2 - 6 + 3);  // 4 + 3 spread: 6 + 3
}

TEST(BoundTermsTest, MoreGroupsThanPersonsPacksNothing) {
  // Five persons in eight groups: every group holds at most one person.
  EXPECT_EQ(MaxPackedPairs(5, 0, 5), 0);
  EXPECT_EQ(MaxPackedPairs(2, 0, 5), 0);
  EXPECT_EQ(MinSpreadPairs(5, 8), 0);
}

TEST(ConflictMatrixTest, ExampleDataGivesTargetAndPairWeights) {
  Problem p = ProblemFromText(test::kExampleParameters, test::kExampleData);
  Screen screen;
  screen.SetAttribute(kWhiteOnGreen);  // as the console set-up leaves it
  ASSERT_TRUE(BuildConflictMatrix(p, screen).ok());
  EXPECT_EQ(p.TargetScore, 50);
  EXPECT_EQ(p.BaseGroupSize, 3);
  EXPECT_EQ(p.LargeGroupCount, 0);
  const int expected[][3] = {{1, 2, 100}, {3, 4, 100}, {5, 6, 100}, {2, 3, 50},
                             {1, 4, 50},  {1, 6, 50},  {4, 6, 50}};
  int nonzero = 0;
  for (int k = 0; k <= 6; ++k) {
    for (int j = 0; j <= 6; ++j) nonzero += p.ConflictMatrix(k, j) != 0;
  }
  EXPECT_EQ(nonzero, 14);
  for (const auto& e : expected) {
    EXPECT_EQ(p.ConflictMatrix(e[0], e[1]), e[2]) << e[0] << "," << e[1];
    EXPECT_EQ(p.ConflictMatrix(e[1], e[0]), e[2]) << e[1] << "," << e[0];
  }
  EXPECT_EQ(screen.TextAt(1, 8, 20), "<Target Score>: 0.50");
  EXPECT_EQ(screen.At(1, 8).attribute, kCyanOnGreen);
  EXPECT_EQ(screen.TextAt(1, 6, 13), "Searching... ");
  EXPECT_EQ(screen.At(1, 6).attribute, kWhiteOnGreen);
  EXPECT_EQ(screen.attribute(), kWhiteOnGreen);
}

TEST(ConflictMatrixTest, MajorityCodeIsInvertedToItsNonHolders) {
  // One column of weight 100; code 1 is held by 4 of 6 persons.
  Problem p =
      ProblemFromText("6 3 1 2 1 1 1 0", "0 0 100  1 1 1  2 1 1  3 1 1  4 1 1  5 1 2  6 1 2");
  Screen screen;
  ASSERT_TRUE(BuildConflictMatrix(p, screen).ok());
  EXPECT_EQ(p.TargetScore, 0);
  EXPECT_EQ(p.ConflictMatrix(5, 6), 200);
  EXPECT_EQ(p.ConflictMatrix(6, 5), 200);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(p.DataTable(i, 2), 0);
  int nonzero = 0;
  for (int k = 1; k <= 6; ++k) {
    for (int j = 1; j <= 6; ++j) nonzero += p.ConflictMatrix(k, j) != 0;
  }
  EXPECT_EQ(nonzero, 2);
}

TEST(ConflictMatrixTest, InversionThresholdIsStrictlyMoreThanHalf) {
  // N = 4: a code held by 2 stays, a code held by 3 is inverted (its holders lose it and the one
  // non-holder has nobody to conflict with).
  Problem kept = ProblemFromText("4 3 1 2 1 1 1 0", "0 0 10  1 1 1  2 1 1  3 1 2  4 1 2");
  Problem inverted = ProblemFromText("4 3 1 2 1 1 1 0", "0 0 10  1 1 1  2 1 1  3 1 1  4 1 2");
  Screen screen;
  ASSERT_TRUE(BuildConflictMatrix(kept, screen).ok());
  ASSERT_TRUE(BuildConflictMatrix(inverted, screen).ok());
  EXPECT_EQ(kept.ConflictMatrix(1, 2), 10);
  EXPECT_EQ(kept.ConflictMatrix(3, 4), 10);
  for (int k = 1; k <= 4; ++k) {
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(inverted.ConflictMatrix(k, j), 0);
  }
}

TEST(ConflictMatrixTest, NoAttributeColumnShowsZeroTarget) {
  Problem p = ProblemFromText("3 2 1 2 1 1 1 0", "0 0  1 1  2 2  3 1");
  Screen screen;
  ASSERT_TRUE(BuildConflictMatrix(p, screen).ok());
  EXPECT_EQ(p.TargetScore, 0);
  EXPECT_EQ(screen.TextAt(1, 8, 20), "<Target Score>: 0.00");
}

TEST(ConflictMatrixTest, PairTotalsAtTheSixteenBitEdgesAreKeptExactly) {
  // Two columns that persons 1 and 2 share: 32000 + 767 = 32767, and -32000 - 768 = -32768.
  const char* persons = "  1 1 1 1  2 1 1 1  3 2 0 0  4 2 0 0  5 1 0 0";
  Problem high = ProblemFromText("5 4 1 2 1 1 1 0", std::string("0 0 32000 767") + persons);
  Problem low = ProblemFromText("5 4 1 2 1 1 1 0", std::string("0 0 -32000 -768") + persons);
  Screen screen;
  ASSERT_TRUE(BuildConflictMatrix(high, screen).ok());
  ASSERT_TRUE(BuildConflictMatrix(low, screen).ok());
  EXPECT_EQ(high.ConflictMatrix(1, 2), 32767);
  EXPECT_EQ(low.ConflictMatrix(2, 1), -32768);
}

TEST(ConflictMatrixTest, PairTotalBeyondSixteenBitsIsRefusedNamingThePair) {
  Problem p =
      ProblemFromText("4 4 1 2 1 1 1 0", "0 0 32000 768  1 1 1 0  2 1 2 1  3 2 0 0  4 2 2 1");
  Screen screen;
  const Status status = BuildConflictMatrix(p, screen);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.message(),
            "Persons 2 and 4 share categories whose weights add up to 32768, but a pair's total "
            "weight must lie between -32768 and 32767. Lower the column weights in data.txt.");
  // The target line is not shown for a refused input.
  EXPECT_EQ(screen.TextAt(1, 8, 6), "      ");
}

TEST(ConflictMatrixTest, TotalsThatOnlyPassThroughTheEdgeAreFine) {
  // 30000 + 30000 - 30000: the running total leaves the range, the final one does not.
  Problem p = ProblemFromText("5 5 1 2 1 1 1 0",
                              "0 0 30000 30000 -30000  1 1 1 1 1  2 1 1 1 1  3 2 0 0 0  4 2 0 0 0"
                              "  5 1 0 0 0");
  Screen screen;
  ASSERT_TRUE(BuildConflictMatrix(p, screen).ok());
  EXPECT_EQ(p.ConflictMatrix(1, 2), 30000);
}

TEST(ConflictMatrixTest, RandomMatricesAreSymmetricWithEmptyDiagonalAndBorder) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const Problem p = test::MakeRandomProblem(seed, test::RandomShape(seed, 30));
    for (int k = 0; k <= p.PersonCount; ++k) {
      EXPECT_EQ(p.ConflictMatrix(k, k), 0);
      EXPECT_EQ(p.ConflictMatrix(0, k), 0);
      EXPECT_EQ(p.ConflictMatrix(k, 0), 0);
      for (int j = 0; j <= p.PersonCount; ++j) {
        ASSERT_EQ(p.ConflictMatrix(k, j), p.ConflictMatrix(j, k)) << "seed " << seed;
      }
    }
  }
}

TEST(ConflictMatrixTest, NoGroupingWithTheDealtSizesScoresBelowTheTarget) {
  std::mt19937 rng(7);
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 14);
    shape.other_types = false;  // every person is dealt, so the group sizes are the bound's
    Problem p = test::MakeRandomProblem(seed, shape);
    for (int trial = 0; trial < 200; ++trial) {
      std::shuffle(p.Assignment.begin() + 1, p.Assignment.end(), rng);
      ASSERT_GE(EvaluateAssignment(p), p.TargetScore) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace quorvale
