// ProvenBound and the exact count model against every grouping of tiny instances.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <limits>
#include <random>

#include "proof/count_model.h"
#include "proof/count_solver.h"
#include "proof/proven_bound.h"
#include "tests/support/proof_instances.h"

namespace quorvale {
namespace {

// The least and most pairs by trying every way to put the holders into the places.
// `already[g]`: members fixed in group g besides the holders (empty: none).
std::pair<int64_t, int64_t> PairsByEveryDistribution(std::array<int32_t, 2> holders,
                                                     const DealtPlaces& dealt,
                                                     const std::vector<int32_t>& already = {}) {
  int64_t least = std::numeric_limits<int64_t>::max(), most = -1;
  std::function<void(int, std::array<int32_t, 2>, int64_t)> next =
      [&](int g, std::array<int32_t, 2> left, int64_t pairs) {
        if (g > dealt.groups()) {
          if (left[0] == 0 && left[1] == 0) {
            least = std::min(least, pairs);
            most = std::max(most, pairs);
          }
          return;
        }
        const auto& pl = dealt.places[static_cast<size_t>(g)];
        for (int32_t x = 0; x <= std::min(pl[0], left[0]); ++x)
          for (int32_t y = 0; y <= std::min(pl[1], left[1]); ++y)
            next(
                g + 1, {left[0] - x, left[1] - y}, pairs + [](int64_t h) {
                  return h * (h - 1) / 2;
                }((already.empty() ? 0 : already[static_cast<size_t>(g)]) + x + y));
      };
  next(1, holders, 0);
  return {least, most};
}

TEST(CategoriesTest, TheirPairsAddUpToTheConflictMatrix) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    const test::ProofInstance instance = test::MakeProofInstance(seed, test::RandomShape(seed, 14));
    const Problem& p = instance.problem;
    const auto size = static_cast<size_t>(p.PersonCount()) + 1;
    std::vector<int64_t> sums(size * size, 0);
    for (const Category& category : instance.categories) {
      for (size_t a = 0; a < category.members.size(); ++a) {
        for (size_t b = a + 1; b < category.members.size(); ++b) {
          sums[static_cast<size_t>(category.members[a]) * size +
               static_cast<size_t>(category.members[b])] += category.weight;
        }
      }
    }
    for (int a = 1; a < p.PersonCount(); ++a) {
      for (int b = a + 1; b <= p.PersonCount(); ++b) {
        ASSERT_EQ(sums[static_cast<size_t>(a) * size + static_cast<size_t>(b)],
                  p.ConflictMatrix(a, b))
            << "seed " << seed << ", persons " << a << " and " << b;
      }
    }
  }
}

TEST(ProvenBoundTest, OneCategoryIsExactForEveryPlacesAndHolders) {
  std::mt19937 rng(7);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 400; ++round) {
    DealtPlaces dealt;
    dealt.places.assign(static_cast<size_t>(uniform(1, 5)) + 1, {0, 0});
    std::array<int32_t, 2> total{0, 0};
    for (size_t g = 1; g < dealt.places.size(); ++g) {
      dealt.places[g] = {uniform(0, 4), uniform(0, 4)};
      total[0] += dealt.places[g][0];
      total[1] += dealt.places[g][1];
    }
    const std::array<int32_t, 2> holders{uniform(0, total[0]), uniform(0, total[1])};
    const auto [least, most] = PairsByEveryDistribution(holders, dealt);
    EXPECT_EQ(LeastSameGroupPairs(holders, dealt), least) << round;
    EXPECT_EQ(MostSameGroupPairs(holders, dealt), most) << round;
  }
}

TEST(ProvenBoundTest, SpreadingAroundFixedMembersIsExact) {
  std::mt19937 rng(11);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 400; ++round) {
    DealtPlaces dealt;
    dealt.places.assign(static_cast<size_t>(uniform(1, 5)) + 1, {0, 0});
    std::vector<int32_t> already(dealt.places.size(), 0);
    std::array<int32_t, 2> total{0, 0};
    for (size_t g = 1; g < dealt.places.size(); ++g) {
      dealt.places[g] = {uniform(0, 3), uniform(0, 3)};
      already[g] = uniform(0, 3);
      total[0] += dealt.places[g][0];
      total[1] += dealt.places[g][1];
    }
    const std::array<int32_t, 2> holders{uniform(0, total[0]), uniform(0, total[1])};
    EXPECT_EQ(LeastPairsAround(holders, dealt, already),
              PairsByEveryDistribution(holders, dealt, already).first)
        << round;
  }
}

TEST(ProvenBoundTest, LiesBetweenTargetScoreAndTheBestGrouping) {
  int above_target = 0;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 9);
    shape.groups = std::min(shape.groups, 4);
    const test::ProofInstance instance = test::MakeProofInstance(seed, shape);
    const Problem& p = instance.problem;
    const int64_t bound = ProvenBound(p, instance.categories);
    const int64_t best = test::BruteForceBestScore(p);
    EXPECT_LE(bound, best) << "seed " << seed;
    bool all_dealt = true;
    for (int i = 1; i <= p.PersonCount(); ++i)
      all_dealt &= p.Assignment[static_cast<size_t>(i)] > 0;
    if (all_dealt) {
      EXPECT_GE(bound, p.TargetScore) << "seed " << seed;
    }
    above_target += bound > p.TargetScore;
  }
  EXPECT_GT(above_target, 10);  // the type counts do tighten the bound
}

TEST(CountModelTest, SolvesTinyInstancesToTheBestGrouping) {
  std::atomic<bool> stop{false};
  int solved = 0;
  for (uint32_t seed = 1; seed <= 120; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 9);
    shape.groups = std::min(shape.groups, 4);
    const test::ProofInstance instance = test::MakeProofInstance(seed, shape);
    const Problem& p = instance.problem;
    const CountModel model = BuildCountModel(p, instance.categories);
    // The counts of a grouping score what the grouping scores, and keep the symmetry order.
    const std::vector<int32_t> seed_counts = CountsOfGrouping(model, p.BestAssignment);
    ASSERT_EQ(ScoreOfCounts(model, seed_counts), p.BestScore) << "seed " << seed;
    for (int g = 1; g <= model.groups(); ++g) {
      if (const int before = model.twin_before[static_cast<size_t>(g)]; before > 0) {
        EXPECT_GE(SymmetryKey(model, seed_counts, before), SymmetryKey(model, seed_counts, g));
      }
    }
    if (!model.built) continue;
    const CountSolution solution =
        SolveCountModel(model, seed % 2 ? seed_counts : std::vector<int32_t>{}, 30, stop);
    const int64_t best = test::BruteForceBestScore(p);
    ASSERT_TRUE(solution.optimal) << "seed " << seed;
    EXPECT_EQ(solution.best_score, best) << "seed " << seed;
    EXPECT_EQ(solution.lower_bound, best) << "seed " << seed;
    ++solved;
  }
  EXPECT_GT(solved, 80);
}

TEST(CountModelTest, ClassInstancesAreSolvedFromTheSeed) {
  std::atomic<bool> stop{false};
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    const test::ProofInstance instance = test::MakeClassInstance(seed, 10, 3);
    const Problem& p = instance.problem;
    const CountModel model = BuildCountModel(p, instance.categories);
    ASSERT_TRUE(model.built);
    const CountSolution solution =
        SolveCountModel(model, CountsOfGrouping(model, p.BestAssignment), 30, stop);
    ASSERT_TRUE(solution.optimal);
    EXPECT_EQ(solution.best_score, test::BruteForceBestScore(p));
    EXPECT_GE(solution.lower_bound, ProvenBound(p, instance.categories));
  }
}

TEST(CountModelTest, AStopBeforeTheStartGivesNoBound) {
  const test::ProofInstance instance = test::MakeClassInstance(5, 40, 8);
  const CountModel model = BuildCountModel(instance.problem, instance.categories);
  ASSERT_TRUE(model.built);
  std::atomic<bool> stop{true};
  const CountSolution solution = SolveCountModel(model, {}, 60, stop);
  EXPECT_FALSE(solution.has_bound);
  EXPECT_FALSE(solution.optimal);
}

}  // namespace
}  // namespace quorvale
