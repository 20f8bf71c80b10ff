// The proof against every grouping of tiny instances: the one-category bounds are exact, the
// categories add up to the matrix, ProvenBound lies between the Target Score and the best
// grouping, the count model solves to the best grouping, and the placement proof never proves a
// score that a grouping beats; and a stop cuts the solver, the placement proof and the prover
// short. (A proof that ends the search is part of the search's contract.)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <thread>

#include "engine/proof_board.h"
#include "proof/count_model.h"
#include "proof/count_solver.h"
#include "proof/placement_proof.h"
#include "proof/proven_bound.h"
#include "proof/prover.h"
#include "proof/verdict.h"
#include "tests/support/proof_instances.h"

namespace quorvale {
namespace {

// The least and most pairs by trying every way to put the holders into the places.
// `already[g]`: members fixed in group g besides the holders (empty: none).
std::pair<int64_t, int64_t> PairsByEveryDistribution(std::array<int32_t, 2> holders,
                                                     const DealtPlaces& dealt,
                                                     const std::vector<int32_t>& already) {
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

// A tiny random instance of at most 9 persons in at most 4 groups.
test::ProofInstance TinyInstance(uint32_t seed) {
  test::RandomProblemShape shape = test::RandomShape(seed, 9);
  shape.groups = std::min(shape.groups, 4);
  return test::MakeProofInstance(seed, shape);
}

TEST(ProvenBoundTest, OneCategoryIsExactForEveryPlacesAndHolders) {
  // Every other round spreads the holders around members already fixed in the groups.
  std::mt19937 rng(7);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 800; ++round) {
    const bool around = round % 2 == 1;
    DealtPlaces dealt;
    dealt.places.assign(static_cast<size_t>(uniform(1, 5)) + 1, {0, 0});
    std::vector<int32_t> already(around ? dealt.places.size() : 0, 0);
    std::array<int32_t, 2> total{0, 0};
    for (size_t g = 1; g < dealt.places.size(); ++g) {
      dealt.places[g] = {uniform(0, around ? 3 : 4), uniform(0, around ? 3 : 4)};
      if (around) already[g] = uniform(0, 3);
      total[0] += dealt.places[g][0];
      total[1] += dealt.places[g][1];
    }
    const std::array<int32_t, 2> holders{uniform(0, total[0]), uniform(0, total[1])};
    const auto [least, most] = PairsByEveryDistribution(holders, dealt, already);
    if (around) {
      EXPECT_EQ(LeastPairsAround(holders, dealt, already), least) << round;
    } else {
      EXPECT_EQ(LeastSameGroupPairs(holders, dealt), least) << round;
      EXPECT_EQ(MostSameGroupPairs(holders, dealt), most) << round;
    }
  }
}

TEST(ProvenBoundTest, CategoriesAddUpToTheMatrixAndTheBoundLiesBetweenTargetAndBest) {
  int above_target = 0;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const test::ProofInstance instance = TinyInstance(seed);
    const Problem& p = instance.problem;
    std::map<std::pair<int32_t, int32_t>, int64_t> sums;
    for (const Category& category : instance.categories) {
      for (size_t a = 0; a < category.members.size(); ++a) {
        for (size_t b = a + 1; b < category.members.size(); ++b) {
          sums[{category.members[a], category.members[b]}] += category.weight;
        }
      }
    }
    for (int a = 1; a < p.PersonCount(); ++a) {
      for (int b = a + 1; b <= p.PersonCount(); ++b) {
        ASSERT_EQ(sums[std::pair(a, b)], p.ConflictMatrix(a, b)) << "persons " << a << " and " << b;
      }
    }
    const int64_t bound = ProvenBound(p, instance.categories);
    EXPECT_LE(bound, test::BruteForceBestScore(p));
    if (std::count(p.Assignment.begin() + 1, p.Assignment.end(), 0) == 0) {
      EXPECT_GE(bound, p.TargetScore);
    }
    above_target += bound > p.TargetScore;
  }
  EXPECT_GT(above_target, 10);  // the type counts do tighten the bound
}

TEST(CountModelTest, SolvesToTheBestGroupingAndThePlacementProofNeverProvesABeatenScore) {
  // 300 random instances, then 40 class-like ones. The first 120 random ones and the first three
  // class-like ones are solved, from the dealt grouping's counts or from nothing. The placement
  // proof, its open placements settled by the solver or not at all, must not prove the score one
  // unit above the best, and often proves the best.
  std::atomic<bool> stop{false};
  std::array<int, 2> proven{0, 0};
  int solved = 0, tried = 0, classes_proven = 0;
  for (uint32_t seed = 1; seed <= 340; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const bool class_like = seed > 300;
    const test::ProofInstance instance =
        class_like ? test::MakeClassInstance(seed - 300, 10, 3) : TinyInstance(seed);
    const Problem& p = instance.problem;
    const CountModel model = BuildCountModel(p, instance.categories);
    // The counts of a grouping score what the grouping scores, and keep the symmetry order.
    const std::vector<int32_t> seed_counts = CountsOfGrouping(model, p.BestAssignment);
    ASSERT_EQ(ScoreOfCounts(model, seed_counts), p.BestScore);
    for (int g = 1; g <= model.groups(); ++g) {
      if (const int before = model.twin_before[static_cast<size_t>(g)]; before > 0) {
        EXPECT_GE(SymmetryKey(model, seed_counts, before), SymmetryKey(model, seed_counts, g));
      }
    }
    ASSERT_TRUE(model.built || !class_like);
    if (!model.built) continue;
    const int64_t best = test::BruteForceBestScore(p);
    if (seed <= 120 || (class_like && seed <= 303)) {
      const CountSolution solution =
          SolveCountModel(model, seed % 2 ? seed_counts : std::vector<int32_t>{}, 30, stop);
      ASSERT_TRUE(solution.optimal);
      EXPECT_EQ(std::pair(solution.best_score, solution.lower_bound), std::pair(best, best));
      ++solved;
    }
    for (const bool with_solver : {false, true}) {
      if (class_like && with_solver != (seed % 2 == 0)) continue;
      const auto proves = [&](int64_t score) {
        const PlacementCheck check = [&](const std::vector<int32_t>& counts) {
          return NothingBelowWithCounts(model, counts, score, 30, stop);
        };
        return ProveByPlacement(model, score, 30, stop, with_solver ? check : nullptr) ==
               PlacementVerdict::kProven;
      };
      EXPECT_FALSE(proves(best + model.scale));
      (class_like ? classes_proven : proven[with_solver]) += proves(best);
      tried += with_solver && !class_like;
    }
  }
  EXPECT_GT(solved, 83);
  EXPECT_GT(tried, 150);
  // The bound around the placed persons is often tight, and the solver closes more.
  EXPECT_GT(proven[0], tried / 3);
  EXPECT_GT(proven[1], proven[0]);
  EXPECT_GT(classes_proven, 20);
}

TEST(ProofStopTest, AStopBeforeTheStartCutsTheSolverAndThePlacementProofShort) {
  const test::ProofInstance instance = test::MakeClassInstance(5, 40, 8);
  const CountModel model = BuildCountModel(instance.problem, instance.categories);
  ASSERT_TRUE(model.built);
  std::atomic<bool> stop{true};
  const CountSolution solution = SolveCountModel(model, {}, 60, stop);
  EXPECT_FALSE(solution.has_bound);
  EXPECT_FALSE(solution.optimal);
  // A score far above every grouping's: only the stop keeps the first placement from opening.
  EXPECT_EQ(ProveByPlacement(model, model.constant + 100000 * model.scale, 60, stop),
            PlacementVerdict::kCutShort);
}

TEST(ProofStopTest, AStopEndsTheProverWithItsSolverAtWorkOrBeforeAnythingWasOffered) {
  // Too large to prove in the time this test takes: the stop finds the solver at work.
  test::ProofInstance large = test::MakeClassInstance(4, 58, 11);
  ProofBoard board(ProvenBound(large.problem, large.categories));
  // A generous wait for the thread to end: a loaded machine must not leave it behind.
  Prover prover(large.problem, large.categories, board, ProverSettings{0, 0, 5000});
  ASSERT_TRUE(prover.Report().model_built);
  prover.Start();
  board.OfferBest(large.problem);
  while (!prover.SolverStarted()) std::this_thread::yield();
  prover.Stop();
  ProverReport report = prover.Report();
  EXPECT_TRUE(report.solver_ran);
  EXPECT_FALSE(report.optimal);
  if (report.has_bound) {
    EXPECT_LE(report.lower_bound, large.problem.BestScore);
  }
  EXPECT_LE(board.LowerBound(), large.problem.BestScore);

  const test::ProofInstance small = test::MakeClassInstance(1, 10, 3);
  ProofBoard idle(ProvenBound(small.problem, small.categories));
  Prover unused(small.problem, small.categories, idle, ProverSettings{});
  unused.Start();
  unused.Stop();
  report = unused.Report();
  EXPECT_FALSE(report.solver_ran);
  const Verdict verdict = MakeVerdict(small.problem, idle.LowerBound(), &report);
  EXPECT_FALSE(verdict.solver_ran);
  EXPECT_EQ(verdict.Gap(), small.problem.BestScore - verdict.LowerBound);
}

}  // namespace
}  // namespace quorvale
