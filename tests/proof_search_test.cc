// The prover beside the search: a stop while the solver works, and a stop before anything was
// offered. (A proof that ends the search is part of the search's contract, in
// search_contract_test.cc.)
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/screen_observer.h"
#include "console/screen.h"
#include "console/search_screen.h"
#include "engine/proof_board.h"
#include "engine/run_loop.h"
#include "proof/proven_bound.h"
#include "proof/prover.h"
#include "proof/verdict.h"
#include "tests/support/fakes.h"
#include "tests/support/proof_instances.h"

namespace quorvale {
namespace {

// A tiny class-like instance whose Target Score no grouping reaches.
test::ProofInstance TargetOutOfReach(int64_t& best_possible) {
  for (uint32_t seed = 1;; ++seed) {
    test::ProofInstance instance = test::MakeClassInstance(seed, 10, 3);
    best_possible = test::BruteForceBestScore(instance.problem);
    if (best_possible > instance.problem.TargetScore) return instance;
  }
}

struct ProofRig {
  explicit ProofRig(test::ProofInstance instance)
      : p(std::move(instance.problem)),
        categories(std::move(instance.categories)),
        board(ProvenBound(p, categories)) {}
  SearchOutcome Run(bool stop_when_proven, ProofBoard* proof) {
    SearchEnvironment env{observer, clock, sink, engine, 3, &stop};
    env.proof = proof;
    env.stop_when_proven = stop_when_proven;
    return RunSearch(p, env);
  }
  Problem p;
  std::vector<Category> categories;
  ProofBoard board;
  Screen screen;
  SearchScreen search_screen{screen};
  ScreenObserver observer{search_screen};
  Engine engine{SupportedKernelLevel()};
  test::FakeClock clock;
  test::RecordingSink sink{&clock};
  std::atomic<int> stop{0};
};

TEST(ProofSearchTest, AStopEndsTheSolverAtWork) {
  // Too large to prove in the time this test takes: the stop finds the solver at work.
  test::ProofInstance instance = test::MakeClassInstance(4, 58, 11);
  ProofRig rig(std::move(instance));
  rig.p.TotalCycles = 300;
  Prover prover(rig.p, rig.categories, rig.board, ProverSettings{0, 0});
  ASSERT_TRUE(prover.Report().model_built);
  prover.Start();
  rig.p.BestScore = rig.p.CurrentScore;
  rig.board.OfferBest(rig.p);
  while (!prover.SolverStarted()) std::this_thread::yield();
  rig.stop = 2;  // a signal: the search saves and ends at once
  const SearchOutcome outcome = rig.Run(true, &rig.board);
  EXPECT_EQ(outcome.stop_signal, 2);
  prover.Stop();  // as the driver does when a signal has ended the search
  const ProverReport report = prover.Report();
  EXPECT_TRUE(report.solver_ran);
  EXPECT_FALSE(report.optimal);
  if (report.has_bound) {
    EXPECT_LE(report.lower_bound, rig.p.BestScore);
  }
  EXPECT_LE(rig.board.LowerBound(), rig.p.BestScore);
}

TEST(ProofSearchTest, AProverStoppedBeforeTheSearchOffersAnythingEndsAtOnce) {
  int64_t best_possible = 0;
  ProofRig rig(TargetOutOfReach(best_possible));
  Prover prover(rig.p, rig.categories, rig.board, ProverSettings{});
  prover.Start();
  prover.Stop();
  const ProverReport report = prover.Report();
  EXPECT_FALSE(report.solver_ran);
  const Verdict verdict = MakeVerdict(rig.p, rig.board.LowerBound(), &report);
  EXPECT_FALSE(verdict.solver_ran);
  EXPECT_EQ(verdict.Gap(), rig.p.BestScore - verdict.LowerBound);
}

}  // namespace
}  // namespace quorvale
