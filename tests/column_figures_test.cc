// Per-column figures: a worked case with a turned-around majority and a packed column, and on
// random instances the least contributions add up to the Target Score and the contributions to
// a full evaluation's score.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "engine/column_figures.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"
#include "tests/support/problem_text.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

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

TEST(ColumnFiguresTest, AddUpToTargetAndScoreOnRandomInstances) {
  const Engine engine(SupportedKernelLevel());
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    Problem p = test::MakeRandomProblem(seed, test::RandomShape(seed, 40));
    int64_t least = 0;
    for (const ColumnBound& bound : p.ColumnBounds) least += bound.least;
    EXPECT_EQ(least, p.TargetScore) << "seed " << seed;
    const int64_t score = EvaluateAssignment(p, engine);
    const std::vector<int64_t> parts = ColumnContributions(p, p.Assignment);
    EXPECT_EQ(std::accumulate(parts.begin(), parts.end(), int64_t{0}), score) << "seed " << seed;
  }
}

TEST(ColumnFiguresTest, FewestGroupsFillTheLargeGroupsFirst) {
  // Ten persons in three groups: sizes 4, 3, 3.
  EXPECT_EQ(FewestGroupsFor(0, 3, 1), 0);
  EXPECT_EQ(FewestGroupsFor(4, 3, 1), 1);
  EXPECT_EQ(FewestGroupsFor(5, 3, 1), 2);
  EXPECT_EQ(FewestGroupsFor(8, 3, 1), 3);
  EXPECT_EQ(FewestGroupsFor(6, 3, 0), 2);
}

}  // namespace
}  // namespace quorvale
