// The placement proof against every grouping of tiny instances: it proves the best score best
// often, and never proves a score that some grouping beats.
#include <gtest/gtest.h>

#include <array>
#include <atomic>

#include "proof/count_model.h"
#include "proof/count_solver.h"
#include "proof/placement_proof.h"
#include "proof/proven_bound.h"
#include "tests/support/proof_instances.h"

namespace quorvale {
namespace {

// Runs the proof on the instance with the best score and with one unit above it, the open
// placements settled by the solver or not at all.
struct Outcome {
  bool applies = false;
  PlacementVerdict at_best = PlacementVerdict::kOpen;
  PlacementVerdict above_best = PlacementVerdict::kOpen;
};

Outcome Prove(const test::ProofInstance& instance, bool with_solver) {
  std::atomic<bool> stop{false};
  Outcome outcome;
  const CountModel model = BuildCountModel(instance.problem, instance.categories);
  if (!model.built) return outcome;
  outcome.applies = true;
  const int64_t best = test::BruteForceBestScore(instance.problem);
  const auto prove = [&](int64_t score) {
    const PlacementCheck check = [&](const std::vector<int32_t>& counts) {
      return NothingBelowWithCounts(model, counts, score, 30, stop);
    };
    return ProveByPlacement(model, score, 30, stop, with_solver ? check : nullptr);
  };
  outcome.at_best = prove(best);
  outcome.above_best = prove(best + model.scale);
  return outcome;
}

TEST(PlacementProofTest, NeverProvesAScoreThatAGroupingBeats) {
  std::array<int, 2> proven{0, 0};
  int tried = 0;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 9);
    shape.groups = std::min(shape.groups, 4);
    const test::ProofInstance instance = test::MakeProofInstance(seed, shape);
    for (const bool with_solver : {false, true}) {
      const Outcome outcome = Prove(instance, with_solver);
      if (!outcome.applies) break;
      tried += with_solver;
      EXPECT_NE(outcome.above_best, PlacementVerdict::kProven) << "seed " << seed;
      proven[with_solver] += outcome.at_best == PlacementVerdict::kProven;
    }
  }
  EXPECT_GT(tried, 150);
  // The bound around the placed persons is often tight, and the solver closes more.
  EXPECT_GT(proven[0], tried / 3);
  EXPECT_GT(proven[1], proven[0]);
}

TEST(PlacementProofTest, ProvesClassInstancesAndNothingBelowTheirBest) {
  int proven = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const Outcome outcome = Prove(test::MakeClassInstance(seed, 10, 3), seed % 2 == 0);
    ASSERT_TRUE(outcome.applies);
    EXPECT_NE(outcome.above_best, PlacementVerdict::kProven) << "seed " << seed;
    proven += outcome.at_best == PlacementVerdict::kProven;
  }
  EXPECT_GT(proven, 20);
}

TEST(PlacementProofTest, AStopCutsItShort) {
  const test::ProofInstance instance = test::MakeClassInstance(5, 40, 8);
  const CountModel model = BuildCountModel(instance.problem, instance.categories);
  ASSERT_TRUE(model.built);
  std::atomic<bool> stop{true};
  // A score far above every grouping's: only the stop keeps the first placement from opening.
  EXPECT_EQ(ProveByPlacement(model, model.constant + 100000 * model.scale, 60, stop),
            PlacementVerdict::kCutShort);
}

}  // namespace
}  // namespace quorvale
